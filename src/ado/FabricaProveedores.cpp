#include <QFile>
#include <QFileInfo>

#include "ado/Proveedores.h"

namespace {
bool Contiene(const QString& texto, const char* pieza) {
    return texto.contains(QLatin1String(pieza), Qt::CaseInsensitive);
}

// Un libro de Excel se lee por lo que es, no por su extensión: un .xls que en realidad es un
// .xlsx (o al revés) se abre igual.
std::unique_ptr<Proveedor> ProveedorExcel(const TextoConexion& texto) {
    const QString ruta = texto.valor(QStringLiteral("Dbq"));
    QFile archivo(ruta);
    if (archivo.open(QIODevice::ReadOnly)) {
        const QByteArray firma = archivo.read(8);
        if (firma.startsWith("PK\x03\x04")) return CrearProveedorXlsx();
        if (firma.startsWith("\xD0\xCF\x11\xE0")) return CrearProveedorXls();
    }
    if (QFileInfo(ruta).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0) return CrearProveedorXlsx();
    return CrearProveedorXls();
}
}  // namespace

QString TextoConexionSuite(const QString& archivo) {
    return QStringLiteral("Provider=GarantiasSQLite;Data Source=") + TextoConexion::Llaves(archivo) + ';';
}

std::unique_ptr<Proveedor> CrearProveedor(const TextoConexion& texto) {
    const QString& t = texto.texto();
    const QString proveedor = texto.valor(QStringLiteral("Provider"));
    const QString driver = texto.valor(QStringLiteral("Driver"));
    if (proveedor.compare(QLatin1String("GarantiasSQLite"), Qt::CaseInsensitive) == 0) return CrearProveedorSuite();
    if (Contiene(driver, "Microsoft Text Driver")) return CrearProveedorTexto();
    if (Contiene(driver, "SQLite3 ODBC Driver") && !Contiene(t, "Dialecto=")) return CrearProveedorSqlite();
    if (Contiene(driver, "Microsoft Excel Driver")) return ProveedorExcel(texto);
    if (Contiene(proveedor, "vfpoledb")) return CrearProveedorDbase();
    if (Contiene(proveedor, "Microsoft.Jet.OLEDB")) return CrearProveedorAccess();
    if (Contiene(proveedor, "SQLOLEDB") || Contiene(proveedor, "OraOLEDB") || !driver.isEmpty() ||
        texto.tiene(QStringLiteral("DSN"))) {
        return CrearProveedorOdbc();
    }
    return nullptr;
}
