#pragma once
#include <QString>

// El literal SQL de un valor, escrito en un solo lugar para todo el programa: con tipo "'"
// (columna de texto), el valor entre comillas simples con las comillas de adentro duplicadas;
// con otro tipo, el número tal cual (coma decimal pasada a punto); vacío o no numérico: Null.
// Lo usan Dll_Datos::FormatearValor y los constructores de sentencias.
// Con la base de la suite en SQL Server los textos van como N'...': un texto sin N llega en la
// página de códigos de la base, y lo que no entra en ella se vuelve "?".
QString LiteralSql(const QString& valor, const QString& tipo);

// Si los textos se escriben N'...' (lo fija la conexión principal según su motor).
void LiteralesUnicode(bool si);
