#pragma once
#include <QString>
#include <QVariant>

// Fechas de Excel: un número de serie (días, con la hora como fracción) y el formato de número
// de la celda, que es lo único que dice si ese número es una fecha.

// La fecha de un número de serie: QDate si no tiene hora, QDateTime si la tiene; QVariant()
// si el número no es una fecha representable (negativo o pasado el 31/12/9999).
// Sistema 1900: el 1 es el 01/01/1900 y el 60 es el 29/02/1900 que no existió (se lee como
// 28/02/1900, lo que da la automatización OLE para ese número); de 0 a 1 es la hora sola, sobre
// el 30/12/1899 como la da el driver. Sistema 1904: el 0 es el 01/01/1904.
QVariant FechaDeSerie(double serie, bool sistema1904);

// ¿Es de fecha u hora el formato? id: el formato incorporado (14–22, 27–36, 45–47, 50–58);
// codigo: el texto de un formato propio, que es de fecha si tiene d, m, y, h o s fuera de
// comillas, corchetes y escapes. Los de tiempo transcurrido ("[h]:mm") no son fechas: son
// duraciones y se leen como número.
bool EsFormatoFecha(int id, const QString& codigo = {});

// Una fecha en texto "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss" o "hh:mm:ss" (como la dan FreeXL y los
// valores t="d"); QVariant() si no se entiende.
QVariant FechaDeTexto(const QString& texto);
