#pragma once
#include <QString>
#include <cstdint>
#include <vector>

// Un campo de texto con clave de la ventana ("Tabla", "ODBC", "SqlPrevio").
struct CampoClave {
    QString clave;
    QString texto;
};

// Búsqueda de un campo por su clave.
class Dll_Controles {
  public:
    // La posición del campo cuya clave es igual a la dada, sin distinguir mayúsculas. Una clave
    // que no está lanza ErrorEjecucion 5.
    int16_t IndiceControl(const QString& clave, const std::vector<CampoClave>& campos) const;
};
