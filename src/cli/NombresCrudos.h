#pragma once
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Un archivo cuyo nombre no es UTF-8 (un nombre en Windows-1252 copiado tal cual de otra máquina)
// no tiene un QString que lo nombre: convertido, sus bytes pasan a ser caracteres de reemplazo y
// el archivo "no se encuentra". Para cada argumento así que nombra un archivo que existe, se
// arma en una carpeta temporal propia un enlace de nombre legible (cada byte que no es UTF-8 se
// escribe %HH) al archivo por sus bytes, y el argumento pasa a ser el enlace. Junto a él van los
// enlaces a lo que el lector busca en la misma carpeta: los archivos del mismo nombre con otra
// extensión (los memos de un .dbf) y schema.ini.
struct ArgumentosLegibles {
    QStringList argumentos;                  // sin el programa
    std::unique_ptr<QTemporaryDir> enlaces;  // vive mientras se usan los argumentos
};
ArgumentosLegibles LeerArgumentos(int argc, char** argv);
