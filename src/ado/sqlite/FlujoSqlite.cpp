#include "ado/sqlite/FlujoSqlite.h"

#include <QString>
#include <cstring>
#include <limits>

#include "ado/sqlite/ProveedorSqlite.h"
#include "platform/ErrorEjecucion.h"

// Lo que la tabla sabe de la sentencia que corre: de dónde salen las filas y cuántas columnas
// tienen.
struct TablaFlujo {
    sqlite3* db = nullptr;
    FlujoFilas* flujo = nullptr;
    int columnas = 0;
};

namespace {

// El último rowid insertado se pone en este valor antes de cada fila: si al pedir la siguiente
// cambió, la sentencia insertó la anterior. Un rowid que SQLite elige nunca es éste (elige el
// mayor más uno, o uno al azar mayor que el menor posible).
constexpr sqlite3_int64 kSinInsertar = std::numeric_limits<sqlite3_int64>::min();

struct Cursor {
    sqlite3_vtab_cursor base{};
    TablaFlujo* tabla = nullptr;
    const SentenciaPreparada::ValorListo* fila = nullptr;
    sqlite3_int64 numero = 0;
};

struct Vtab {
    sqlite3_vtab base{};
    TablaFlujo* tabla = nullptr;
};

int Conectar(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** salida, char**) {
    QByteArray declaracion = "CREATE TABLE x(";
    for (int i = 1; i <= kColumnasFlujo; ++i) declaracion += (i > 1 ? ",c" : "c") + QByteArray::number(i);
    declaracion += ')';
    const int rc = sqlite3_declare_vtab(db, declaracion.constData());
    if (rc != SQLITE_OK) return rc;
    // Sólo desde una sentencia: ni un disparador ni una vista la leen.
    sqlite3_vtab_config(db, SQLITE_VTAB_DIRECTONLY);
    auto* v = new Vtab;
    v->tabla = static_cast<TablaFlujo*>(aux);
    *salida = &v->base;
    return SQLITE_OK;
}

int Desconectar(sqlite3_vtab* v) {
    delete reinterpret_cast<Vtab*>(v);
    return SQLITE_OK;
}

int ElegirIndice(sqlite3_vtab*, sqlite3_index_info* info) {
    // Se recorre entera, en el orden en que llegan las filas.
    info->estimatedCost = 1e9;
    info->estimatedRows = 1000000;
    return SQLITE_OK;
}

int Abrir(sqlite3_vtab* v, sqlite3_vtab_cursor** salida) {
    auto* c = new Cursor;
    c->tabla = reinterpret_cast<Vtab*>(v)->tabla;
    *salida = &c->base;
    return SQLITE_OK;
}

int Cerrar(sqlite3_vtab_cursor* c) {
    delete reinterpret_cast<Cursor*>(c);
    return SQLITE_OK;
}

int Filtrar(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) {
    auto* c = reinterpret_cast<Cursor*>(cursor);
    TablaFlujo* t = c->tabla;
    if (!t->flujo) {
        cursor->pVtab->zErrMsg = sqlite3_mprintf("flujo_de_filas se lee sólo desde una sentencia de flujo");
        return SQLITE_MISUSE;
    }
    sqlite3_set_last_insert_rowid(t->db, kSinInsertar);
    c->fila = t->flujo->siguiente();
    c->numero = 1;
    return SQLITE_OK;
}

int Siguiente(sqlite3_vtab_cursor* cursor) {
    auto* c = reinterpret_cast<Cursor*>(cursor);
    TablaFlujo* t = c->tabla;
    t->flujo->insertada(sqlite3_last_insert_rowid(t->db) != kSinInsertar);
    sqlite3_set_last_insert_rowid(t->db, kSinInsertar);
    c->fila = t->flujo->siguiente();
    ++c->numero;
    return SQLITE_OK;
}

int Fin(sqlite3_vtab_cursor* cursor) { return reinterpret_cast<Cursor*>(cursor)->fila == nullptr; }

int Columna(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int i) {
    auto* c = reinterpret_cast<Cursor*>(cursor);
    if (i < 0 || i >= c->tabla->columnas) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    const SentenciaPreparada::ValorListo& v = c->fila[i];
    if (v.esEntero)
        sqlite3_result_int64(ctx, v.entero);
    else
        sqlite3_result_text(ctx, v.texto.data() ? v.texto.data() : "", static_cast<int>(v.texto.size()),
                            SQLITE_STATIC);
    return SQLITE_OK;
}

int NumeroFila(sqlite3_vtab_cursor* cursor, sqlite3_int64* salida) {
    *salida = reinterpret_cast<Cursor*>(cursor)->numero;
    return SQLITE_OK;
}

sqlite3_module Modulo() {
    sqlite3_module m{};
    m.iVersion = 0;
    m.xCreate = nullptr;  // sólo epónima: existe en cada conexión sin CREATE VIRTUAL TABLE
    m.xConnect = Conectar;
    m.xBestIndex = ElegirIndice;
    m.xDisconnect = Desconectar;
    m.xDestroy = Desconectar;
    m.xOpen = Abrir;
    m.xClose = Cerrar;
    m.xFilter = Filtrar;
    m.xNext = Siguiente;
    m.xEof = Fin;
    m.xColumn = Columna;
    m.xRowid = NumeroFila;
    return m;
}
const sqlite3_module kModulo = Modulo();

// Lo que hace que una sentencia no pueda correr como flujo: un disparador (Program), claves
// foráneas (FkCounter, FkIfZero), o filas que la base junta antes de insertarlas (OpenEphemeral,
// SorterOpen, OpenAutoindex): entonces, al pedir una fila, la anterior todavía no se insertó.
bool OpcodeImpide(const char* op) {
    static const char* const kImpiden[] = {"Program",       "FkCounter",  "FkIfZero",
                                           "OpenEphemeral", "SorterOpen", "OpenAutoindex"};
    for (const char* x : kImpiden) {
        if (std::strcmp(op, x) == 0) return true;
    }
    return false;
}

// Todo o nada: un punto de guardado alrededor de la sentencia. SQLite ya deshace la sentencia
// entera cuando puede abortar (la tabla de la suite tiene una columna calculada), pero no siempre:
// con el punto de guardado, siempre.
constexpr const char* kGuardar = "SAVEPOINT flujo_de_filas";
constexpr const char* kSoltar = "RELEASE flujo_de_filas";
constexpr const char* kVolver = "ROLLBACK TO flujo_de_filas";

class SentenciaFlujoSqlite : public SentenciaFlujo {
  public:
    SentenciaFlujoSqlite(sqlite3* db, TablaFlujo* tabla, sqlite3_stmt* st, QByteArray sql, int columnas)
        : db_(db), tabla_(tabla), st_(st), sql_(std::move(sql)), columnas_(columnas) {}
    ~SentenciaFlujoSqlite() override { sqlite3_finalize(st_); }

