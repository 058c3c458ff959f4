#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <optional>

#include "ado/Proveedores.h"
#include "ado/odbc/DiagnosticosOdbc.h"
#include "ado/odbc/EnlaceOdbc.h"
#include "ado/odbc/FuenteOdbc.h"
#include "ado/odbc/TextoConexionOdbc.h"
#include "ado/odbc/TraduccionOdbc.h"
#include "ado/odbc/ValoresOdbc.h"
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

TraduccionOdbc& Traduccion() {
    static TraduccionOdbc t;
    return t;
}

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

// Recorre los resultados de una sentencia ya corrida (rc): anota en errores cada error (de una
// llamada que salió bien, sólo los errores; de una que falló, todos sus registros), suma en filas
// las filas cambiadas y guarda en primeraColumna los valores de la primera columna de los
// resultados con filas. SQL Server corre el lote entero y deja los errores de cada sentencia en
// su resultado: se recorren todos.
void RecorrerResultados(EnlaceOdbc& enlace, SQLHSTMT st, SQLRETURN rc, ListaErrores& errores, int64_t* filas,
                        std::vector<QVariant>* primeraColumna, bool* contada = nullptr) {
    for (int vueltas = 0; vueltas < 100000; ++vueltas) {
        // SQL_NO_DATA de la sentencia misma: el controlador dice que no cambió ninguna fila.
        if (rc == SQL_NO_DATA && vueltas == 0 && contada) {
            SQLLEN n = -1;
            *contada = SQL_SUCCEEDED(SQLRowCount(st, &n)) && n >= 0;
        }
        if (rc == SQL_NO_DATA || rc == SQL_INVALID_HANDLE || rc == SQL_STILL_EXECUTING || rc == SQL_NEED_DATA)
            break;
        if (rc == SQL_ERROR || rc == SQL_SUCCESS_WITH_INFO) {
            const auto registros = enlace.diagnosticos(SQL_HANDLE_STMT, st);
            for (const auto& r : registros) {
                if (rc == SQL_ERROR || !EsAviso(r)) errores.agregar(r);
            }
            if (rc == SQL_ERROR && registros.empty()) {
                errores.agregar({QStringLiteral("La sentencia falló sin que el controlador diga por qué."),
                                 Errores::ProveedorFallo,
                                 enlace.origen(),
                                 {}});
                break;
            }
            if (enlace.perdida()) break;
        }
        if (SQL_SUCCEEDED(rc)) {
            SQLSMALLINT columnas = 0;
            if (SQL_SUCCEEDED(SQLNumResultCols(st, &columnas)) && columnas > 0) {
                if (primeraColumna) {
                    ColumnaOdbc columna{QString(), SQL_WVARCHAR, 0, 0};
                    try {
                        columna = DescribirColumnas(st, enlace.origen()).at(0);
                    } catch (...) {
                    }
                    SQLRETURN f;
                    while (SQL_SUCCEEDED(f = SQLFetch(st))) {
                        try {
                            primeraColumna->push_back(LeerValorOdbc(st, 1, columna, enlace.origen()));
                        } catch (const ErrorEjecucion& e) {
                            errores.agregar({e.descripcion(), e.numero(), enlace.origen(), {}});
                            break;
                        }
                    }
                    if (f == SQL_ERROR) {
                        for (auto& r : enlace.diagnosticos(SQL_HANDLE_STMT, st))
                            errores.agregar(std::move(r));
                    }
                }
            } else if (filas) {
                SQLLEN n = -1;
                if (SQL_SUCCEEDED(SQLRowCount(st, &n)) && n > 0) *filas += n;
                if (contada && n >= 0) *contada = true;
            }
        }
        rc = SQLMoreResults(st);
        // Tras una falla sin más resultados, algunos controladores contestan "fuera de
        // secuencia" (HY010): no es otro error de la sentencia.
        if (rc == SQL_ERROR) {
            const auto registros = LeerDiagnosticos(SQL_HANDLE_STMT, st, enlace.origen());
            if (registros.empty() || registros.front().estadoSql == QLatin1String("HY010")) break;
        }
    }
}

// Una sentencia preparada de verdad (SQLPrepare una vez, valores ligados en cada corrida): las
// filas cambiadas son las que el motor informa (SQLRowCount), no una suposición.
class SentenciaOdbc : public SentenciaPreparada {
  public:
    SentenciaOdbc(std::shared_ptr<EnlaceOdbc> enlace, QString sql)
        : enlace_(std::move(enlace)), sql_(std::move(sql)) {}
    ~SentenciaOdbc() override {
        if (st_) SQLFreeHandle(SQL_HANDLE_STMT, st_);
    }

