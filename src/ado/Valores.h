#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>

// Los valores llegan al programa como QVariant: nulo (QVariant()), texto, entero (qlonglong),
// decimal (double), booleano, fecha (QDate) o fecha y hora (QDateTime).
//
// Cómo los ve el operador (una sola regla para todos los orígenes):
//  - nulo y vacío: texto vacío;
//  - texto: tal como está guardado ("00012345" sigue siendo "00012345");
//  - número entero, o decimal sin parte fraccionaria: sin ".0" ni exponente ("12345678901");
//  - decimal: con coma decimal y sin ceros de más ("1234,5");
//  - fecha: dd/mm/yyyy; fecha y hora: dd/mm/yyyy hh:mm:ss, o sólo la fecha si es medianoche;
//  - booleano: "Verdadero" o "Falso";
//  - celda de error de una hoja de cálculo: su texto ("#N/A", "#DIV/0!");
//  - bytes: su texto si son UTF-8 bien formado sin bytes nulos; si no, "0x" y sus bytes en
//    hexadecimal (nunca un carácter de reemplazo que haga iguales dos valores distintos).
QString TextoValor(const QVariant& valor);

// El valor de una celda de error de una hoja de cálculo (#N/A, #REF!...). No es un dato: se
// muestra con el texto que ve quien abre la hoja, y como serie se rechaza.
struct ErrorDeCelda {
    QString texto;
    bool operator==(const ErrorDeCelda&) const = default;
};
Q_DECLARE_METATYPE(ErrorDeCelda)
QVariant ValorErrorDeCelda(const QString& texto);
bool EsErrorDeCelda(const QVariant& valor);

// Número de un valor (0 para nulo o texto que no es número).
double NumeroValor(const QVariant& valor);

// s en UTF-8 al final de t, sin pasar por un QByteArray propio cuando es ASCII (los textos de una
// importación casi siempre lo son).
void AgregarUtf8(QByteArray& t, QStringView s);
