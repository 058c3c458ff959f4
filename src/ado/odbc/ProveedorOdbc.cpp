#include <clocale>
#include <cstring>
#include <langinfo.h>
#include "ado/odbc/DiagnosticosOdbc.h"
#include "ado/odbc/EnlaceOdbc.h"
#include "ado/odbc/FuenteOdbc.h"
#include "ado/Proveedores.h"
#include "ado/odbc/TextoConexionOdbc.h"
#include "platform/ErrorEjecucion.h"

namespace {
// Algunos controladores (el de SQLite, FreeTDS) convierten el texto ancho según el idioma del
// proceso: con LANG=C perderían los acentos. Los caracteres del proceso se leen siempre en UTF-8.
void AsegurarCaracteresUtf8() {
    const char* juego = nl_langinfo(CODESET);
    if (juego && std::strcmp(juego, "UTF-8") == 0) return;
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "C.utf8");
}
}  // namespace

namespace {

// Segundos que espera el ingreso al servidor: un servidor caído termina el arranque enseguida.
constexpr int kSegundosIngreso = 5;

// Libera la sentencia al salir del alcance, salvo que se la entregue (soltar).
class SentenciaPropia {
  public:
    explicit SentenciaPropia(SQLHSTMT st) : st_(st) {}
    ~SentenciaPropia() {
        if (st_) SQLFreeHandle(SQL_HANDLE_STMT, st_);
    }
    SQLHSTMT get() const { return st_; }
    SQLHSTMT soltar() { return std::exchange(st_, static_cast<SQLHSTMT>(nullptr)); }

  private:
    SQLHSTMT st_;
};

// Conexiones a SQL Server (FreeTDS), Oracle y otros orígenes por el administrador de
// controladores ODBC.
class ProveedorOdbc : public Proveedor {
  public:
    ~ProveedorOdbc() override { cerrar(); }

    QString nombre() const override { return QStringLiteral("Proveedor ODBC"); }

    void abrir(const TextoConexion& texto) override {
        AsegurarCaracteresUtf8();
        cerrar();
        auto enlace = std::make_shared<EnlaceOdbc>(nombre());
        enlace->crearEntorno();
        const bool oracle =
            texto.valor(QStringLiteral("Provider")).contains(QLatin1String("OraOLEDB"), Qt::CaseInsensitive);
        const DestinoOdbc destino = DestinoDe(texto, oracle ? enlace->controladores() : QStringList());
        enlace->conectar(destino.texto, destino.descripcion, kSegundosIngreso);
        enlace->fijarTiempoEspera(tiempoEspera_);
        enlace_ = std::move(enlace);
        if (EsSqlServer()) {
            // Los literales de fecha del programa son dd/mm/yyyy (y dd/mm/yy).
            ListaErrores errores;
            ejecutar(QStringLiteral("SET DATEFORMAT dmy"), errores);
            if (!errores.vacia()) {
                const ErrorAdo e = errores.Item(0);
                cerrar();
                throw ErrorEjecucion(e.nativo != 0 ? e.nativo : Errores::ProveedorFallo, e.descripcion,
                                     nombre());
            }
        }
        if (aislamiento_ != 0) fijarAislamiento(aislamiento_);
    }

    void cerrar() override {
        // Las filas que todavía estén abiertas sostienen la conexión hasta que se cierran.
        enlace_.reset();
        pendientes_.clear();
    }

