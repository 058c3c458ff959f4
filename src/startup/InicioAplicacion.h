#pragma once
#include <QString>

// El inicio común de la suite, antes de mostrar la ventana: cartel, parámetros de lanzamiento,
// reglas de conexión, conexión principal y sus opciones, catálogo y configuración de la sesión.
// Vuelve con la sesión conectada o termina el proceso (Proceso::Terminar): sin conexión, o ante
// cualquier falla que no sea de argumento no válido (número 5, que salta la operación).
// lineaComandos: la cadena de lanzamiento (los argumentos después del nombre del programa).
void InicioAplicacion(const QString& lineaComandos);

// Dónde el programa busca su archivo de ayuda (lo fija el inicio).
QString ArchivoAyuda();
// Para las pruebas: fija el archivo de ayuda sin correr el inicio.
void FijarArchivoAyuda(const QString& ruta);
