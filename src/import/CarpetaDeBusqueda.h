#pragma once
#include <QString>

// Dónde abre el diálogo de "Buscar >>>". Una copia que corre desde su propia carpeta (desempaquetada
// junto a los archivos de los proveedores) abre en ella, como siempre. Una copia instalada tiene su
// ejecutable en una carpeta del sistema, llena de programas: abre en la última carpeta de la que
// este usuario eligió un archivo y, la primera vez o si esa carpeta ya no está, en su carpeta
// personal.
namespace CarpetaDeBusqueda {

// La carpeta donde empieza el diálogo. Termina en "/".
QString Inicial();

// El operador eligió este archivo: una copia instalada recuerda su carpeta para la próxima vez (en
// la carpeta de datos del usuario). No recordarla no es una falla: el diálogo abrirá en la carpeta
// personal.
void Recordar(const QString& archivoElegido);

// El archivo donde una copia instalada guarda la carpeta.
QString ArchivoDeLaUltima();

}  // namespace CarpetaDeBusqueda
