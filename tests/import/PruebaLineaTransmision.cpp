// La línea de información de la transmisión elegida en "Consultar": singular y plural, separador de
// miles, y las filas que un corte dejó sin confirmar.
#include <gtest/gtest.h>

#include "data/DiarioCorridas.h"
#include "import/LineaTransmision.h"

TEST(LineaTransmision, CuentasQueSeLeenYQueCierran) {
    auto corrida = [](qint64 leidas, qint64 agregadas, qint64 ya, qint64 sin, qint64 fallidas,
                      const QString& resultado) {
        CorridaDiario c;
        c.archivo = "prov.csv";
        c.leidas = leidas;
        c.agregadas = agregadas;
        c.yaGuardadas = ya;
        c.sinSerie = sin;
        c.fallidas = fallidas;
        c.resultado = resultado;
        return c;
    };
    struct Caso {
        const char* nombre;
        InfoTransmision info;
        std::optional<CorridaDiario> corrida;
        bool anulada;
        const char* linea;
    };
    const Caso casos[] = {
        {"una fila",
         {3, 1, {}},
         corrida(1, 1, 0, 0, 0, ResultadoCorrida::kCompleta),
         false,
         "Transmisión 3: 1 fila; archivo prov.csv; 1 leída, 1 agregada, 0 ya guardadas, 0 sin serie, 0 "
         "fallidas; completa"},
        {"miles",
         {14, 950000, {}},
         corrida(1000001, 950000, 1, 50000, 0, ResultadoCorrida::kCompleta),
         false,
         "Transmisión 14: 950.000 filas; archivo prov.csv; 1.000.001 leídas, 950.000 agregadas, 1 ya "
         "guardada, "
         "50.000 sin serie, 0 fallidas; completa"},
        // Un kill en medio de un grupo: la base deshizo el grupo en vuelo, y la línea lo dice.
        {"interrumpida",
         {5, 158000, {}},
         corrida(159000, 158000, 0, 0, 0, ResultadoCorrida::kInterrumpida),
         false,
         "Transmisión 5: 158.000 filas; archivo prov.csv; 159.000 leídas, 158.000 agregadas, 0 ya guardadas, "
         "0 sin serie, 0 fallidas, 1.000 sin confirmar; interrumpida"},
        {"anulada sin diario", {7, 0, {}}, std::nullopt, true, "Transmisión 7: 0 filas; anulada"},
    };
    for (const Caso& c : casos) {
        InfoTransmision info = c.info;
        info.mas = PartesDelDiario(c.corrida, c.anulada);
        EXPECT_EQ(LineaTransmision(info), QString::fromUtf8(c.linea)) << c.nombre;
    }
}
