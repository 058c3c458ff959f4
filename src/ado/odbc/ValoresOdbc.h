#pragma once
#include <sql.h>
#include <sqlext.h>

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <vector>

// Una columna de un resultado ODBC, como la describe SQLDescribeColW.
struct ColumnaOdbc {
    QString nombre;
    SQLSMALLINT tipo = SQL_UNKNOWN_TYPE;
    SQLULEN tamano = 0;
    SQLSMALLINT decimales = 0;
};

// Las columnas del resultado abierto en la sentencia. Lanza ErrorEjecucion (origen dado).
std::vector<ColumnaOdbc> DescribirColumnas(SQLHSTMT st, const QString& origen);

// Lee el valor de la columna n (desde 1) de la fila actual, con el tipo del programa: enteros ->
// qlonglong; decimales -> double (qlonglong con escala 0 si entra); bit -> bool; fecha -> QDate;
// fecha y hora -> QDateTime; hora -> "hh:mm:ss"; textos -> QString (por partes: datos largos);
// binarios -> QByteArray; NULL -> QVariant(). Lanza ErrorEjecucion si el controlador falla.
QVariant LeerValorOdbc(SQLHSTMT st, SQLUSMALLINT n, const ColumnaOdbc& columna, const QString& origen);

// Si la columna es de las que no se comparan en un WHERE (texto o binario largo, binarios).
bool SinComparacion(const ColumnaOdbc& columna);

// Un parámetro ligado con SQLBindParameter: guarda sus bytes hasta que la sentencia corre.
// Un valor nulo toma el tipo de la columna; un texto viaja como nvarchar (el servidor lo
// convierte al tipo de la columna con sus reglas, SET DATEFORMAT incluido).
class ParametroOdbc {
  public:
    ParametroOdbc(const QVariant& valor, const ColumnaOdbc& columna);
    // Liga el parámetro n (desde 1). Devuelve el resultado de SQLBindParameter.
    SQLRETURN ligar(SQLHSTMT st, SQLUSMALLINT n);

  private:
    SQLSMALLINT tipoC_ = SQL_C_WCHAR;
    SQLSMALLINT tipoSql_ = SQL_WVARCHAR;
    SQLULEN tamano_ = 1;
    SQLSMALLINT decimales_ = 0;
    QByteArray datos_;
    SQLLEN indicador_ = 0;
};
