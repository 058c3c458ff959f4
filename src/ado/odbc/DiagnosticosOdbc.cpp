#include "ado/odbc/DiagnosticosOdbc.h"

#include <QRegularExpression>

#include "platform/ErrorEjecucion.h"

namespace {
// "[unixODBC][FreeTDS][SQL Server]Texto" -> "Texto": el operador lee el mensaje del motor.
QString SinPrefijos(QString texto) {
    static const QRegularExpression prefijos(QStringLiteral(R"(^(\[[^\]]*\])+\s*)"));
    texto.remove(prefijos);
    return texto.trimmed();
}
}  // namespace

std::vector<ErrorAdo> LeerDiagnosticos(SQLSMALLINT tipo, SQLHANDLE handle, const QString& origen) {
    std::vector<ErrorAdo> registros;
    if (!handle) return registros;
    // Un tope alto: un controlador que nunca contesta SQL_NO_DATA no cuelga el programa.
    for (SQLSMALLINT i = 1; i <= 1000; ++i) {
        SQLWCHAR estado[6] = {};
        SQLINTEGER nativo = 0;
        std::vector<SQLWCHAR> texto(1024);
        SQLSMALLINT largo = 0;
        SQLRETURN rc = SQLGetDiagRecW(tipo, handle, i, estado, &nativo, texto.data(),
                                      static_cast<SQLSMALLINT>(texto.size()), &largo);
        if (rc == SQL_SUCCESS_WITH_INFO && largo >= static_cast<SQLSMALLINT>(texto.size())) {
            texto.resize(static_cast<std::size_t>(largo) + 1);
            rc = SQLGetDiagRecW(tipo, handle, i, estado, &nativo, texto.data(),
                                static_cast<SQLSMALLINT>(texto.size()), &largo);
        }
        if (!SQL_SUCCEEDED(rc)) break;  // SQL_NO_DATA: no hay más registros
        const qsizetype caracteres = std::min<qsizetype>(largo, static_cast<qsizetype>(texto.size()) - 1);
        ErrorAdo e{SinPrefijos(DeAncho(texto.data(), std::max<qsizetype>(caracteres, 0))), nativo, origen,
                   DeAncho(estado, 5)};
        // En la lista del programa un nativo 0 es un aviso: un error del administrador de
        // controladores (que no trae nativo) lleva el de la falla genérica del proveedor.
        if (e.nativo == 0 && !EsAviso(e)) e.nativo = Errores::ProveedorFallo;
        registros.push_back(std::move(e));
    }
    return registros;
}

bool EsAviso(const ErrorAdo& e) { return e.estadoSql.startsWith(QLatin1String("01")); }

int32_t NumeroDeFalla(const std::vector<ErrorAdo>& registros) {
    // El número del motor (20009 servidor inalcanzable, 18456 ingreso rechazado...) dice más que
    // el genérico que llevan los registros del administrador de controladores.
    for (const auto& r : registros) {
        if (r.nativo != 0 && r.nativo != Errores::ProveedorFallo) return r.nativo;
    }
    return Errores::ProveedorFallo;
}

QString TextoDeRegistros(const std::vector<ErrorAdo>& registros) {
    QStringList textos;
    for (const auto& r : registros) {
        if (!r.descripcion.isEmpty() && !textos.contains(r.descripcion)) textos << r.descripcion;
    }
    return textos.join(QStringLiteral(" / "));
}
