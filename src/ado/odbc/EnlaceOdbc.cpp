#include "ado/odbc/EnlaceOdbc.h"

#include <algorithm>

#include "ado/odbc/DiagnosticosOdbc.h"
#include "platform/ErrorEjecucion.h"

namespace {
// Una causa en castellano para las fallas de conexión más comunes, según su SQLSTATE.
QString CausaDeConexion(const std::vector<ErrorAdo>& registros) {
    for (const auto& r : registros) {
        const QString& e = r.estadoSql;
        // unixODBC avisa con 01000 "Can't open lib" cuando el controlador no está registrado o
        // su biblioteca falta.
        if (e == QLatin1String("IM002") || e == QLatin1String("IM003") ||
            r.descripcion.contains(QLatin1String("Can't open lib"))) {
            return QStringLiteral(
                "el controlador ODBC no está registrado en este equipo (odbcinst -q -d lista los "
                "registrados)");
        }
        if (e == QLatin1String("28000")) return QStringLiteral("el servidor rechazó el usuario o la clave");
        if (e == QLatin1String("HYT00") || e == QLatin1String("HYT01")) {
            return QStringLiteral("el servidor no contestó a tiempo");
        }
        if (e.startsWith(QLatin1String("08"))) {
            return QStringLiteral(
                "el servidor no responde o no existe (revise el nombre, el puerto y que acepte "
                "conexiones TCP)");
        }
    }
    return QStringLiteral("la conexión fue rechazada");
}
}  // namespace

EnlaceOdbc::~EnlaceOdbc() {
    if (dbc_) {
        if (conectada_) {
            // Con una transacción abierta SQLDisconnect se niega: lo que no se confirmó se deshace.
            if (manual_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
            SQLDisconnect(dbc_);
        }
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void EnlaceOdbc::crearEntorno() {
    if (env_) return;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
        env_ = SQL_NULL_HENV;
        throw ErrorEjecucion(Errores::ProveedorFallo,
                             QStringLiteral("No se pudo iniciar el administrador de controladores ODBC."),
                             origen_);
    }
    if (!SQL_SUCCEEDED(
            SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {
        fallar(SQL_HANDLE_ENV, env_, QStringLiteral("No se pudo iniciar ODBC 3"));
    }
}

QStringList EnlaceOdbc::controladores() const {
    QStringList nombres;
    SQLWCHAR nombre[512];
    SQLWCHAR atributos[2048];
    SQLSMALLINT largoNombre = 0, largoAtributos = 0;
    SQLUSMALLINT direccion = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(
        SQLDriversW(env_, direccion, nombre, 512, &largoNombre, atributos, 2048, &largoAtributos))) {
        nombres << DeAncho(nombre, std::clamp<qsizetype>(largoNombre, 0, 511));
        direccion = SQL_FETCH_NEXT;
    }
    return nombres;
}

void EnlaceOdbc::conectar(const QString& texto, const QString& descripcion, int segundosIngreso) {
    crearEntorno();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
        dbc_ = SQL_NULL_HDBC;
        fallar(SQL_HANDLE_ENV, env_,
               QStringLiteral("No se pudo preparar la conexión con %1").arg(descripcion));
    }
    // Un servidor que no contesta no debe dejar el arranque colgado: el ingreso espera poco. Un
    // controlador que no conoce estos atributos sigue con los suyos.
    const auto segundos = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(segundosIngreso));
    SQLSetConnectAttrW(dbc_, SQL_ATTR_LOGIN_TIMEOUT, segundos, SQL_IS_UINTEGER);
    SQLSetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_TIMEOUT, segundos, SQL_IS_UINTEGER);
    QString copia = texto;
    SQLWCHAR salida[1024];
    SQLSMALLINT largoSalida = 0;
    const SQLRETURN rc =
        SQLDriverConnectW(dbc_, nullptr, Ancho(copia), static_cast<SQLSMALLINT>(copia.size()), salida, 1024,
                          &largoSalida, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        const auto registros = LeerDiagnosticos(SQL_HANDLE_DBC, dbc_, origen_);
        QString d =
            QStringLiteral("No se pudo conectar con %1: %2.").arg(descripcion, CausaDeConexion(registros));
        const QString detalle = TextoDeRegistros(registros);
        if (!detalle.isEmpty()) d += QStringLiteral(" Detalle: ") + detalle;
        throw ErrorEjecucion(NumeroDeFalla(registros), d, origen_);
    }
    conectada_ = true;
}

