#pragma once
#include <QString>

// Lee una clave de la entrada estándar: en una terminal, sin eco y después de mostrar el
// pedido por la salida de errores; si no, una línea (sin su fin de línea). Lanza ErrorEjecucion
// si la entrada se terminó antes de una línea.
QString LeerClave(const QString& pedido);
