#include <gtest/gtest.h>

#include "comun/Pruebas.h"
#include "data/ConstructorSentencias.h"
#include "platform/ErrorEjecucion.h"

namespace {
QStringList Literales() {
    QStringList l;
    for (const auto& c : Campos()) l << c.Campo + '=' + c.Literal;
    return l;
}
}  // namespace

TEST(ConstructorSentencias, AgregarCampoEscribeElLiteralYQuitaApostrofos) {
    struct Caso {
        QString valor;
        QString literal;
        QString queda;  // la variable de quien llama después
    };
    const Caso casos[] = {
        {"O'Brien", "'OBrien'", "OBrien"}, {"''", "''", ""},
        {"NULL", "Null", "NULL"},          {"null", "Null", "null"},
        {"nU'll", "Null", "nUll"},  // sin el apóstrofo queda "nUll": la palabra Null
        {" NULL", "' NULL'", " NULL"},     {"", "''", ""},
        {"Peña €", "'Peña €'", "Peña €"},  {"a,b", "'a,b'", "a,b"},
    };
    for (const auto& c : casos) {
        QString valor = c.valor;
        AgregarCampo("Col", valor, true);
        ASSERT_EQ(Campos().size(), 1u);
        EXPECT_EQ(Campos()[0].Literal, c.literal) << qPrintable(c.valor);
        EXPECT_EQ(valor, c.queda) << qPrintable(c.valor);
    }
}

TEST(ConstructorSentencias, ArmarSentenciaConComasSinBlancoYUnaEntradaVaciaDespues) {
    ListaSentencias sentencias{"  "};
    QString a = "1", b = "x'y", c = "Null";
    AgregarCampo("A", a, true);
    AgregarCampo("B", b, false);
    AgregarCampo("C", c, false);
    ArmarSentencia(Campos(), sentencias, "T");
    EXPECT_EQ(sentencias, (QStringList{"  ", "INSERT INTO T (A,B,C) VALUES ('1','xy',Null)"}));
    ASSERT_EQ(Campos().size(), 1u);
    EXPECT_EQ(Campos()[0].Campo, "");
    EXPECT_EQ(Campos()[0].Literal, "");
    // Seguir sin nueva suma detrás de la entrada vacía.
    AgregarCampo("D", a, false);
    ArmarSentencia(Campos(), sentencias, "T");
    EXPECT_EQ(sentencias.last(), "INSERT INTO T (,D) VALUES (,'1')");
    // nueva deja la lista con una sola entrada, aunque tuviera varias.
    AgregarCampo("E", a, false);
    AgregarCampo("F", a, true);
    EXPECT_EQ(Literales(), QStringList{"F='1'"});
}

TEST(ConstructorSentencias, CompletarInsertDejaLaListaSinEntradas) {
    Campos().assign(2, CampoSentencia{});
    Campos()[0] = {"TC", "'   1'"};
    Campos()[1] = {"IdComplemento", "0"};
    QString sentencia = " INSERT INTO V_MV_CPTEACCIONES ";
    CompletarInsert(sentencia, Campos());
    EXPECT_EQ(sentencia, " INSERT INTO V_MV_CPTEACCIONES (TC,IdComplemento) VALUES ('   1',0)");
    EXPECT_TRUE(Campos().empty());

    // Sin entradas: AgregarCampo sin nueva, ArmarSentencia y CompletarInsert fallan con 9.
    QString v = "x";
    ListaSentencias sentencias;
    auto numero = [](auto&& f) {
        try {
            f();
        } catch (const ErrorEjecucion& e) {
            return e.numero();
        }
        return 0;
    };
    EXPECT_EQ(numero([&] { AgregarCampo("A", v, false); }), 9);
    EXPECT_EQ(numero([&] { ArmarSentencia(Campos(), sentencias, "T"); }), 9);
    EXPECT_EQ(numero([&] { CompletarInsert(sentencia, Campos()); }), 9);
    EXPECT_TRUE(sentencias.isEmpty());
    AgregarCampo("A", v, true);  // nueva vuelve a empezar
    EXPECT_EQ(Literales(), QStringList{"A='x'"});
}