SQLHSTMT EnlaceOdbc::nuevaSentencia() {
    liberarCursores();
    SQLHSTMT st = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st))) {
        fallar(SQL_HANDLE_DBC, dbc_, QStringLiteral("No se pudo preparar la sentencia"));
    }
    // Igual que con la conexión: un controlador que no lo admite sigue sin límite.
    SQLSetStmtAttrW(st, SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(tiempoEspera_, 0))),
                    SQL_IS_UINTEGER);
    return st;
}

void EnlaceOdbc::registrar(CursorOdbc* cursor) { cursores_.push_back(cursor); }

void EnlaceOdbc::retirar(CursorOdbc* cursor) { std::erase(cursores_, cursor); }

void EnlaceOdbc::liberarCursores() {
    // retener() retira el cursor de la lista: se recorre una copia.
    const auto abiertos = cursores_;
    for (CursorOdbc* c : abiertos) c->retener();
}

void EnlaceOdbc::fijarAutoconfirmar(bool si) {
    liberarCursores();
    const auto valor =
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(si ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF));
    if (!SQL_SUCCEEDED(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT, valor, SQL_IS_UINTEGER))) {
        if (si) {
            // Sin volver a confirmar cada sentencia, todo lo que siga quedaría en una transacción
            // que nadie confirma: la conexión no se usa más y la próxima operación reconecta.
            perdida_ = true;
            manual_ = false;
        }
        fallar(SQL_HANDLE_DBC, dbc_,
               si ? QStringLiteral("No se pudo volver a confirmar cada sentencia")
                  : QStringLiteral("No se pudo empezar la transacción"));
    }
    manual_ = !si;
}

bool EnlaceOdbc::terminarTransaccion(bool confirmar) {
    liberarCursores();
    contarIda();
    if (SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, confirmar ? SQL_COMMIT : SQL_ROLLBACK))) return true;
    const auto registros = diagnosticos(SQL_HANDLE_DBC, dbc_);
    const bool sinTransaccion =
        std::any_of(registros.begin(), registros.end(), FallasMotor::EsSinTransaccion);
    // El servidor ya la había terminado (la deshizo por un bloqueo mutuo, por un error que
    // termina la transacción, o una sentencia ROLLBACK): deshacerla otra vez no es una falla.
    if (sinTransaccion && !confirmar) return false;
    QString d;
    int32_t numero = NumeroDeFalla(registros);
    if (sinTransaccion) {
        numero = FallasMotor::ConfirmarSinTransaccion;
        d = QStringLiteral(
            "No se pudo confirmar: el servidor ya había deshecho la transacción (por ejemplo, al elegir "
            "esta estación como víctima de un bloqueo mutuo), así que lo hecho en ella no quedó guardado.");
    } else {
        const QString detalle = TextoDeRegistros(registros);
        d = (confirmar ? QStringLiteral("No se pudo confirmar la transacción")
                       : QStringLiteral("No se pudo deshacer la transacción")) +
            (detalle.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + detalle);
    }
    throw ErrorEjecucion(numero, d, origen_);
}

std::vector<ErrorAdo> EnlaceOdbc::diagnosticos(SQLSMALLINT tipo, SQLHANDLE handle) {
    auto registros = LeerDiagnosticos(tipo, handle, origen_);
    const auto corte = std::find_if(registros.begin(), registros.end(), FallasMotor::EsPerdidaDeConexion);
    if (corte != registros.end() && !perdida_) {
        perdida_ = true;
        // Se dice una vez, en la primera entrada: es la que el operador lee.
        registros.front().descripcion =
            QStringLiteral(
                "Se perdió la conexión con el servidor (%1). La próxima operación vuelve a conectar.")
                .arg(corte->descripcion);
    }
    return registros;
}

void EnlaceOdbc::fallar(SQLSMALLINT tipo, SQLHANDLE handle, const QString& contexto) {
    const auto registros = diagnosticos(tipo, handle);
    const QString detalle = TextoDeRegistros(registros);
    QString d;
    if (contexto.isEmpty())
        d = detalle.isEmpty() ? QStringLiteral("El controlador ODBC informó una falla sin descripción.")
                              : detalle;
    else
        d = detalle.isEmpty() ? contexto + '.' : contexto + QStringLiteral(": ") + detalle;
    throw ErrorEjecucion(NumeroDeFalla(registros), d, origen_);
}
