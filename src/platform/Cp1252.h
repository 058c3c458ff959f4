#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Los archivos que el programa escribe y lee (QZERR.LOG, BASES.TXT, consultas.ntw) van en la
// página de códigos del sistema original, Windows-1252, un byte por carácter.
namespace Cp1252 {

// Texto a bytes; un carácter que la página no tiene se escribe "?".
QByteArray Codificar(const QString& texto);
// Bytes a texto; los cinco huecos de la página se leen como el control del mismo número.
QString Decodificar(QByteArrayView bytes);

}  // namespace Cp1252
