#include "ado/sqlite/ProveedorSqlite.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <climits>

#include "ado/CarpetaOrigen.h"
#include "ado/CodigoPagina.h"
#include "ado/ConsultaSimple.h"
#include "ado/HuellaArchivo.h"
#include "ado/Proveedores.h"
#include "ado/Valores.h"
#include "ado/sqlite/DialectoSqlServer.h"
#include "ado/sqlite/FlujoSqlite.h"
#include "platform/Detencion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Regional.h"
#include "platform/Senales.h"

namespace {

ErrorEjecucion Lanzable(const ErrorAdo& e) { return ErrorEjecucion(e.nativo, e.descripcion, e.origen); }

QByteArray Utf8(const QString& s) { return s.toUtf8(); }

// Un archivo de un proveedor: ningún valor (ni fila que SQLite arme) pasa de esto. Sin la cota,
// una vista que devuelve valores de cientos de MiB llena la memoria antes de la primera fila.
constexpr int kMaximoValorOrigen = 16 * 1024 * 1024;
// Cada tantas instrucciones de SQLite se mira si el operador pidió detener la lectura: una vista
// que no termina (o que filtra todas las filas de una serie sin fin) no devuelve nunca el control.
constexpr int kInstruccionesPorVistazo = 100000;

// Una lectura que no vuelve nunca por sí sola (una vista sin fin) se corta con "Detener" o con
// Ctrl-C/SIGTERM; la señal se atiende después, en el próximo punto seguro de la corrida.
int MirarDetencion(void*) { return Detencion::Pedida() || Senales::Pendiente() != 0 ? 1 : 0; }

// La espera de un bloqueo que tiene otro programa, de a pasos cortos: un Ctrl-C, un SIGTERM o
// "Detener" la cortan enseguida (la sentencia falla como una espera vencida y la corrida termina
// en su próximo punto seguro), en vez de esperar a que el otro suelte la base.
constexpr int kMsPorPasoDeEspera = 20;
int EsperarBloqueo(void* limite, int vuelta) {
    if (Senales::Pendiente() != 0 || Senales::Terminando() || Detencion::Pedida()) return 0;
    const int ms = *static_cast<const int*>(limite);
    if (ms != INT_MAX && static_cast<qint64>(vuelta) * kMsPorPasoDeEspera >= ms) return 0;
    sqlite3_sleep(kMsPorPasoDeEspera);
    return 1;
}

// Lo que se sabe del archivo de un proveedor para leerlo como una sola versión.
struct ArchivoOrigen {
    QString ruta;
    std::optional<HuellaArchivo> huella;  // al abrirlo
};

// Las filas de una sentencia preparada, a medida que se piden.
class FuenteSqlite : public FuenteFilas {
  public:
    // columnaFila: índice de la columna oculta con el rowid (formas actualizables), o -1.
    // origen: el archivo de un proveedor (nada para la base de la suite).
    FuenteSqlite(sqlite3* db, sqlite3_stmt* st, bool tiposDeOrigen, QString tabla, int columnaFila,
                 std::optional<ArchivoOrigen> origen = std::nullopt)
        : db_(db),
          st_(st),
          tiposDeOrigen_(tiposDeOrigen),
          tabla_(std::move(tabla)),
          columnaFila_(columnaFila),
          origen_(std::move(origen)) {
        const int n = sqlite3_column_count(st_);
        for (int i = 0; i < n; ++i) {
            if (i == columnaFila_) continue;
            indices_.push_back(i);
            nombres_ << QString::fromUtf8(sqlite3_column_name(st_, i));
            const char* tipo = sqlite3_column_decltype(st_, i);
            tiposDeclarados_ << (tipo ? QString::fromUtf8(tipo).toUpper() : QString());
        }
    }
    ~FuenteSqlite() override { sqlite3_finalize(st_); }