    bool apta() override {
        // Fuera de una transacción, SQLite deshace la sentencia entera si una fila falla.
        if (sqlite3_get_autocommit(db_)) return false;
        const QByteArray explicar = "EXPLAIN " + sql_;
        sqlite3_stmt* e = nullptr;
        if (sqlite3_prepare_v2(db_, explicar.constData(), static_cast<int>(explicar.size()), &e, nullptr) !=
                SQLITE_OK ||
            !e) {
            sqlite3_finalize(e);
            return false;
        }
        bool apta = true;
        int rc;
        while (apta && (rc = sqlite3_step(e)) == SQLITE_ROW) {
            const auto* op = reinterpret_cast<const char*>(sqlite3_column_text(e, 1));
            apta = op && !OpcodeImpide(op);
        }
        sqlite3_finalize(e);
        return apta;
    }

    int64_t correr(FlujoFilas& flujo, const std::vector<SentenciaPreparada::ValorListo>& parametros,
                   ListaErrores& errores) override {
        sqlite3_reset(st_);
        for (std::size_t i = 0; i < parametros.size(); ++i) {
            const int rc = LigarListo(st_, static_cast<int>(i + 1), parametros[i]);
            if (rc != SQLITE_OK) {
                errores.agregar(ErrorDeSqlite(db_, rc));
                return -1;
            }
        }
        int rc = sqlite3_exec(db_, kGuardar, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            errores.agregar(ErrorDeSqlite(db_, rc));
            return -1;
        }
        tabla_->flujo = &flujo;
        tabla_->columnas = columnas_;
        while ((rc = sqlite3_step(st_)) == SQLITE_ROW) {
        }
        tabla_->flujo = nullptr;
        if (rc == SQLITE_DONE) {
            const int64_t insertadas = sqlite3_changes64(db_);
            sqlite3_reset(st_);
            rc = sqlite3_exec(db_, kSoltar, nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) return insertadas;
        }
        errores.agregar(ErrorDeSqlite(db_, rc));
        sqlite3_reset(st_);
        // Si la falla no deshizo ya la transacción entera, se deshace lo de la sentencia.
        if (!sqlite3_get_autocommit(db_)) {
            sqlite3_exec(db_, kVolver, nullptr, nullptr, nullptr);
            sqlite3_exec(db_, kSoltar, nullptr, nullptr, nullptr);
        }
        return -1;
    }

    bool enTransaccion() const override { return !sqlite3_get_autocommit(db_); }

  private:
    sqlite3* db_;
    TablaFlujo* tabla_;
    sqlite3_stmt* st_;
    QByteArray sql_;
    int columnas_;
};

}  // namespace

TablaFlujo* RegistrarTablaFlujo(sqlite3* db) {
    auto* tabla = new TablaFlujo;
    tabla->db = db;
    const int rc = sqlite3_create_module_v2(db, "flujo_de_filas", &kModulo, tabla,
                                            [](void* t) { delete static_cast<TablaFlujo*>(t); });
    if (rc != SQLITE_OK) {
        const ErrorAdo e = ErrorDeSqlite(db, rc);
        throw ErrorEjecucion(e.nativo, e.descripcion, e.origen);
    }
    return tabla;
}

std::unique_ptr<SentenciaFlujo> PrepararFlujoSqlite(sqlite3* db, TablaFlujo* tabla, const QByteArray& sql,
                                                    int columnas) {
    if (columnas < 1 || columnas > kColumnasFlujo) {
        throw ErrorEjecucion(
            5, QStringLiteral("Un flujo tiene de 1 a %1 columnas, no %2.").arg(kColumnasFlujo).arg(columnas),
            QStringLiteral("SQLite"));
    }
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v3(db, sql.constData(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK || !st) {
        sqlite3_finalize(st);
        const ErrorAdo e = ErrorDeSqlite(db, rc, QString::fromUtf8(sql));
        throw ErrorEjecucion(e.nativo, e.descripcion, e.origen);
    }
    return std::make_unique<SentenciaFlujoSqlite>(db, tabla, st, sql, columnas);
}
