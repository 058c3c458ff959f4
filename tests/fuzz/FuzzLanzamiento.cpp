// Arnés de libFuzzer para la cadena de lanzamiento y lo que el inicio hace con sus valores: cada
// ficha, las reglas del servidor y el texto de conexión que se arma con ellos. Además de buscar
// caídas, comprueba que un valor escrito entre llaves vuelve entero del texto de conexión.
#include <cstdint>
#include <cstdlib>

#include "ado/Proveedores.h"
#include "ado/TextoConexion.h"
#include "platform/ErrorEjecucion.h"
#include "startup/ParametrosLanzamiento.h"
#include "startup/ReglasConexion.h"

namespace {
QString Ficha(const QString& cadena, const char* ficha) {
    try {
        return LeerFicha(cadena, QString::fromLatin1(ficha)).value_or(QString());
    } catch (const ErrorEjecucion&) {
        return {};
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QString cadena =
        QString::fromUtf8(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(largo));
    for (const char* f : {"@ParametroAdicional", "@Menu", "@UsuarioLogeado", "@Caja"}) Ficha(cadena, f);
    QString servidor = Ficha(cadena, "@Server");
    const QString base = Ficha(cadena, "@DbName");
    const QString usuario = Ficha(cadena, "@Usuario");
    const QString clave = Ficha(cadena, "@Password");
    QString textoOracle;
    AplicarMarcaPlataforma(servidor, textoOracle, base, usuario, clave);
    TextoConexion(textoOracle).valor(QStringLiteral("Data Source"));
    const QString normal = NormalizarServidor(servidor);
    // Un valor con "}" se rechaza con un mensaje (el controlador no lo recibiría entero).
    try {
        const TextoConexion sqlServer(TextoConexionSqlServer(normal, base, usuario, clave));
        sqlServer.valor(QStringLiteral("SERVER"));
    } catch (const ErrorEjecucion& e) {
        if (!e.descripcion().contains(QLatin1Char('}'))) std::abort();
    }

    // Cualquier valor entre llaves vuelve tal cual, y no mueve a la clave siguiente.
    const TextoConexion ida(QStringLiteral("A=") + TextoConexion::Llaves(cadena) + QStringLiteral(";B=1"));
    if (ida.valor(QStringLiteral("A")) != cadena || ida.valor(QStringLiteral("B")) != QLatin1String("1"))
        std::abort();
    // Y un texto cualquiera se lee sin caerse.
    TextoConexion(cadena).valor(QStringLiteral("Database"));
    return 0;
}
