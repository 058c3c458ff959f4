#include "import/OrigenArchivo.h"

#include <algorithm>

#include "data/Dll_Funciones.h"

namespace {
bool Es(const QString& extension, const char* clase) {
    return extension.compare(QLatin1String(clase), Qt::CaseInsensitive) == 0;
}
}  // namespace

QString ExtensionOrigen(const QString& ruta) {
    QString carpeta, archivo, extension;
    Dll_Funciones().SepararRuta(ruta, carpeta, archivo, extension);
    return extension;
}

QString TextoConexionOrigen(const QString& ruta) {
    const Dll_Funciones funciones;
    QString carpeta, archivo, extension;
    funciones.SepararRuta(ruta, carpeta, archivo, extension);
    // Los textos son los del programa, pieza por pieza: los proveedores los reconocen así.
    if (Es(extension, "txt") || Es(extension, "csv")) {
        return QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + carpeta + ';';
    }
    if (Es(extension, "db")) {
        return QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database=") + ruta +
               QStringLiteral(";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;");
    }
    if (Es(extension, "xls") || Es(extension, "xlsx")) {
        return QStringLiteral("Driver={Microsoft Excel Driver (*.xls)};DriverId=790;Dbq=") + ruta +
               QStringLiteral(";DefaultDir=") + carpeta + ';';
    }
    if (Es(extension, "dbf")) {
        return QStringLiteral("Provider=vfpoledb.1;Data Source=") + funciones.RutaConBarra(carpeta) +
               QStringLiteral(";Collating Sequence=general");
    }
    if (Es(extension, "mdb")) {
        // La clave va siempre vacía: nada entre "Password=" y el ";".
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + ruta +
               QStringLiteral(";Jet OLEDB:Database Password=") + QStringLiteral(";");
    }
    return {};
}

bool PasaFiltroTablas(const QString& extension, const QString& nombre) {
    const QString limpio = nombre.trimmed();
    if (Es(extension, "xls")) return limpio.contains('$');
    if (Es(extension, "mdb")) return limpio.left(4).compare(QLatin1String("mSys"), Qt::CaseInsensitive) != 0;
    return true;
}

QString NombreBase(const QString& archivo) {
    const qsizetype barra = std::max(archivo.lastIndexOf('/'), archivo.lastIndexOf('\\'));
    const QString nombre = archivo.mid(barra + 1);
    const qsizetype punto = nombre.indexOf('.');
    return punto >= 0 ? nombre.left(punto) : nombre;
}
