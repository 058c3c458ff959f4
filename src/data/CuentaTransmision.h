#pragma once
#include <cstdint>

class Dll_Datos;

// Cuántas filas de AUX_GARANTIA tiene la transmisión, contadas en la base (no lo que una corrida
// cree haber escrito). Lanza ErrorEjecucion si la base no contesta.
int64_t FilasDeTransmision(Dll_Datos& datos, int32_t numero);