    int64_t ejecutar(const std::vector<QVariant>& valores, ListaErrores& errores) override {
        resultado_.clear();
        if (enlace_->perdida()) {
            errores.agregar(
                {QStringLiteral(
                     "La sentencia era de una conexión que se perdió: hay que prepararla de nuevo."),
                 Errores::ConexionCerrada,
                 enlace_->origen(),
                 {}});
            return -1;
        }
        if (!preparar(errores)) return -1;
        enlace_->liberarCursores();
        SQLFreeStmt(st_, SQL_CLOSE);
        std::vector<ParametroOdbc> parametros;
        parametros.reserve(valores.size());
        for (const QVariant& v : valores) parametros.emplace_back(v, ColumnaOdbc{});
        // Ligar de nuevo hace que el controlador prepare la sentencia otra vez (FreeTDS manda
        // sp_unprepare y sp_prepexec): con la misma declaración, los valores van a los búferes ya
        // ligados. Sólo un valor más largo que su búfer, o de otro tipo, vuelve a ligar.
        bool religar = ligados_.size() != parametros.size();
        for (std::size_t k = 0; !religar && k < parametros.size(); ++k)
            religar = !ligados_[k].tomarValor(parametros[k]);
        if (religar && !religarTodos(std::move(parametros), errores)) return -1;
        const int antes = errores.Count();
        enlace_->contarIda();
        const SQLRETURN rc = SQLExecute(st_);
        int64_t filas = 0;
        contada_ = false;
        RecorrerResultados(*enlace_, st_, rc, errores, &filas, &resultado_, &contada_);
        SQLFreeStmt(st_, SQL_CLOSE);
        return errores.Count() > antes ? -1 : filas;
    }

    std::vector<QVariant> resultado() const override { return resultado_; }
    bool sinCuenta() const override { return !contada_ && resultado_.empty(); }

  private:
    // Liga los parámetros, cada uno con lugar para valores del doble de largo (al menos 256
    // bytes), así los valores siguientes caben casi siempre sin volver a ligar.
    bool religarTodos(std::vector<ParametroOdbc> parametros, ListaErrores& errores) {
        SQLFreeStmt(st_, SQL_RESET_PARAMS);
        ligados_ = std::move(parametros);
        for (std::size_t k = 0; k < ligados_.size(); ++k) {
            ligados_[k].reservar(std::max<qsizetype>(256, 2 * ligados_[k].bytes()));
            if (!SQL_SUCCEEDED(ligados_[k].ligar(st_, static_cast<SQLUSMALLINT>(k + 1)))) {
                for (auto& r : enlace_->diagnosticos(SQL_HANDLE_STMT, st_)) errores.agregar(std::move(r));
                if (errores.vacia())
                    errores.agregar(
                        {QStringLiteral("No se pudo pasar el valor %1 a la sentencia.").arg(k + 1),
                         Errores::ProveedorFallo,
                         enlace_->origen(),
                         {}});
                SQLFreeStmt(st_, SQL_RESET_PARAMS);
                ligados_.clear();
                return false;
            }
        }
        return true;
    }

    bool preparar(ListaErrores& errores) {
        if (st_) return true;
        SQLHSTMT st = SQL_NULL_HSTMT;
        try {
            st = enlace_->nuevaSentencia();
        } catch (const ErrorEjecucion& e) {
            errores.agregar({e.descripcion(), e.numero(), enlace_->origen(), {}});
            return false;
        }
        QString texto = sql_;
        if (!SQL_SUCCEEDED(SQLPrepareW(st, Ancho(texto), static_cast<SQLINTEGER>(texto.size())))) {
            for (auto& r : enlace_->diagnosticos(SQL_HANDLE_STMT, st)) errores.agregar(std::move(r));
            if (errores.vacia())
                errores.agregar({QStringLiteral("El motor no aceptó la sentencia."),
                                 Errores::ProveedorFallo,
                                 enlace_->origen(),
                                 {}});
            SQLFreeHandle(SQL_HANDLE_STMT, st);
            return false;
        }
        st_ = st;
        return true;
    }

