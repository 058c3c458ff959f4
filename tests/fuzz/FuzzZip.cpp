// Arnés de libFuzzer para los libros .xlsx enteros: el zip (directorio, partes comprimidas,
// tamaños declarados), el libro, las relaciones, los estilos, las cadenas compartidas y las hojas,
// por el mismo proveedor que usa el programa. Un libro dañado debe dar ErrorEjecucion.
#include <cstdint>
#include <cstdlib>

#include "ArchivoTemporal.h"
#include "ado/Proveedores.h"
#include "platform/ErrorEjecucion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QByteArray bytes(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(largo));
    const QString ruta = EscribirTemporal(bytes, "xlsx");
    auto proveedor = CrearProveedorXlsx();
    try {
        proveedor->abrir(
            TextoConexion(QStringLiteral("Driver={Microsoft Excel Driver (*.xls, *.xlsx)};Dbq=") +
                          TextoConexion::Llaves(ruta) + u';'));
        const QStringList hojas = proveedor->tablas();
        for (qsizetype h = 0; h < hojas.size() && h < 4; ++h) {
            try {
                auto filas = proveedor->consultar(QStringLiteral("SELECT * FROM [%1]").arg(hojas[h]), false);
                std::vector<QVariant> fila;
                for (int n = 0; n < 2000 && filas->siguiente(fila); ++n) {
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
