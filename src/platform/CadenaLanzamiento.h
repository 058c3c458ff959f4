#pragma once
#include <QString>
#include <QStringList>

// La cadena de lanzamiento con que se abre la ventana, y la clave que lleva, fuera de la vista de
// los demás usuarios de la estación.
//
// La línea de comandos de un proceso la lee cualquier usuario (ps, /proc/PID/cmdline). Por eso el
// menú de la estación no pasa la cadena: pasa "--lanzamiento ARCHIVO" y el programa lee la cadena del
// archivo (/etc/garantias/lanzamiento, legible sólo por root y el grupo de los operadores). Así la
// clave no pasa por la línea de comandos ni por otro proceso. Las instalaciones que abren el programa
// con la cadena en la línea de comandos, como la suite, siguen igual; para ellas TaparClaves borra la
// clave de la línea que muestra ps apenas empieza el programa.
namespace CadenaLanzamiento {

// La opción que nombra el archivo de la cadena.
inline constexpr const char* kOpcionArchivo = "--lanzamiento";

// La cadena de los argumentos (sin el nombre del programa): con "--lanzamiento ARCHIVO", la primera
// línea del archivo que no está en blanco ni empieza con "#"; si no, los argumentos unidos por un
// blanco. Lanza ErrorEjecucion (75, con la ruta y el motivo, en palabras del operador) si el archivo
// no se puede leer o no tiene cadena, o si falta su nombre.
QString DeArgumentos(const QStringList& argumentos);

// Reemplaza en el lugar, con "*", el valor de cada "@Password=" (sin distinguir mayúsculas, hasta el
// ";" siguiente, también en los argumentos que siguen, como los une DeArgumentos) de los argumentos
// del proceso, desde el primero después del nombre: lo
// que muestra ps deja de tener la clave. Llamarla después de copiar los argumentos: QApplication
// los vuelve a leer de argv cada vez que se le piden.
void TaparClaves(int argc, char** argv);

}  // namespace CadenaLanzamiento