    std::optional<qint64> total() const override { return total_; }
    void fijarTotal(qint64 total) { total_ = total; }
    int columnas() const override { return static_cast<int>(indices_.size()); }
    QString nombreColumna(int i) const override { return nombres_.at(i); }

    bool siguiente(std::vector<QVariant>& fila) override {
        if (terminada_) return false;
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_DONE) {
            terminada_ = true;
            // SQLite abre por ruta: si el archivo cambió durante la lectura, las filas no son de
            // una sola versión.
            if (origen_ && HuellaArchivo::DeRuta(origen_->ruta) != origen_->huella) {
                throw ErrorEjecucion(kOrigenCambiado, DescripcionOrigenCambiado(origen_->ruta, filas_),
                                     QStringLiteral("Proveedor de SQLite"));
            }
            return false;
        }
        if (rc != SQLITE_ROW) {
            terminada_ = true;
            if (origen_ && (rc & 0xFF) == SQLITE_TOOBIG) {
                throw ErrorEjecucion(
                    rc,
                    QStringLiteral("La fila %1 de \"%2\" tiene un valor de más de %3 MiB: un archivo de "
                                   "garantías no tiene valores así; revise la tabla o la vista.")
                        .arg(filas_ + 1)
                        .arg(origen_->ruta)
                        .arg(kMaximoValorOrigen / (1024 * 1024)),
                    QStringLiteral("Proveedor de SQLite"));
            }
            if (origen_ && (rc & 0xFF) == SQLITE_INTERRUPT) {
                // Quien la cortó: una señal del sistema (Ctrl-C, SIGTERM) o "Detener".
                const QString quien = Senales::Pendiente() != 0 ? QStringLiteral("por una señal del sistema")
                                                                : QStringLiteral("por el operador");
                throw ErrorEjecucion(rc,
                                     QStringLiteral("Lectura de \"%1\" detenida %2 después de %3 filas.")
                                         .arg(origen_->ruta, quien)
                                         .arg(filas_),
                                     QStringLiteral("Proveedor de SQLite"));
            }
            throw Lanzable(ErrorDeSqlite(db_, rc));
        }
        ++filas_;
        fila.resize(indices_.size());
        for (std::size_t k = 0; k < indices_.size(); ++k) fila[k] = valor(indices_[k], static_cast<int>(k));
        filaActual_ = columnaFila_ >= 0 ? sqlite3_column_int64(st_, columnaFila_) : 0;
        return true;
    }

    bool actualizable() const override { return columnaFila_ >= 0; }

