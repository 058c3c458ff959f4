#pragma once
#include <QString>

// El acceso directo al programa en el escritorio del usuario: una entrada de escritorio XDG
// (".desktop") con el nombre del ejecutable, que lo ejecuta y lleva el ícono del programa.

// La carpeta del escritorio del usuario (QStandardPaths::DesktopLocation).
QString CarpetaEscritorio();
// El archivo del acceso directo: escritorio + "/" + nombre del ejecutable + ".desktop".
QString ArchivoAccesoDirecto();
// El ícono del programa, que se escribe en la carpeta de la aplicación cuando falta.
QString RutaIcono();
// El texto de la entrada de escritorio que apunta a ejecutable con el ícono dado.
QString TextoAccesoDirecto(const QString& ejecutable, const QString& icono);

// "Crear Acceso Directo": escribe (o sobrescribe) el acceso directo. No dice nada si sale bien;
// una falla (escritorio que no existe o no se puede escribir) va a AvisoError con "Click":
// Reintentar repite el paso, Omitir sigue con el siguiente, Abortar deja la acción.
void CrearAccesoDirecto();
