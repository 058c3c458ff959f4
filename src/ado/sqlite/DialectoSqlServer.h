#pragma once
#include <QString>
#include <QStringList>

// El programa escribe su SQL en el dialecto de SQL Server. La base embebida (SQLite) recibe ese
// mismo texto adaptado aquí, en un solo lugar y sobre fichas: nada dentro de un literal se toca
// nunca (un modelo "TV TOP 5" sigue igual).
namespace DialectoSqlServer {

// Separa un lote como lo corre SQL Server: una sentencia por línea (los saltos de línea fuera de
// literales y paréntesis que empiezan una sentencia nueva) y en cada ";" fuera de literales.
// Las piezas en blanco se descartan.
QStringList SepararLote(const QString& lote);

// Adapta una sentencia a SQLite: quita las sugerencias de tabla ("with(nolock)", "WITH
// (UPDLOCK, HOLDLOCK)"), pasa "TOP n" a "LIMIT n", "IF NOT EXISTS (...) INSERT INTO t (...)
// VALUES (...)" a "INSERT INTO t (...) SELECT ... WHERE NOT EXISTS (...)", ISNULL( a IFNULL(,
// LEN( a LENGTH( y N'...' a '...', y en una condición sobre AUX_GARANTIA "serie = x" a
// "serie_clave = clave_serie(x)" (la clave única de la serie, con su índice). getDate() y las
// comparaciones de texto sin distinguir mayúsculas ni blancos finales las resuelve la conexión
// (funciones y colación registradas). claveSerie false: sin el paso a serie_clave (una base
// SQLite ajena, sin esa columna ni esa función, como la que hace de servidor por ODBC).
QString AdaptarASqlite(const QString& sentencia, bool claveSerie = true);

}  // namespace DialectoSqlServer