    void guardar(const std::vector<std::pair<QString, QVariant>>& cambios, bool nueva) override {
        if (columnaFila_ < 0) FuenteFilas::guardar(cambios, nueva);
        QString sql;
        if (nueva) {
            QStringList columnas, marcas;
            for (const auto& c : cambios) {
                columnas << '"' + QString(c.first).replace('"', "\"\"") + '"';
                marcas << QStringLiteral("?");
            }
            sql = columnas.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(tabla_)
                                     : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                           .arg(tabla_, columnas.join(','), marcas.join(','));
        } else {
            QStringList asignaciones;
            for (const auto& c : cambios)
                asignaciones << '"' + QString(c.first).replace('"', "\"\"") + "\"=?";
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(tabla_, asignaciones.join(','));
        }
        sqlite3_stmt* st = nullptr;
        const QByteArray u = Utf8(sql);
        int rc = sqlite3_prepare_v2(db_, u.constData(), static_cast<int>(u.size()), &st, nullptr);
        if (rc != SQLITE_OK) throw Lanzable(ErrorDeSqlite(db_, rc, sql));
        int i = 1;
        for (const auto& c : cambios) Ligar(st, i++, c.second);
        if (!nueva) sqlite3_bind_int64(st, i, filaActual_);
        rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) throw Lanzable(ErrorDeSqlite(db_, rc, sql));
    }

    static void Ligar(sqlite3_stmt* st, int i, const QVariant& v) {
        if (!v.isValid() || v.isNull()) {
            sqlite3_bind_null(st, i);
            return;
        }
        switch (v.typeId()) {
            case QMetaType::Bool:
                sqlite3_bind_int(st, i, v.toBool() ? 1 : 0);
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::UInt:
            case QMetaType::UShort:
            case QMetaType::Long:
                sqlite3_bind_int64(st, i, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                sqlite3_bind_double(st, i, v.toDouble());
                break;
            case QMetaType::QDateTime: {
                const QByteArray t =
                    Regional::Formato(v.toDateTime(), QStringLiteral("dd/mm/yyyy hh:nn:ss")).toUtf8();
                sqlite3_bind_text(st, i, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QDate: {
                const QByteArray t = Regional::TextoFecha(v.toDate()).toUtf8();
                sqlite3_bind_text(st, i, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray t = v.toString().toUtf8();
                sqlite3_bind_text(st, i, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
            }
        }
    }

  private:
    QVariant valor(int i, int k) const {
        switch (sqlite3_column_type(st_, i)) {
            case SQLITE_NULL:
                return {};
            case SQLITE_INTEGER: {
                const qlonglong n = sqlite3_column_int64(st_, i);
                if (tiposDeOrigen_ && tiposDeclarados_.at(k).startsWith(QLatin1String("BOOL")))
                    return QVariant(n != 0);
                return QVariant(n);
            }
            case SQLITE_FLOAT:
                return QVariant(sqlite3_column_double(st_, i));
            case SQLITE_BLOB:
                return QByteArray(static_cast<const char*>(sqlite3_column_blob(st_, i)),
                                  sqlite3_column_bytes(st_, i));
            default: {
                const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
                const int largo = sqlite3_column_bytes(st_, i);
                if (origen_) exigirTexto(QByteArrayView(bytes, largo), k);
                QString t = QString::fromUtf8(bytes, largo);
                // En los archivos de los proveedores, una columna declarada como fecha se muestra dd/mm/yyyy.
                if (tiposDeOrigen_ && (tiposDeclarados_.at(k).contains(QLatin1String("DATE")) ||
                                       tiposDeclarados_.at(k).contains(QLatin1String("TIME")))) {
                    if (auto f = Regional::LeerFechaHora(t)) {
                        if (f->time() == QTime(0, 0)) return f->date();
                        return *f;
                    }
                }
                return t;
            }
        }
    }

    // El TEXT de un archivo de un proveedor tiene que ser UTF-8 y no tener bytes nulos: SQLite
    // guarda lo que le den (un valor de Windows-1252 escrito tal cual), y leído con caracteres de
    // reemplazo "BAD\xC0" y "BAD\xFF" serían la misma serie. La fila se rechaza nombrándola.
    void exigirTexto(QByteArrayView bytes, int k) const {
        const bool nulo = bytes.contains('\0');
        if (!nulo && EsUtf8Valido(bytes, true)) return;
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            QStringLiteral("La fila %1 de \"%2\", columna %3 (\"%4\"), tiene un texto %5: no se puede leer "
                           "sin cambiarlo. Corrija el valor en el archivo del proveedor.")
                .arg(filas_)
                .arg(origen_->ruta)
                .arg(k + 1)
                .arg(nombres_.at(k),
                     nulo ? QStringLiteral("con un byte nulo") : QStringLiteral("que no es UTF-8 válido")),
            QStringLiteral("Proveedor de SQLite"));
    }

    sqlite3* db_;
    sqlite3_stmt* st_;
    bool tiposDeOrigen_;
    QString tabla_;
    int columnaFila_;
    std::vector<int> indices_;
    QStringList nombres_;
    QStringList tiposDeclarados_;
    sqlite3_int64 filaActual_ = 0;
    bool terminada_ = false;
    std::optional<qint64> total_;
    std::optional<ArchivoOrigen> origen_;
    qint64 filas_ = 0;
};

// La tabla de "SELECT ... FROM tabla ...", para guardar las filas de una forma actualizable.
QString TablaDe(const QString& sql) {
    static const QRegularExpression patron(
        QStringLiteral(R"re(\bFROM\s+(\[[^\]]+\]|"[^"]+"|[A-Za-z_][\w$#.]*))re"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = patron.match(sql);
    return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

void PrepararMotorSqlite() {
    // Sin la cuenta global de la memoria de SQLite (nadie la lee): cada pedido de memoria del motor
    // se ahorra un mutex. Sólo vale antes de la primera base que abre el proceso.
    static const bool hecho = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    Q_UNUSED(hecho);
}

std::unique_ptr<Proveedor> CrearProveedorSuite() { return std::make_unique<ProveedorSqlite>(true); }
std::unique_ptr<Proveedor> CrearProveedorSqlite() { return std::make_unique<ProveedorSqlite>(false); }

void ProveedorSqlite::exigirAbierta() const {
    if (!db_)
        throw ErrorEjecucion(Errores::ConexionCerrada, QStringLiteral("La base no está abierta."), nombre());
}

void ProveedorSqlite::abrir(const TextoConexion& texto) {
    archivo_ = suite_ ? texto.valor(QStringLiteral("Data Source")) : texto.valor(QStringLiteral("Database"));
    const bool crear = suite_ && texto.valor(QStringLiteral("Crear")) == QLatin1String("1");
    if (archivo_.isEmpty()) {
        throw ErrorEjecucion(Errores::ProveedorFallo,
                             QStringLiteral("No se indicó el archivo de la base de datos."), nombre());
    }
    const QFileInfo info(archivo_);
    if (const auto roto = EnlaceRoto(archivo_); roto && !suite_)
        throw ErrorEjecucion(Errores::ProveedorFallo, *roto, nombre());
    if (!crear && !info.exists()) {
        throw ErrorEjecucion(Errores::ProveedorFallo,
                             QStringLiteral("No existe el archivo \"%1\".").arg(archivo_), nombre());
    }
    if (info.exists() && !info.isFile()) {
        throw ErrorEjecucion(Errores::ProveedorFallo,
                             QStringLiteral("\"%1\" no es un archivo.").arg(archivo_), nombre());
    }
    if (info.exists() && !info.isReadable()) {
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            QStringLiteral("No se puede leer el archivo \"%1\": no hay permiso.").arg(archivo_), nombre());
    }
    PrepararMotorSqlite();
    int banderas = suite_ ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (crear) banderas |= SQLITE_OPEN_CREATE;
    QByteArray ruta = QFile::encodeName(archivo_);
    if (!suite_) {
        // El archivo de un proveedor se lee sin escribir nada junto a él (ni el -shm de una base en
        // modo WAL, que en una carpeta de sólo lectura haría fallar la apertura): inmutable. Lo que
        // un -wal guarde sin pasar al archivo no se leería así: ese archivo no se lee a medias.
        const QFileInfo wal(archivo_ + QStringLiteral("-wal"));
        if (wal.exists() && wal.size() > 0) {
            throw ErrorEjecucion(
                Errores::ProveedorFallo,
                QStringLiteral("La base \"%1\" tiene cambios que todavía están en \"%2\" (la dejó abierta o "
                               "sin cerrar bien el programa que la escribió): ábrala y ciérrela con ese "
                               "programa (o con sqlite3) para que pasen al archivo, y vuelva a intentarlo.")
                    .arg(archivo_, wal.filePath()),
                nombre());
        }
        ruta = "file:" + ruta.toPercentEncoding("/") + "?mode=ro&immutable=1";
        banderas |= SQLITE_OPEN_URI;
    }
    int rc = sqlite3_open_v2(ruta.constData(), &db_, banderas | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const ErrorAdo e = ErrorDeSqlite(db_, rc);
        cerrar();
        throw ErrorEjecucion(
            e.nativo, QStringLiteral("No se pudo abrir la base \"%1\": %2").arg(archivo_, e.descripcion),
            nombre());
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_handler(db_, EsperarBloqueo, &tiempoEsperaMs_);
    RegistrarExtensiones(db_, suite_);
    // Leer el esquema descubre enseguida un archivo que no es una base o está dañado.
    rc = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const ErrorAdo e = ErrorDeSqlite(db_, rc);
        cerrar();
        // En la base de la suite la descripción ya dice la causa (dañada, en uso, sin permiso).
        throw ErrorEjecucion(
            e.nativo,
            suite_ ? QStringLiteral("No se pudo abrir la base \"%1\": %2").arg(archivo_, e.descripcion)
                   : QStringLiteral("El archivo \"%1\" no es una base SQLite o está dañado: %2")
                         .arg(archivo_, e.descripcion),
            nombre());
    }
    if (suite_) {
        // WAL: quien lee no frena la importación. NORMAL: seguro ante la caída del programa.
        sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
        // Un caché de páginas más grande es lo que más acelera una importación grande (a lo sumo 64 MiB).
        sqlite3_exec(db_, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
        // Menos puntos de control durante una importación grande: cada uno relee y reescribe el WAL.
        sqlite3_exec(db_, "PRAGMA wal_autocheckpoint=16384", nullptr, nullptr, nullptr);
    } else {
        // El archivo de un proveedor: trabajo acotado y una lectura que se puede detener.
        sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, kMaximoValorOrigen);
        sqlite3_progress_handler(db_, kInstruccionesPorVistazo, MirarDetencion, nullptr);
        huella_ = HuellaArchivo::DeRuta(archivo_);
    }
}

void ProveedorSqlite::cerrar() {
    if (db_) {
        sqlite3_close_v2(db_);  // libera también la tabla de flujo
        db_ = nullptr;
        tablaFlujo_ = nullptr;
    }
}

QStringList ProveedorSqlite::tablas() {
    exigirAbierta();
    sqlite3_stmt* st = nullptr;
    const char* sql =
        "SELECT name FROM sqlite_master WHERE type IN ('table','view') AND name NOT LIKE 'sqlite\\_%' ESCAPE "
        "'\\' ORDER BY rowid";
    int rc = sqlite3_prepare_v2(db_, sql, -1, &st, nullptr);
    if (rc != SQLITE_OK) throw Lanzable(ErrorDeSqlite(db_, rc));
    QStringList nombres;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        nombres << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw Lanzable(ErrorDeSqlite(db_, rc));
    return nombres;
}

QString ProveedorSqlite::adaptar(const QString& sql) const {
    return suite_ ? DialectoSqlServer::AdaptarASqlite(sql) : sql;
}

namespace {
// La tabla entre comillas dobles, con cada comilla doblada: la forma de SQLite.
QString SentenciaDeTablaSqlite(const QString& tabla) {
    return QStringLiteral("SELECT * FROM \"") + QString(tabla).replace('"', QLatin1String("\"\"")) + '"';
}
}  // namespace

std::unique_ptr<FuenteFilas> ProveedorSqlite::consultar(const QString& sql, bool actualizable) {
    exigirAbierta();
    QString texto = adaptar(sql.trimmed());
    while (texto.endsWith(';')) texto.chop(1);
    // La tabla de un archivo se nombra entre corchetes con "]" doblado, forma que SQLite no
    // entiende: pasa a comillas dobles.
    if (const auto tabla = suite_ ? std::nullopt : TablaDeConsulta(texto))
        texto = SentenciaDeTablaSqlite(*tabla);
    return consultarTexto(texto, actualizable);
}

std::unique_ptr<FuenteFilas> ProveedorSqlite::leerTabla(const QString& tabla) {
    exigirAbierta();
    const QString texto = SentenciaDeTablaSqlite(tabla);
    auto fuente = consultarTexto(texto, false);
    // Cuántas filas dará, para el avance de la importación: una cuenta aparte, que no cambia la
    // lectura si falla (queda sin total).
    sqlite3_stmt* cuenta = nullptr;
    const QByteArray u = Utf8(QStringLiteral("SELECT COUNT(*) FROM (%1)").arg(texto));
    if (sqlite3_prepare_v2(db_, u.constData(), static_cast<int>(u.size()), &cuenta, nullptr) == SQLITE_OK &&
        sqlite3_step(cuenta) == SQLITE_ROW)
        static_cast<FuenteSqlite&>(*fuente).fijarTotal(sqlite3_column_int64(cuenta, 0));
    sqlite3_finalize(cuenta);
    return fuente;
}

std::unique_ptr<FuenteFilas> ProveedorSqlite::consultarTexto(QString texto, bool actualizable) {
    QString tabla;
    int columnaFila = -1;
    if (actualizable) {
        if (!suite_) {
            throw ErrorEjecucion(
                3251, QStringLiteral("El archivo \"%1\" se abre sólo para leer.").arg(archivo_), nombre());
        }
        tabla = TablaDe(texto);
        static const QRegularExpression seleccion(QStringLiteral(R"(^\s*SELECT\s+\*)"),
                                                  QRegularExpression::CaseInsensitiveOption);
        const auto m = seleccion.match(texto);
        if (tabla.isEmpty() || !m.hasMatch()) {
            throw ErrorEjecucion(
                3251, QStringLiteral("Sólo se pueden actualizar las filas de SELECT * FROM una tabla."),
                nombre());
        }
        texto = QStringLiteral("SELECT rowid AS \"__fila__\", *") + texto.mid(m.capturedEnd());
        columnaFila = 0;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray u = Utf8(texto);
    const int rc = sqlite3_prepare_v2(db_, u.constData(), static_cast<int>(u.size()), &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        throw Lanzable(ErrorDeSqlite(db_, rc, texto));
    }
    if (!st)
        throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("La consulta está vacía."), nombre());
    std::optional<ArchivoOrigen> origen;
    if (!suite_) origen = ArchivoOrigen{archivo_, huella_};
    return std::make_unique<FuenteSqlite>(db_, st, !suite_, tabla, columnaFila, std::move(origen));
}

void ProveedorSqlite::ejecutar(const QString& lote, ListaErrores& errores) {
    if (!suite_) {
        Proveedor::ejecutar(lote, errores);
        return;
    }
    exigirAbierta();
    for (const QString& sentencia : DialectoSqlServer::SepararLote(lote)) {
        const QByteArray u = Utf8(adaptar(sentencia));
        const char* resto = u.constData();
        const char* fin = u.constData() + u.size();
        const bool enTransaccion = !sqlite3_get_autocommit(db_);
        bool fallo = false;
        while (resto < fin) {
            sqlite3_stmt* st = nullptr;
            int rc = sqlite3_prepare_v2(db_, resto, static_cast<int>(fin - resto), &st, &resto);
            if (rc != SQLITE_OK) {
                errores.agregar(ErrorDeSqlite(db_, rc, sentencia));
                fallo = true;
                break;
            }
            if (!st) break;  // sólo blancos o comentarios
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) {
                errores.agregar(ErrorDeSqlite(db_, rc, sentencia));
                fallo = true;
            }
            sqlite3_finalize(st);
            if (fallo) break;
        }
        // Si el motor deshizo solo la transacción (disco lleno, bloqueo), lo que sigue del lote
        // ya no correría dentro de ella: el lote se detiene ahí.
        if (fallo && enTransaccion && sqlite3_get_autocommit(db_)) break;
    }
}

namespace {
// Una sentencia de SQLite preparada una vez; cada corrida liga los valores y la vuelve a usar.
class SentenciaSqlite : public SentenciaPreparada {
  public:
    SentenciaSqlite(sqlite3* db, sqlite3_stmt* st) : db_(db), st_(st) {}
    ~SentenciaSqlite() override { sqlite3_finalize(st_); }
    int64_t ejecutar(const std::vector<QVariant>& valores, ListaErrores& errores) override {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
        if (textos_.size() < valores.size()) textos_.resize(valores.size());
        for (std::size_t i = 0; i < valores.size(); ++i) {
            const QVariant& v = valores[i];
            const int indice = static_cast<int>(i + 1);
            if (v.typeId() == QMetaType::QString) {
                // El texto va en UTF-8 a un búfer propio de la sentencia, que vive hasta la próxima
                // corrida: SQLite no lo copia.
                QByteArray& t = textos_[i];
                t.resize(0);  // reusa su memoria
                AgregarUtf8(t, *static_cast<const QString*>(v.constData()));
                if (!ligado(sqlite3_bind_text(st_, indice, t.constData(), static_cast<int>(t.size()),
                                              SQLITE_STATIC),
                            errores))
                    return -1;
            } else {
                FuenteSqlite::Ligar(st_, indice, v);
            }
        }
        return correr(errores);
    }

    int64_t ejecutarListos(const std::vector<ValorListo>& valores, ListaErrores& errores) override {
        // Todos los valores se ligan de nuevo: no hace falta borrar los de la corrida anterior.
        sqlite3_reset(st_);
        for (std::size_t i = 0; i < valores.size(); ++i) {
            if (!ligado(LigarListo(st_, static_cast<int>(i + 1), valores[i]), errores)) return -1;
        }
        return correr(errores);
    }

  private:
    // Un valor que SQLite no aceptó (más largo que lo que admite) quedaría NULL: la fila falla.
    bool ligado(int rc, ListaErrores& errores) {
        if (rc == SQLITE_OK) return true;
        errores.agregar(ErrorDeSqlite(db_, rc));
        return false;
    }

    // Corre la sentencia ya ligada: las filas cambiadas, o -1 con la falla en errores.
    int64_t correr(ListaErrores& errores) {
        int rc;
        while ((rc = sqlite3_step(st_)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE) {
            errores.agregar(ErrorDeSqlite(db_, rc));
            sqlite3_reset(st_);
            return -1;
        }
        return sqlite3_changes(db_);
    }

    sqlite3* db_;
    sqlite3_stmt* st_;
    std::vector<QByteArray> textos_;
};
}  // namespace

std::unique_ptr<SentenciaPreparada> ProveedorSqlite::preparar(const QString& sql) {
    exigirAbierta();
    if (!suite_) return Proveedor::preparar(sql);
    const QByteArray u = Utf8(adaptar(sql));
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v3(db_, u.constData(), static_cast<int>(u.size()),
                                      SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK || !st) {
        sqlite3_finalize(st);
        throw Lanzable(ErrorDeSqlite(db_, rc, sql));
    }
    return std::make_unique<SentenciaSqlite>(db_, st);
}

std::unique_ptr<SentenciaFlujo> ProveedorSqlite::prepararFlujo(const QString& sql, int columnas) {
    exigirAbierta();
    if (!suite_) return nullptr;
    if (!tablaFlujo_) tablaFlujo_ = RegistrarTablaFlujo(db_);
    return PrepararFlujoSqlite(db_, tablaFlujo_, Utf8(adaptar(sql)), columnas);
}

void ProveedorSqlite::correrControl(const char* sql) {
    exigirAbierta();
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw Lanzable(ErrorDeSqlite(db_, rc));
}

void ProveedorSqlite::empezarTransaccion() { correrControl("BEGIN IMMEDIATE"); }
void ProveedorSqlite::confirmarTransaccion() { correrControl("COMMIT"); }
void ProveedorSqlite::deshacerTransaccion() { correrControl("ROLLBACK"); }

void ProveedorSqlite::fijarTiempoEspera(int segundos) {
    // 0 es "sin límite", como en las conexiones del programa; SQLite entiende 0 como "no esperar".
    tiempoEsperaMs_ = segundos <= 0 ? INT_MAX : (segundos > INT_MAX / 1000 ? INT_MAX : segundos * 1000);
}
