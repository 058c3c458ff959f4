// Arnés de libFuzzer para el proveedor de bases de Access (.mdb, sobre libmdb): abrir, listar las
// tablas y leer cada una, como la vista previa y la importación. Una base dañada debe dar
// ErrorEjecucion, nunca una caída ni una lectura sin fin.
#include <cstdint>
#include <cstdlib>

#include "ArchivoTemporal.h"
#include "ado/Proveedores.h"
#include "platform/ErrorEjecucion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QByteArray bytes(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(largo));
    const QString ruta = EscribirTemporal(bytes, "mdb");
    auto proveedor = CrearProveedorAccess();
    try {
        proveedor->abrir(TextoConexion(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                       TextoConexion::Llaves(ruta) + u';'));
        const QStringList tablas = proveedor->tablas();
        for (qsizetype t = 0; t < tablas.size() && t < 8; ++t) {
            try {
                auto filas = proveedor->consultar(QStringLiteral("SELECT * FROM [%1]").arg(tablas[t]), false);
                for (int i = 0; i < filas->columnas(); ++i) filas->nombreColumna(i);
                std::vector<QVariant> fila;
                for (int n = 0; n < 1000 && filas->siguiente(fila); ++n) {
                    if (fila.size() != static_cast<std::size_t>(filas->columnas())) std::abort();
                }
            } catch (const ErrorEjecucion&) {
            }
        }
    } catch (const ErrorEjecucion&) {
    }
    proveedor->cerrar();
    return 0;
}
