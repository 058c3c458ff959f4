#include <gtest/gtest.h>

#include "ado/Conexion.h"
#include "ado/ConsultaSimple.h"
#include "ado/TextoConexion.h"
#include "platform/ErrorEjecucion.h"

TEST(TextoConexion, LeeClavesSinDistinguirMayusculasNiBlancos) {
    const TextoConexion t(
        QStringLiteral("PROVIDER=SQLOLEDB;Server=srv;Database =ventas;UId=a;Pwd={x;y}}z};"));
    EXPECT_EQ(t.valor("provider"), "SQLOLEDB");
    EXPECT_EQ(t.valor("DATABASE"), "ventas");
    EXPECT_EQ(t.valor("pwd"), "x;y}z");
    EXPECT_FALSE(t.tiene("Port"));
    EXPECT_EQ(TextoConexion::Llaves("a}b;"), "{a}}b;}");
}

TEST(ConsultaSimple, ReconoceLaConsultaDelPrograma) {
    struct Caso {
        const char* sql;
        const char* tabla;
    };
    const Caso casos[] = {
        {"SELECT * FROM [Hoja1$]", "Hoja1$"},
        {"Select * from [datos]", "datos"},
        {"  select *  FROM  datos#csv ", "datos#csv"},
        {"SELECT * FROM [con blancos ]", "con blancos "},
        {"SELECT * FROM \"x\"", "x"},
    };
    for (const auto& c : casos) {
        auto t = TablaDeConsulta(QString::fromUtf8(c.sql));
        ASSERT_TRUE(t.has_value()) << c.sql;
        EXPECT_EQ(*t, QString::fromUtf8(c.tabla)) << c.sql;
    }
    EXPECT_FALSE(TablaDeConsulta("DELETE FROM x").has_value());
    EXPECT_FALSE(TablaDeConsulta("SELECT a FROM x").has_value());
}

TEST(Conexion, ErroresDeUsoConLosNumerosDeAdo) {
    Conexion c;
    try {
        c.Close();
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 3704);
    }
    try {
        c.Execute("SELECT 1");
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 3709);
    }
    try {
        c.Open("Provider=Desconocido;");
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
    }
    ASSERT_EQ(c.Errors().Count(), 1);
    EXPECT_NE(c.Errors().Item(0).nativo, 0);
    EXPECT_FALSE(c.abierta());
}
