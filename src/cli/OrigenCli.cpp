#include "cli/OrigenCli.h"

#include <QFileInfo>

#include "ado/Conexion.h"
#include "import/OrigenArchivo.h"
#include "platform/ErrorEjecucion.h"

namespace {
bool Es(const QString& extension, const char* clase) {
    return extension.compare(QLatin1String(clase), Qt::CaseInsensitive) == 0;
}
}  // namespace

void AbrirOrigen(Conexion& conexion, const QString& ruta) {
    const QFileInfo info(ruta);
    if (!info.exists()) {
        throw ErrorEjecucion(Errores::ArgumentoInvalido,
                             QStringLiteral("no se encuentra el archivo \"%1\".").arg(ruta));
    }
    if (!info.isFile()) {
        throw ErrorEjecucion(Errores::ArgumentoInvalido,
                             QStringLiteral("\"%1\" no es un archivo.").arg(ruta));
    }
    // La ventana recibe rutas completas del diálogo; aquí pueden venir relativas.
    const QString texto = TextoConexionOrigen(info.absoluteFilePath());
    if (texto.isEmpty()) {
        throw ErrorEjecucion(
            Errores::ArgumentoInvalido,
            QStringLiteral("no se reconoce la clase de archivo de \"%1\" (extensión \"%2\"); se leen "
                           "archivos txt, csv, xls, xlsx, dbf, mdb y db.")
                .arg(ruta, info.suffix()));
    }
    conexion.Open(texto);
}

QStringList TablasOrigen(Conexion& conexion, const QString& ruta) {
    const QString extension = ExtensionOrigen(ruta);
    const QString base = NombreBase(ruta);
    QStringList tablas;
    if (Es(extension, "dbf")) {
        conexion.abrirRecordset(ConsultaOrigen(ruta, QString(), false))->Close();
        return {base};
    }
    auto esquema = conexion.OpenSchemaTablas();
    for (; !esquema->EOF_(); esquema->MoveNext()) {
        const QString nombre = esquema->Field(QStringLiteral("TABLE_NAME")).toString().trimmed();
        if (PasaFiltroTablas(extension, nombre)) tablas << nombre;
    }
    esquema->Close();
    if (Es(extension, "txt") || Es(extension, "csv")) tablas << base;
    return tablas;
}

QString ConsultaOrigen(const QString& ruta, const QString& tabla, bool tablaElegida) {
    if (!tablaElegida && Es(ExtensionOrigen(ruta), "dbf")) {
        return QStringLiteral("Select * from [") + NombreBase(ruta) + ']';
    }
    return QStringLiteral("SELECT * FROM [") + tabla + ']';
}

QString TablaPorDefecto(const QString& ruta, const QStringList& tablas) {
    const QFileInfo info(ruta);
    const QString extension = info.suffix().toLower();
    if (extension == QLatin1String("csv") || extension == QLatin1String("txt")) {
        const QString propia = info.completeBaseName() + '#' + info.suffix();
        for (const QString& t : tablas) {
            if (t.compare(propia, Qt::CaseInsensitive) == 0) return t;
        }
    }
    return tablas.value(0);
}
