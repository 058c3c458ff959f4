#pragma once
#include <QString>
#include <cstdint>

// Lo que dejó una importación, para que el operador lo lea de un vistazo.
struct ResumenImportacion {
    int32_t transmision = 0;
    int64_t insertadas = 0;      // filas agregadas a AUX_GARANTIA
    int64_t yaGuardadas = 0;     // series que ya estaban guardadas
    int64_t sinSerie = 0;        // filas salteadas por no tener serie
    bool terminada = false;      // llegó a "Importación finalizada"

    QString texto() const;
};
