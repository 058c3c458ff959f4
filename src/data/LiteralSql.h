#pragma once
#include <QString>

// El literal SQL de un valor, escrito en un solo lugar para todo el programa: con tipo "'"
// (columna de texto), el valor entre comillas simples con las comillas de adentro duplicadas;
// con otro tipo, el número tal cual (coma decimal pasada a punto); vacío o no numérico: Null.
// Lo usan Dll_Datos::FormatearValor y los constructores de sentencias.
QString LiteralSql(const QString& valor, const QString& tipo);
