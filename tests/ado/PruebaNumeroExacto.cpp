#include <gtest/gtest.h>

#include <QVariant>
#include <cmath>
#include <limits>

#include "ado/NumeroExacto.h"

// Los números de las series en sus bordes: 2^53 (desde ahí un doble no distingue enteros vecinos),
// 2^63 (desde ahí un entero no cabe en qlonglong) y las 18, 19 y 20 cifras alrededor del camino
// corto de los enteros. Cada valor se compara con su tipo: un qlonglong, el texto de sus cifras o
// un doble.

namespace {

QString Describir(const QVariant& v) {
    if (!v.isValid()) return QStringLiteral("(inválido)");
    return QString::fromLatin1(v.typeName()) + ' ' +
           (v.typeId() == QMetaType::Double ? QString::number(v.toDouble(), 'f', 1) : v.toString());
}

QVariant Largo(qlonglong v) { return QVariant(v); }
QVariant Texto(const char* t) { return QVariant(QString::fromLatin1(t)); }
QVariant Doble(double x) { return QVariant(x); }

TEST(NumeroExacto, ElTextoSeLeeDeSusCifrasEnCadaBorde) {
    const struct {
        const char* texto;
        QVariant esperado;
    } casos[] = {
        {"9007199254740991", Largo(9007199254740991LL)},  // 2^53 - 1
        {"9007199254740992", Largo(9007199254740992LL)},  // 2^53
        {"9007199254740993", Largo(9007199254740993LL)},  // 2^53 + 1: por un doble sería ...992
        {"-9007199254740992", Largo(-9007199254740992LL)},
        {"-9007199254740993", Largo(-9007199254740993LL)},
        {"999999999999999999", Largo(999999999999999999LL)},                    // 18 cifras
        {"-999999999999999999", Largo(-999999999999999999LL)},                  // 18 cifras y el signo
        {"8954031234567890123", Largo(8954031234567890123LL)},                  // 19 cifras
        {"9223372036854775807", Largo(std::numeric_limits<qlonglong>::max())},  // 2^63 - 1
        {"9223372036854775808", Texto("9223372036854775808")},                  // 2^63
        {"9999999999999999999", Texto("9999999999999999999")},                  // 19 cifras, no cabe
        {"-9223372036854775808", Largo(std::numeric_limits<qlonglong>::min())},
        {"-9223372036854775809", Texto("-9223372036854775809")},
        {"-9999999999999999999", Texto("-9999999999999999999")},
        {"12345678901234567890", Texto("12345678901234567890")},  // 20 cifras
        {"00000000000000000000042", Largo(42)},                   // ceros a la izquierda
        {"+9223372036854775808", Texto("9223372036854775808")},
        {"9223372036854775808.000", Texto("9223372036854775808")},
        // Con exponente es el doble que escribió la planilla: desde 2^53 ya no dice sus últimas cifras.
        {"8.954031234567890123E18", Doble(8954031234567890123.0)},
        {"1.5E3", Largo(1500)},
        {"12.000", Largo(12)},
        {" 42\t", Largo(42)},
        {"-0", Largo(0)},
        {"1.5", Doble(1.5)},
        {"", QVariant()},
        {"-", QVariant()},
        {"12a", QVariant()},
        {"1E", QVariant()},
    };
    for (const auto& c : casos) {
        const QVariant v = NumeroExacto::DeTexto(c.texto);
        EXPECT_EQ(Describir(v), Describir(c.esperado)) << '"' << c.texto << '"';
    }
}

// Un doble es un entero exacto sólo por debajo de 2^53: 9007199254740993 leído por un doble llega
// como 9007199254740992 y no debe pasar por un entero.
TEST(NumeroExacto, UnDobleEsEnteroSoloPorDebajoDe2A53) {
    const double limite = 9007199254740992.0;
    const double infinito = std::numeric_limits<double>::infinity();
    const struct {
        double x;
        QVariant esperado;
        bool inexacto;  // DobleInexacto del doble mismo
    } casos[] = {
        {limite - 1, Largo(9007199254740991LL), false},
        {-(limite - 1), Largo(-9007199254740991LL), false},
        {limite, Doble(limite), true},
        {-limite, Doble(-limite), true},
        {9007199254740993.0, Doble(limite), true},  // el literal ya es ...992
        {limite + 2, Doble(limite + 2), true},
        {8954031234567890123.0, Doble(8954031234567890123.0), true},
        {12.0, Largo(12), false},
        {-0.0, Largo(0), false},
        {1.5, Doble(1.5), false},
        {infinito, Doble(infinito), true},
        {-infinito, Doble(-infinito), true},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(QString::number(c.x, 'f', 1).toStdString());
        EXPECT_EQ(Describir(NumeroExacto::DeDoble(c.x)), Describir(c.esperado));
        EXPECT_EQ(NumeroExacto::DobleInexacto(QVariant(c.x)), c.inexacto);
    }
    EXPECT_TRUE(NumeroExacto::DobleInexacto(QVariant(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_TRUE(NumeroExacto::DobleInexacto(QVariant(static_cast<float>(limite))));
    // Un entero o un texto nunca es un doble inexacto, por grande que sea.
    EXPECT_FALSE(NumeroExacto::DobleInexacto(Largo(std::numeric_limits<qlonglong>::max())));
    EXPECT_FALSE(NumeroExacto::DobleInexacto(Texto("9223372036854775808")));
}

}  // namespace
