#include "ado/ClasesOrigen.h"
#include "ado/Proveedores.h"

QString TextoConexionSuite(const QString& archivo) {
    return QStringLiteral("Provider=GarantiasSQLite;Data Source=") + TextoConexion::Llaves(archivo) + ';';
}

std::unique_ptr<Proveedor> CrearProveedor(const TextoConexion& texto) {
    const QString proveedor = texto.valor(QStringLiteral("Provider"));
    if (proveedor.compare(QLatin1String("GarantiasSQLite"), Qt::CaseInsensitive) == 0)
        return CrearProveedorSuite();
    // Los archivos de origen: cada clase reconoce su propio texto.
    for (const ClaseOrigen* clase : ClasesOrigen()) {
        if (clase->reconoce(texto)) return clase->crearProveedor(texto);
    }
    // Lo demás es una base de datos por ODBC (SQL Server, Oracle...).
    auto contiene = [&](const char* pieza) {
        return proveedor.contains(QLatin1String(pieza), Qt::CaseInsensitive);
    };
    if (contiene("SQLOLEDB") || contiene("OraOLEDB") || !texto.valor(QStringLiteral("Driver")).isEmpty() ||
        texto.tiene(QStringLiteral("DSN"))) {
        return CrearProveedorOdbc();
    }
    return nullptr;
}
