#pragma once
#include <QString>

#include "cli/Argumentos.h"

// El inicio de la aplicación sin ventanas, con la cadena de lanzamiento de la ventana: la de
// --conexion o, si falta, la de la variable GARANTIAS_CONEXION. Sin conexión o con el ingreso
// rechazado, el proceso termina con un código distinto de 0 y el motivo en la salida de errores.
void IniciarSesionCli(const Argumentos& argumentos);
