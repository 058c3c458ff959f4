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
    // Liga el parámetro n (desde 1). Devuelve el resultado de SQLBindParameter. El búfer ligado
    // es el de este objeto: vive mientras él viva y no se mueva de lugar.
    SQLRETURN ligar(SQLHSTMT st, SQLUSMALLINT n);
    // Deja lugar en el búfer para valores de hasta bytes bytes (antes de ligar).
    void reservar(qsizetype bytes);
    // Si otro tiene la misma declaración (tipo, tamaño y decimales) y su valor cabe en el búfer
    // ligado de éste, lo copia ahí y devuelve true: la sentencia corre con el valor nuevo sin
    // volver a ligar, y el controlador no la vuelve a preparar. Si no, false y nada cambia.
    bool tomarValor(const ParametroOdbc& otro);
    // Los bytes del valor (sin el búfer de reserva).
    qsizetype bytes() const { return indicador_ > 0 ? indicador_ : 0; }

  private:
    SQLSMALLINT tipoC_ = SQL_C_WCHAR;
    SQLSMALLINT tipoSql_ = SQL_WVARCHAR;
    SQLULEN tamano_ = 1;
    SQLSMALLINT decimales_ = 0;
    QByteArray datos_;
    SQLLEN indicador_ = 0;
};
