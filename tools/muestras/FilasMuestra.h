#pragma once
#include <QDate>
#include <QString>
#include <vector>

// Las filas de los archivos de ejemplo, con los cinco campos en el orden en que el programa los
// toma: punto de venta (eca1), serie, modelo, factura (no se usa) y fecha de activación.
struct FilaMuestra {
    QString eca1;
    QString serie;  // vacía en una fila del csv: la importación la salta
    QString modelo;
    QString factura;
    QDate activacion;
};

// Los archivos de ejemplo, uno por clase. Siempre las mismas filas: volver a generarlos no cambia
// su contenido.
enum class ArchivoMuestra { Csv, Xlsx, Dbf, Db };

// Entre 25 y 30 filas. Algunas series se repiten de un archivo a otro, para que la segunda
// importación muestre series ya guardadas: el xlsx repite 2 del csv, el dbf 2 del xlsx y el db
// 2 del csv.
std::vector<FilaMuestra> FilasDe(ArchivoMuestra archivo);
