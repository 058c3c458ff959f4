#pragma once
// Un archivo de proveedor de cada clase que el programa lee (csv, txt, xls, xlsx, dbf, mdb, db),
// con las mismas garantías, y lo que una importación a una base vacía deja en AUX_GARANTIA. Lo
// usan las pruebas de punta a punta de la ventana y de garantias-cli importar.
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>
#include <vector>

struct OrigenDePrueba {
    const char* clase;  // la extensión
    // Escribe el archivo en la carpeta (vacía, propia) y devuelve su ruta; vacía si no se puede
    // tener aquí (una muestra pública que falta).
    std::function<QString(const QString& carpeta)> escribir;
    // AUX_GARANTIA después de importarlo a una base vacía: "modelo|serie|nroTransmision|eca1|activacion".
    QStringList garantias;
    // La vista previa: la primera hoja o tabla, los títulos y la primera fila (separados por "|").
    const char* tabla;
    QString titulos;
    QString primera;
};

inline void PrintTo(const OrigenDePrueba& o, std::ostream* os) { *os << o.clase; }

const std::vector<OrigenDePrueba>& OrigenesDePrueba();
