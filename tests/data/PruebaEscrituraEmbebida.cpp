#include <gtest/gtest.h>

#include "comun/SuiteEmbebida.h"
#include "data/EscrituraGarantias.h"

// Las filas de una importación hacia la base embebida: cada fila es su propia sentencia, pero
// corren en un hilo aparte, de a tandas, y lo que pasó con cada una se sabe después. Tiene que dar
// lo mismo que una sentencia por fila en el mismo hilo.

namespace {

using Destinos = std::vector<std::pair<int64_t, ResultadoFila::Destino>>;

class EscrituraEmbebida : public SuiteEmbebida {
protected:
    struct Corrida {
        Destinos destinos;
        QStringList falla;  // descripciones de las filas que fallaron
        bool bien = true;   // agregar() y vaciar() no dijeron que algo falló
    };

    // Escribe las series como filas 1..n, en una transacción, y devuelve lo que pasó con cada una.
    Corrida escribir(const QStringList& series, EscrituraGarantias::Modo modo) {
        Conexion& c = Componentes::Datos().conexion();
        Corrida r;
        c.BeginTrans();
        {
            EscrituraGarantias e(
                c, {[] { return std::optional<int32_t>(7); }, {}}, true,
                [&](const ResultadoFila& f) {
                    r.destinos.emplace_back(f.indice, f.destino);
                    if (f.destino == ResultadoFila::Fallo) r.falla << f.descripcion;
                },
                {}, modo);
            EXPECT_EQ(e.diferida(), modo != EscrituraGarantias::Modo::FilaPorFila);
            int64_t i = 0;
            for (const QString& s : series) {
                if (!(r.bien = e.agregar(++i, {"M" + s, s, "E" + s, "A" + s}))) break;
            }
            if (r.bien) r.bien = e.vaciar();
        }
        c.CommitTrans();
        return r;
    }

    QStringList contenido() { return filas("SELECT modelo, serie, nroTransmision, eca1, activacion FROM AUX_GARANTIA ORDER BY rowid"); }

    static QStringList Series(int desde, int cuantas) {
        QStringList s;
        for (int i = desde; i < desde + cuantas; ++i) s << QStringLiteral("S%1").arg(i);
        return s;
    }
};

}  // namespace

// Repetidas dentro de una tanda y entre tandas (también con otra capitalización, acentos en
// mayúscula o blancos al final, que la clave de la serie iguala), ya guardadas de antes, y una
// última tanda incompleta: lo mismo, fila por fila, que una sentencia por fila.
TEST_F(EscrituraEmbebida, LasTandasEnElHiloDanLoMismoQueUnaSentenciaPorFila) {
    const int tanda = EscrituraGarantias::kFilasPorTanda;
    QStringList entreTandas = Series(1, tanda + 20);
    entreTandas << Series(1, 30) << Series(2 * tanda, 700) << "s1" << "S10 " << QStringLiteral("SERÉ1") << QStringLiteral("seré1")
                << QString("s%1").arg(tanda + 10);
    QStringList enUnaTanda = Series(1, 300);
    enUnaTanda << "S5" << "s6" << "S300" << Series(301, 10) << "S301";
    const struct {
        const char* nombre;
        QStringList series;
        QStringList guardadas;
    } casos[] = {
        {"repetidas en una tanda", enUnaTanda, {}},
        {"repetidas entre tandas", entreTandas, {}},
        {"ya guardadas", Series(1, 2 * tanda + 5), {"S3", "s700", QString("S%1").arg(tanda), QString("S%1").arg(2 * tanda + 5)}},
        {"una sola fila", {"S1"}, {}},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        std::map<EscrituraGarantias::Modo, std::pair<Corrida, QStringList>> resultado;
        for (const auto modo : {EscrituraGarantias::Modo::FilaPorFila, EscrituraGarantias::Modo::Automatico}) {
            sql("DELETE FROM AUX_GARANTIA");
            for (const QString& s : caso.guardadas) sql("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision) VALUES ('viejo','" + s + "',1)");
            const Corrida r = escribir(caso.series, modo);
            EXPECT_TRUE(r.bien);
            ASSERT_EQ(r.destinos.size(), static_cast<std::size_t>(caso.series.size()));
            for (std::size_t i = 0; i < r.destinos.size(); ++i) ASSERT_EQ(r.destinos[i].first, static_cast<int64_t>(i + 1));
            resultado[modo] = {r, contenido()};
        }
        const auto& fila = resultado[EscrituraGarantias::Modo::FilaPorFila];
        const auto& hilo = resultado[EscrituraGarantias::Modo::Automatico];
        EXPECT_EQ(hilo.first.destinos, fila.first.destinos);
        EXPECT_EQ(hilo.second, fila.second);
    }
}

// Una fila que la base rechaza en medio de la segunda tanda: quedan las anteriores, ella se dice
// como fallida con la descripción de la base, las de después no se intentan; igual que fila por
// fila. Y el WAL vuelve a su punto de control de siempre.
TEST_F(EscrituraEmbebida, UnaFilaQueFallaDetieneLaTandaAhi) {
    const int tanda = EscrituraGarantias::kFilasPorTanda;
    const int mala = tanda + tanda / 2;
    QStringList series = Series(1, 3 * tanda);
    series[mala - 1] = "MALA";
    const QStringList antesPrevio = filas("PRAGMA wal_autocheckpoint");
    std::map<EscrituraGarantias::Modo, std::pair<Corrida, QStringList>> resultado;
    for (const auto modo : {EscrituraGarantias::Modo::FilaPorFila, EscrituraGarantias::Modo::Automatico}) {
        sql("DELETE FROM AUX_GARANTIA");
        sql("CREATE TEMP TRIGGER IF NOT EXISTS serie_mala BEFORE INSERT ON AUX_GARANTIA WHEN NEW.serie = 'MALA' "
            "BEGIN SELECT RAISE(ABORT, 'la serie MALA no se acepta'); END");
        const Corrida r = escribir(series, modo);
        EXPECT_FALSE(r.bien);
        ASSERT_EQ(r.destinos.size(), static_cast<std::size_t>(mala));
        EXPECT_EQ(r.destinos.back(), std::make_pair(static_cast<int64_t>(mala), ResultadoFila::Fallo));
        ASSERT_EQ(r.falla.size(), 1);
        EXPECT_TRUE(r.falla[0].contains("la serie MALA no se acepta")) << qPrintable(r.falla[0]);
        const QStringList guardadas = contenido();
        EXPECT_EQ(guardadas.size(), mala - 1);
        resultado[modo] = {r, guardadas};
    }
    EXPECT_EQ(resultado[EscrituraGarantias::Modo::Automatico].first.destinos, resultado[EscrituraGarantias::Modo::FilaPorFila].first.destinos);
    EXPECT_EQ(resultado[EscrituraGarantias::Modo::Automatico].second, resultado[EscrituraGarantias::Modo::FilaPorFila].second);
    EXPECT_EQ(filas("PRAGMA wal_autocheckpoint"), antesPrevio);
}
