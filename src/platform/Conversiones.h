#pragma once
#include <QString>
#include <cstdint>

// Las conversiones de números de siempre del sistema.
namespace Conversiones {

// El número al principio del texto: blancos al comienzo y entre cifras se ignoran, "." es el
// separador decimal; sin número, 0 ("45abc" -> 45, " 1 2" -> 12, "x" -> 0).
double Val(const QString& texto);

// A entero de 16 o 32 bits redondeando las mitades al par; fuera de rango lanza
// ErrorEjecucion 6 (desbordamiento).
int16_t CInt(double valor);
int32_t CLng(double valor);

}  // namespace Conversiones
