#pragma once
#include "platform/Rutina.h"

class Recordset;

class Conexion;

// La trampa de las operaciones sobre el archivo de origen (conectar, vista previa, importar):
// 3704 (objeto cerrado) salta el paso; 3705 (objeto abierto) cierra la conexión de origen y lo
// repite, si estaba abierta; un "Detener" pedido deja la operación sin preguntar; cualquier otra
// falla va a ManejarError y la respuesta del operador decide (4 repite, 5 salta, otra deja).
// origen: la conexión al archivo, prestada.
Respuesta TrampaOrigen(Conexion& origen, const ErrorEjecucion& error);

// Una lectura que el operador detuvo: cierra la lectura (si la hay) y el origen ya, sin esperar a
// la próxima operación. Nunca lanza.
void CerrarOrigenDetenido(Recordset* lectura, Conexion& origen);