    std::shared_ptr<EnlaceOdbc> enlace_;
    QString sql_;
    SQLHSTMT st_ = SQL_NULL_HSTMT;
    std::vector<ParametroOdbc> ligados_;  // los ligados a st_: sus búferes no se mueven
    bool contada_ = false;                // la última corrida informó cuántas filas cambió
    std::vector<QVariant> resultado_;
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
        motor_ = LeerMotor();
        traduccion_ = Traduccion();
        // Lo que el controlador dice del motor al conectar decide la clase de base, una vez.
        motorBase_ = motor_.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive) ? MotorBase::SqlServer
                                                                                       : MotorBase::OtroOdbc;
        if (motorBase_ == MotorBase::SqlServer) {
            // Los literales de fecha del programa son dd/mm/yyyy (y dd/mm/yy). Cada sentencia
            // informa cuántas filas cambió, diga lo que diga la configuración del servidor: lo
            // que pasó con una fila se sabe por esa cuenta.
            ListaErrores errores;
            ejecutar(QStringLiteral("SET DATEFORMAT dmy; SET NOCOUNT OFF"), errores);
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
        motor_.clear();
        motorBase_ = MotorBase::Ninguno;
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
        QString texto = adaptar(sql);
        enlace_->contarIda();
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
        const QStringList sentencias = traduccion_.lote ? traduccion_.lote(sql) : QStringList{sql};
        for (const QString& s : sentencias) ejecutarUna(s, errores);
    }

    std::unique_ptr<SentenciaPreparada> preparar(const QString& sql) override {
        exigirAbierta();
        return std::make_unique<SentenciaOdbc>(enlace_, adaptar(sql));
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

    bool conexionPerdida() const override { return enlace_ && enlace_->perdida(); }
    QString motor() const override { return motor_; }
    MotorBase motorBase() const override { return motorBase_; }
    int64_t idasYVueltas() const override { return enlace_ ? enlace_->idas() : 0; }

  private:
    void exigirAbierta() const {
        if (!enlace_)
            throw ErrorEjecucion(Errores::ConexionCerrada,
                                 QStringLiteral("La conexión ODBC no está abierta."), nombre());
    }

    void ejecutarUna(QString texto, ListaErrores& errores) {
        SQLHSTMT h = SQL_NULL_HSTMT;
        try {
            h = enlace_->nuevaSentencia();
        } catch (const ErrorEjecucion& e) {
            errores.agregar({e.descripcion(), e.numero(), nombre(), {}});
            return;
        }
        SentenciaPropia st(h);
        enlace_->contarIda();
        const SQLRETURN rc = SQLExecDirectW(st.get(), Ancho(texto), static_cast<SQLINTEGER>(texto.size()));
        RecorrerResultados(*enlace_, st.get(), rc, errores, nullptr, nullptr);
    }

    QString adaptar(const QString& sql) const {
        return traduccion_.sentencia ? traduccion_.sentencia(sql) : sql;
    }

    [[noreturn]] void fallarConsulta(SQLHSTMT st) {
        pendientes_ = enlace_->diagnosticos(SQL_HANDLE_STMT, st);
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
        std::optional<ErrorEjecucion> falla;
        bool sinTransaccion = false;
        try {
            sinTransaccion = !enlace_->terminarTransaccion(confirmar);
        } catch (const ErrorEjecucion& e) {
            falla = e;
            sinTransaccion = e.numero() == FallasMotor::ConfirmarSinTransaccion;
        }
        // El servidor ya había terminado la transacción (la deshizo al elegir esta sesión como
        // víctima de un bloqueo mutuo, o por un error que la termina): el fin que se le pidió
        // contestó 3902/3903 y el controlador sigue en modo manual. FreeTDS vuelve a confirmar
        // cada sentencia mandando otro ROLLBACK, que fallaría igual y dejaría la conexión por
        // perdida. Se abre una transacción vacía para que ese ROLLBACK la deshaga: la conexión
        // sigue, con sus sentencias preparadas.
        if (sinTransaccion && motorBase_ == MotorBase::SqlServer && enlace_->manual() &&
            !enlace_->perdida()) {
            ListaErrores errores;
            ejecutarUna(QStringLiteral("IF @@TRANCOUNT = 0 BEGIN TRANSACTION"), errores);
        }
        // Aunque el fin haya fallado, se vuelve a confirmar cada sentencia; si ni eso se puede, el
        // enlace queda perdido y la próxima operación reconecta (nunca sigue en una transacción
        // que nadie va a confirmar).
        try {
            enlace_->fijarAutoconfirmar(true);
        } catch (const ErrorEjecucion& e) {
            // Deshacer ya dejó las cosas como se pidió: la conexión se reabre sin decir nada.
            if (!falla && confirmar) falla = e;
        }
        if (falla) throw *falla;
    }

    QString LeerMotor() const {
        SQLWCHAR motor[256] = {};
        SQLSMALLINT largo = 0;
        if (!SQL_SUCCEEDED(SQLGetInfoW(enlace_->conexion(), SQL_DBMS_NAME, motor, sizeof motor, &largo)))
            return {};
        return DeAncho(motor, std::clamp<qsizetype>(largo / 2, 0, 255));
    }

    std::shared_ptr<EnlaceOdbc> enlace_;
    QString motor_;
    MotorBase motorBase_ = MotorBase::Ninguno;
    TraduccionOdbc traduccion_;  // la fijada al abrir
    std::vector<ErrorAdo> pendientes_;
    int tiempoEspera_ = 30;
    int aislamiento_ = 0;
};

}  // namespace

std::unique_ptr<Proveedor> CrearProveedorOdbc() { return std::make_unique<ProveedorOdbc>(); }

void FijarTraduccionOdbc(TraduccionOdbc traduccion) { Traduccion() = std::move(traduccion); }
