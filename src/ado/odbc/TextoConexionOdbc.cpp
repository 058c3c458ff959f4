#include "ado/odbc/TextoConexionOdbc.h"

#include <QRegularExpression>

#include "ado/Proveedores.h"
#include "platform/ErrorEjecucion.h"

namespace {
QString Par(const char* clave, const QString& valor) {
    return QLatin1String(clave) + '=' + TextoConexion::Llaves(valor) + ';';
}

bool Es(const QString& valor, const char* pieza) {
    return valor.contains(QLatin1String(pieza), Qt::CaseInsensitive);
}

// Cómo se nombra un texto genérico en los mensajes: su servidor, su DSN o su controlador, y su
// base; nunca la clave.
QString DescripcionGenerica(const TextoConexion& texto) {
    const QString controlador = texto.valor(QStringLiteral("Driver"));
    QString servidor = texto.valor(QStringLiteral("Server"));
    QString d;
    if (!servidor.isEmpty()) {
        if (texto.tiene(QStringLiteral("Port"))) servidor += ':' + texto.valor(QStringLiteral("Port"));
        const bool sqlServer = Es(controlador, "FreeTDS") || Es(controlador, "SQL Server");
        d = QStringLiteral("el servidor %1\"%2\"")
                .arg(sqlServer ? QStringLiteral("SQL Server ") : QString(), servidor);
    } else if (texto.tiene(QStringLiteral("DSN"))) {
        d = QStringLiteral("el origen ODBC \"%1\"").arg(texto.valor(QStringLiteral("DSN")));
    } else {
        d = QStringLiteral("el controlador ODBC \"%1\"").arg(controlador);
    }
    const QString base = texto.valor(QStringLiteral("Database"));
    if (!base.isEmpty()) d += QStringLiteral(" (base \"%1\")").arg(base);
    return d;
}
}  // namespace

ServidorSqlServer PartesDeServidor(const QString& servidor) {
    const QString s = servidor.trimmed();
    ServidorSqlServer partes;
    // "equipo\INSTANCIA,1500": el puerto va aparte también con una instancia.
    static const QRegularExpression conPuerto(QStringLiteral(R"(^(.*?)\s*[:,]\s*(\d+)$)"));
    const auto m = conPuerto.match(s);
    const QString sinPuerto = m.hasMatch() ? m.captured(1) : s;
    if (m.hasMatch()) partes.puerto = m.captured(2);
    const qsizetype barra = sinPuerto.indexOf('\\');
    if (barra >= 0) {
        partes.equipo = sinPuerto.left(barra).trimmed();
        partes.instancia = sinPuerto.mid(barra + 1).trimmed();
    } else {
        partes.equipo = sinPuerto;
    }
    return partes;
}

QString TextoConexionSqlServer(const QString& servidor, const QString& base, const QString& usuario,
                               const QString& clave) {
    // FreeTDS 1.3 termina un valor entre llaves en la primera "}" seguida de ";", así que una "}"
    // dentro de un valor podría cambiar otras claves del texto: se rechaza con un mensaje claro.
    const std::pair<const char*, const QString*> valores[] = {
        {"el servidor", &servidor}, {"la base", &base}, {"el usuario", &usuario}, {"la clave", &clave}};
    for (const auto& [que, valor] : valores) {
        if (valor->contains('}')) {
            throw ErrorEjecucion(
                Errores::ProveedorFallo,
                QStringLiteral("No se puede conectar con SQL Server: %1 contiene \"}\", que el controlador "
                               "FreeTDS no sabe recibir. Cámbielo por uno sin \"}\".")
                    .arg(QLatin1String(que)),
                QStringLiteral("Proveedor ODBC"));
        }
    }
    const ServidorSqlServer partes = PartesDeServidor(servidor);
    // FreeTDS toma la instancia con nombre dentro de Server ("equipo\INSTANCIA") y la busca por
    // el servicio de nombres de SQL Server (UDP 1434). Con un puerto dado, se conecta a ese
    // puerto y no pregunta por la instancia.
    QString texto = QStringLiteral("DRIVER={FreeTDS};");
    texto += Par("Server", partes.instancia.isEmpty() || !partes.puerto.isEmpty()
                               ? partes.equipo
                               : partes.equipo + '\\' + partes.instancia);
    if (!partes.puerto.isEmpty()) texto += Par("Port", partes.puerto);
    if (!base.trimmed().isEmpty()) texto += Par("Database", base.trimmed());
    // Sin usuario no hay a quién presentar: FreeTDS en Linux no tiene la seguridad integrada de
    // Windows, así que se deja que el servidor rechace el ingreso con su propio mensaje.
    if (!usuario.trimmed().isEmpty()) {
        texto += Par("UID", usuario);
        texto += Par("PWD", clave);
    }
    // 7.3: SQL Server 2008 en adelante (tipos date y time). UTF-8 para que los acentos viajen.
    texto += Par("TDS_Version", QStringLiteral("7.3"));
    texto += Par("ClientCharset", QStringLiteral("UTF-8"));
    return texto;
}

DestinoOdbc DestinoDe(const TextoConexion& texto, const QStringList& controladores) {
    const QString proveedor = texto.valor(QStringLiteral("Provider"));
    if (Es(proveedor, "SQLOLEDB")) {
        const QString servidor = texto.valor(QStringLiteral("Server"));
        const QString base = texto.valor(QStringLiteral("Database"));
        return {TextoConexionSqlServer(servidor, base, texto.valor(QStringLiteral("UId")),
                                       texto.valor(QStringLiteral("Pwd"))),
                QStringLiteral("el servidor SQL Server \"%1\" (base \"%2\")").arg(servidor, base)};
    }
    if (Es(proveedor, "OraOLEDB")) {
        const QString origen = texto.valor(QStringLiteral("Data Source"));
        const QString descripcion = QStringLiteral("el origen Oracle \"%1\"").arg(origen);
        for (const QString& c : controladores) {
            if (!Es(c, "Oracle")) continue;
            return {QStringLiteral("DRIVER=") + TextoConexion::Llaves(c) + ';' + Par("DBQ", origen) +
                        Par("UID", texto.valor(QStringLiteral("User Id"))) +
                        Par("PWD", texto.valor(QStringLiteral("Password"))),
                    descripcion};
        }
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            QStringLiteral("No hay un controlador ODBC de Oracle instalado en este equipo: no se puede "
                           "abrir %1. Instale el controlador ODBC de Oracle (Instant Client) y regístrelo "
                           "con odbcinst.")
                .arg(descripcion),
            QStringLiteral("Proveedor ODBC"));
    }
    return {texto.texto(), DescripcionGenerica(texto)};
}
