#pragma once
#include <QString>

// Reglas del archivo de origen que comparten la ventana de importación y la línea de comandos:
// qué texto de conexión abre cada clase de archivo y qué nombres de tablas se listan.

// El texto de conexión para la ruta, según su extensión (sin distinguir mayúsculas): txt y csv
// abren la carpeta con el controlador de texto; db, xls, xlsx y mdb el archivo; dbf la carpeta
// terminada en "/". Vacío para cualquier otra extensión (no se abre nada).
QString TextoConexionOrigen(const QString& ruta);

// Si el nombre que informa el proveedor entra en la lista de tablas (sin blancos alrededor):
// de un xls sólo las hojas (nombres con "$"); de un mdb todo lo que no empiece con "mSys" (sin
// distinguir mayúsculas); de las demás clases, todo.
bool PasaFiltroTablas(const QString& extension, const QString& nombre);

// El nombre del archivo hasta su primer ".", sin él ("datos.2024.csv" da "datos"). Si se da una
// ruta, se toma sólo el nombre del archivo.
QString NombreBase(const QString& archivo);

// La extensión de la ruta, sin el punto ("csv"); vacía si no tiene.
QString ExtensionOrigen(const QString& ruta);
