#pragma once
#include <QString>
#include <optional>

class Conexion;

// Antes de tomar la transmisión, la importación pasa una vez por el origen entero (ver
// Proveedor::examinarTabla): lo que decide vale para toda la lectura, y un origen mal formado se
// rechaza antes de escribir nada. Devuelve la descripción de la falla, o nada si se puede leer.
// Con la conexión cerrada no hay nada que examinar (la lectura dará su propia falla).
std::optional<QString> ExaminarOrigenEntero(Conexion& origen, const QString& tabla);
