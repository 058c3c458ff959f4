#pragma once
#include <QString>
#include <cstdint>
#include <functional>

class Dll_Datos;

// Una transmisión de la suite como la lista "Consultar": número, quién la envió, fecha y hora (los
// textos tal como los da la base) y si se anuló.
struct TransmisionListada {
    QString numero;
    QString usuario;
    QString fechaHora;  // "fecha hora"
    bool anulada = false;
};

// Las transmisiones de garantías (TIPO 'S'), la más nueva primero; dentro del mismo minuto (la
// hora se guarda sin segundos), la de número mayor. Llama a "cada" con cada una, en orden, mientras
// la lectura sigue abierta (quien lista puede mostrar el avance). Lanza ErrorEjecucion si la base
// falla; lo ya entregado queda entregado.
void ListarTransmisiones(Dll_Datos& datos, const std::function<void(const TransmisionListada&)>& cada);

// Si hay un registro de esa transmisión (una transmisión sin filas existe igual). Lanza
// ErrorEjecucion si la base falla.
bool ExisteTransmision(Dll_Datos& datos, int64_t numero);
