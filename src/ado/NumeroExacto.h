#pragma once
#include <QVariant>
#include <string_view>

// Números que llegan escritos en texto decimal (el <v> de un .xlsx, un campo N de un .dbf, el
// número de un .mdb) o como doble (un REAL de SQLite, un número de un .xls).
//
// Un doble representa exacto cada entero sólo hasta 2^53: una serie de 19 cifras leída por un
// doble vuelve con otras cifras finales (8954031234567890123 -> 8954031234567889920), y dos series
// distintas pueden volver iguales. Por eso un entero escrito en texto se lee de sus propias cifras.
namespace NumeroExacto {

// 2^53: desde aquí un doble ya no distingue enteros vecinos.
constexpr double kLimiteDoble = 9007199254740992.0;

// El valor del texto "[blancos][+|-]cifras[.cifras][(e|E)[+|-]cifras][blancos]":
//  - si es entero sin exponente (también "12.000"): qlonglong si cabe, si no el texto de sus
//    cifras (con "-" si es negativo), sacado de las cifras escritas, nunca de un doble;
//  - con exponente ("1.5E3", "8.9540312345678902E+18"): lo escribió un programa desde un doble, y
//    es ese doble, como DeDoble (un entero menor que 2^53 vuelve qlonglong; desde ahí, double);
//  - si tiene parte fraccionaria: double;
//  - un texto que no es un número así: QVariant() inválido.
QVariant DeTexto(std::string_view texto);

// Un doble como lo da el origen: qlonglong si es entero y menor que 2^53 (en valor absoluto);
// si no, el mismo doble (que quien lo muestre no debe hacer pasar por un entero exacto).
QVariant DeDoble(double x);

// true si el valor es un doble que no puede ser un entero exacto leído: desde 2^53, o infinito, o
// no es un número. Una serie así no se guarda: no se sabe cuál era.
bool DobleInexacto(const QVariant& valor);

}  // namespace NumeroExacto
