#pragma once
#include <QString>
#include <cstdint>

// Graba una fila en la tabla de errores de la suite (AUX_ERR) por la conexión principal:
// Proceso (siempre el nombre del ejecutable), fecha local "dd/mm/yy hh:mm", Error, Descripcion
// cortada a 250, SQL entero, PC y Usuario de la sesión. proceso vacío vuelve con el nombre
// del ejecutable. Cada paso pasa por alto su falla: nunca lanza ni muestra nada.
void GrabarErrorTabla(const QString& sentencia, QString& proceso, int32_t numero, const QString& descripcion);
