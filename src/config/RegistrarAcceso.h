#pragma once
#include <QString>

// Anota un inicio del programa en Control_Acceso: equipo, usuario, proceso, la tarea (entrada
// del menú) por la que el usuario tiene permiso al proceso, fecha y hora, y el nombre del
// usuario. formulario: el proceso a anotar; vacío, el nombre del ejecutable. Un Usuario vacío
// de la sesión toma el usuario de la base; la sesión pierde los apóstrofos de su Usuario (el
// constructor de sentencias los quita). No rechaza a nadie: sin tarea, la fila va con Tarea
// vacía. Toda falla se pasa por alto; un INSERT fallido lo informa GActualizarDatoScript.
void RegistrarAcceso(const QString& formulario);