    QStringList tablas() override {
        exigirAbierta();
        SentenciaPropia st(enlace_->nuevaSentencia());
        QString tipos = QStringLiteral("TABLE,VIEW");
        if (!SQL_SUCCEEDED(SQLTablesW(st.get(), nullptr, 0, nullptr, 0, nullptr, 0, Ancho(tipos),
                                      static_cast<SQLSMALLINT>(tipos.size())))) {
            enlace_->fallar(SQL_HANDLE_STMT, st.get(), QStringLiteral("No se pudieron listar las tablas"));
        }
        QStringList nombres;
        const ColumnaOdbc columna{QStringLiteral("TABLE_NAME"), SQL_WVARCHAR, 128, 0};
        SQLRETURN rc;
        while (SQL_SUCCEEDED(rc = SQLFetch(st.get()))) {
            const QVariant v = LeerValorOdbc(st.get(), 3, columna, nombre());
            if (!v.isNull()) nombres << v.toString();
        }
        if (rc != SQL_NO_DATA)
            enlace_->fallar(SQL_HANDLE_STMT, st.get(), QStringLiteral("No se pudieron listar las tablas"));
        return nombres;
    }

    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool actualizable) override {
        exigirAbierta();
        pendientes_.clear();
        QString tabla;
        if (actualizable) {
            tabla = TablaActualizable(sql);
            if (tabla.isEmpty()) {
                throw ErrorEjecucion(
                    3251,
                    QStringLiteral("Sólo se pueden actualizar las filas de una consulta sobre una tabla."),
                    nombre());
            }
        }
        SentenciaPropia st(enlace_->nuevaSentencia());
        QString texto = sql;
        SQLRETURN rc = SQLExecDirectW(st.get(), Ancho(texto), static_cast<SQLINTEGER>(texto.size()));
        // Un lote puede empezar con resultados sin columnas (SET, INSERT): las filas son las del
        // primer resultado que tenga columnas.
        for (int vueltas = 0; vueltas < 10000; ++vueltas) {
            if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) fallarConsulta(st.get());
            if (rc == SQL_NO_DATA && vueltas > 0) break;
            SQLSMALLINT columnas = 0;
            if (rc != SQL_NO_DATA && SQL_SUCCEEDED(SQLNumResultCols(st.get(), &columnas)) && columnas > 0)
                break;
            rc = SQLMoreResults(st.get());
            if (rc == SQL_NO_DATA) break;
        }
        return std::make_unique<FuenteOdbc>(enlace_, st.soltar(), tabla);
    }

    void ejecutar(const QString& sql, ListaErrores& errores) override {
        exigirAbierta();
        SQLHSTMT h = SQL_NULL_HSTMT;
        try {
            h = enlace_->nuevaSentencia();
        } catch (const ErrorEjecucion& e) {
            errores.agregar({e.descripcion(), e.numero(), nombre(), {}});
            return;
        }
        SentenciaPropia st(h);
        QString texto = sql;
        SQLRETURN rc = SQLExecDirectW(st.get(), Ancho(texto), static_cast<SQLINTEGER>(texto.size()));
        // SQL Server corre el lote entero y deja los errores de cada sentencia en su resultado:
        // se recorren todos para anotar cada uno.
        for (int vueltas = 0; vueltas < 100000; ++vueltas) {
            if (rc == SQL_NO_DATA || rc == SQL_INVALID_HANDLE || rc == SQL_STILL_EXECUTING ||
                rc == SQL_NEED_DATA)
                break;
            if (rc == SQL_ERROR || rc == SQL_SUCCESS_WITH_INFO) {
                const auto registros = LeerDiagnosticos(SQL_HANDLE_STMT, st.get(), nombre());
                // De una llamada que salió bien sólo cuentan los errores, no los avisos (PRINT,
                // cambio de base); de una que falló, todos sus registros.
                for (const auto& r : registros) {
                    if (rc == SQL_ERROR || !EsAviso(r)) errores.agregar(r);
                }
                if (rc == SQL_ERROR && registros.empty()) {
                    errores.agregar(
                        {QStringLiteral("La sentencia falló sin que el controlador diga por qué."),
                         Errores::ProveedorFallo,
                         nombre(),
                         {}});
                    break;
                }
            }
            rc = SQLMoreResults(st.get());
            // Tras una falla sin más resultados, algunos controladores contestan "fuera de
            // secuencia" (HY010): no es otro error de la sentencia.
            if (rc == SQL_ERROR) {
                const auto registros = LeerDiagnosticos(SQL_HANDLE_STMT, st.get(), nombre());
                if (registros.empty() || registros.front().estadoSql == QLatin1String("HY010")) break;
            }
        }
    }

    void empezarTransaccion() override {
        exigirAbierta();
        enlace_->fijarAutoconfirmar(false);
    }
    void confirmarTransaccion() override { terminar(true); }
    void deshacerTransaccion() override { terminar(false); }

    void fijarTiempoEspera(int segundos) override {
        tiempoEspera_ = segundos;
        if (enlace_) enlace_->fijarTiempoEspera(segundos);
    }

    void fijarAislamiento(int nivel) override {
        aislamiento_ = nivel;
        if (!enlace_) return;
        SQLULEN valor = 0;
        switch (nivel) {
            case 256:
                valor = SQL_TXN_READ_UNCOMMITTED;
                break;
            case 4096:
                valor = SQL_TXN_READ_COMMITTED;
                break;
            case 65536:
                valor = SQL_TXN_REPEATABLE_READ;
                break;
            case 1048576:
                valor = SQL_TXN_SERIALIZABLE;
                break;
            default:
                return;  // sin equivalente: queda el del servidor
        }
        enlace_->liberarCursores();
        // Un controlador que no ofrece ese nivel sigue con el suyo: el arranque no se detiene por eso.
        SQLSetConnectAttrW(enlace_->conexion(), SQL_ATTR_TXN_ISOLATION, reinterpret_cast<SQLPOINTER>(valor),
                           SQL_IS_UINTEGER);
    }

    std::vector<ErrorAdo> tomarDiagnosticos() override { return std::exchange(pendientes_, {}); }

  private:
    void exigirAbierta() const {
        if (!enlace_)
            throw ErrorEjecucion(Errores::ConexionCerrada,
                                 QStringLiteral("La conexión ODBC no está abierta."), nombre());
    }

    [[noreturn]] void fallarConsulta(SQLHSTMT st) {
        pendientes_ = LeerDiagnosticos(SQL_HANDLE_STMT, st, nombre());
        if (pendientes_.empty()) {
            throw ErrorEjecucion(Errores::ProveedorFallo,
                                 QStringLiteral("La consulta falló sin que el controlador diga por qué."),
                                 nombre());
        }
        const ErrorAdo& primero = pendientes_.front();
        throw ErrorEjecucion(primero.nativo != 0 ? primero.nativo : Errores::ProveedorFallo,
                             primero.descripcion, nombre());
    }

    void terminar(bool confirmar) {
        exigirAbierta();
        enlace_->terminarTransaccion(confirmar);
        enlace_->fijarAutoconfirmar(true);
    }

    bool EsSqlServer() const {
        SQLWCHAR motor[256] = {};
        SQLSMALLINT largo = 0;
        if (!SQL_SUCCEEDED(SQLGetInfoW(enlace_->conexion(), SQL_DBMS_NAME, motor, sizeof motor, &largo)))
            return false;
        return DeAncho(motor, std::clamp<qsizetype>(largo / 2, 0, 255))
            .contains(QLatin1String("SQL Server"), Qt::CaseInsensitive);
    }

    std::shared_ptr<EnlaceOdbc> enlace_;
    std::vector<ErrorAdo> pendientes_;
    int tiempoEspera_ = 30;
    int aislamiento_ = 0;
};

}  // namespace

std::unique_ptr<Proveedor> CrearProveedorOdbc() { return std::make_unique<ProveedorOdbc>(); }
