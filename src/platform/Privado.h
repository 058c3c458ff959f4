#pragma once
#include <QString>

// Carpetas y archivos que guardan datos del operador (bases, conexiones con sus claves, el
// registro de errores): sólo el usuario que corre el programa los lee. Se crean 0700 y 0600; una
// umask más estricta gana (nunca se abren permisos que la umask cierra).
namespace Privado {

// Crea la carpeta y las que le faltan con permiso 0700. Las que ya existen no se tocan.
// false si no se pudo.
bool CrearCarpeta(const QString& carpeta);

// Crea el archivo vacío con permiso 0600 si no existe (con O_EXCL: nunca a través de un enlace
// que apunte a otro lado). Uno que ya existe no se toca. false si no existía y no se pudo crear.
bool CrearArchivo(const QString& archivo);

// Si alguien más que su dueño puede cambiar el archivo o su carpeta: dueño que no es el usuario
// ni root, o permiso de escritura para el grupo o para otros. Un programa así no se ejecuta.
bool EscribiblePorOtros(const QString& archivo);

}  // namespace Privado
