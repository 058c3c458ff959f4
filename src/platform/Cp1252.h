#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// La página de códigos Windows-1252, un byte por carácter: la de los archivos que el programa
// escribe y lee (QZERR.LOG, BASES.TXT, consultas.ntw) y la que se supone en los archivos de origen
// que no dicen la suya. Es la única tabla de esta página en el programa.
namespace Cp1252 {

// Texto a bytes; un carácter que la página no tiene se escribe "?".
QByteArray Codificar(const QString& texto);
// Bytes a texto; los cinco huecos de la página se leen como el control del mismo número.
QString Decodificar(QByteArrayView bytes);

}  // namespace Cp1252
