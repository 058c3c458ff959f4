#pragma once
#include <QString>
#include <cstdint>
#include <optional>

#include "platform/ErrorEjecucion.h"

// Muestra la falla en un cuadro modal (por defecto Abortar, Reintentar, Omitir con el ícono de
// detención), agrega una línea a QZERR.LOG y devuelve la respuesta: 4 repetir el paso, 5 seguir
// con el siguiente, otra cosa abandonar. Una falla de número 0 devuelve 0 sin mostrar nada.
// Nunca lanza.
int16_t AvisoError(const ErrorEjecucion& error, std::optional<int> botones = std::nullopt,
                   std::optional<QString> rutina = std::nullopt);

// La ruta de QZERR.LOG: la carpeta de "tmp" si "temp" tiene valor (nombres sin distinguir
// mayúsculas), si no CarpetaPredeterminada del sistema.
QString RutaRegistroErrores();

// Un aviso que no detiene nada (por ejemplo, que la importación siguió con una sentencia por
// fila): una línea en QZERR.LOG y otra en la salida de errores, sin cuadro. Nunca lanza.
void AnotarAviso(const QString& texto);
