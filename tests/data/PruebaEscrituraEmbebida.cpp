#include <gtest/gtest.h>
#include <sqlite3.h>

#include "ado/sqlite/ProveedorSqlite.h"
#include "comun/SuiteEmbebida.h"
#include "data/EscrituraEmbebida.h"

// Las filas de una importación hacia la base embebida: corren en un hilo aparte, de a tandas, en
// una sentencia por grupo que las toma a medida que llegan, y lo que pasó con cada una se sabe
// después. Tiene que dar lo mismo que una sentencia por fila en el mismo hilo.

namespace {

using Destinos = std::vector<std::pair<int64_t, ResultadoFila::Destino>>;

class EscrituraEnHilo : public SuiteEmbebida {
  protected:
    struct Corrida {
        Destinos destinos;
        QStringList falla;  // descripciones de las filas que fallaron
        bool bien = true;   // ninguna fila detuvo la escritura
        bool enFlujo = false;
    };

    // Escribe las series como filas 1..n, en una transacción, y devuelve lo que pasó con cada una.
    // cortar: el grupo se confirma (y empieza otro) antes de cada tanda. enMedio: se llama después
    // de agregar cada fila, con su número.
    Corrida escribir(const QStringList& series, EscrituraGarantias::Modo modo, bool cortar = false,
                     const std::function<void(int64_t)>& enMedio = {}) {
        Conexion& c = Componentes::Datos().conexion();
        Corrida r;
        c.BeginTrans();
        {
            EscrituraGarantias::Transmision t{[] { return 7; }, {}};
            if (cortar) {
                t.largo = [] { return true; };
                t.cerrar = [&c] {
                    c.CommitTrans();
                    c.BeginTrans();
                };
            }
            ::EscrituraEmbebida e(
                c, t,
                [&](const ResultadoFila& f) {
                    r.destinos.emplace_back(f.indice, f.destino);
                    if (f.destino == ResultadoFila::Fallo) r.falla << f.descripcion;
                    if (f.detiene()) r.bien = false;
                },
                modo);
            EXPECT_EQ(e.diferida(), modo != EscrituraGarantias::Modo::FilaPorFila);
            int64_t i = 0;
            for (const QString& s : series) {
                e.agregar(++i, {"M" + s, s, "E" + s, "A" + s});
                if (!r.bien) break;
                if (enMedio) enMedio(i);
            }
            if (r.bien) e.vaciar();
            r.enFlujo = e.escribeEnFlujo();
        }
        c.CommitTrans();
        return r;
    }

    QStringList contenido() {
        return filas(
            "SELECT modelo, serie, nroTransmision, eca1, activacion FROM AUX_GARANTIA ORDER BY rowid");
    }

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
TEST_F(EscrituraEnHilo, LasTandasEnElHiloDanLoMismoQueUnaSentenciaPorFila) {
    const int tanda = ::EscrituraEmbebida::kFilasPorTanda;
    QStringList entreTandas = Series(1, tanda + 20);
    entreTandas << Series(1, 30) << Series(2 * tanda, 700) << "s1"
                << "S10 " << QStringLiteral("SERÉ1") << QStringLiteral("seré1")
                << QString("s%1").arg(tanda + 10);
    QStringList enUnaTanda = Series(1, 300);
    enUnaTanda << "S5"
               << "s6"
               << "S300" << Series(301, 10) << "S301";
    const struct {
        const char* nombre;
        QStringList series;
        QStringList guardadas;
    } casos[] = {
        {"repetidas en una tanda", enUnaTanda, {}},
        {"repetidas entre tandas", entreTandas, {}},
        {"ya guardadas",
         Series(1, 2 * tanda + 5),
         {"S3", "s700", QString("S%1").arg(tanda), QString("S%1").arg(2 * tanda + 5)}},
        {"una sola fila", {"S1"}, {}},
    };
    for (const auto& caso : casos) {
        for (const bool cortar : {false, true}) {
            SCOPED_TRACE(std::string(caso.nombre) + (cortar ? ", un grupo por tanda" : ""));
            std::map<EscrituraGarantias::Modo, std::pair<Corrida, QStringList>> resultado;
            for (const auto modo :
                 {EscrituraGarantias::Modo::FilaPorFila, EscrituraGarantias::Modo::Automatico}) {
                sql("DELETE FROM AUX_GARANTIA");
                for (const QString& s : caso.guardadas)
                    sql("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision) VALUES ('viejo','" + s +
                        "',1)");
                const Corrida r = escribir(caso.series, modo, cortar);
                EXPECT_TRUE(r.bien);
                EXPECT_EQ(r.enFlujo, modo == EscrituraGarantias::Modo::Automatico);
                ASSERT_EQ(r.destinos.size(), static_cast<std::size_t>(caso.series.size()));
                for (std::size_t i = 0; i < r.destinos.size(); ++i)
                    ASSERT_EQ(r.destinos[i].first, static_cast<int64_t>(i + 1));
                resultado[modo] = {r, contenido()};
            }
            const auto& fila = resultado[EscrituraGarantias::Modo::FilaPorFila];
            const auto& hilo = resultado[EscrituraGarantias::Modo::Automatico];
            EXPECT_EQ(hilo.first.destinos, fila.first.destinos);
            EXPECT_EQ(hilo.second, fila.second);
        }
    }
}

// Lo que la base rechaza en medio de la segunda tanda, con y sin disparador en la tabla (con él,
// el hilo escribe una sentencia por fila; sin él, una sentencia por grupo, que no deshace lo que
// ya escribió): quedan las anteriores, la fila se dice como fallida con la descripción de la base,
// las de después no se intentan; igual que fila por fila. Un valor más largo de lo que la base
// admite no se guarda como vacío: la fila falla. Y el WAL vuelve a su punto de control de siempre.
TEST_F(EscrituraEnHilo, UnaFilaQueLaBaseRechazaDetieneLaEscrituraAhi) {
    const int tanda = ::EscrituraEmbebida::kFilasPorTanda;
    const QStringList autocontrolPrevio = filas("PRAGMA wal_autocheckpoint");
    const int mala = tanda + tanda / 2;
    sqlite3* db = static_cast<ProveedorSqlite*>(Componentes::Datos().conexion().proveedor())->base();
    const int largoPrevio = sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1);
    const struct {
        const char* nombre;
        const char* disparador;   // vacío: sin disparador
        int largo;                // el largo máximo de un valor en la base
        const char* descripcion;  // lo que dice la falla
    } casos[] = {
        {"disparador",
         "CREATE TEMP TRIGGER serie_mala BEFORE INSERT ON AUX_GARANTIA WHEN NEW.serie = 'MALA' "
         "BEGIN SELECT RAISE(ABORT, 'la serie MALA no se acepta'); END",
         largoPrevio, "la serie MALA no se acepta"},
        {"valor demasiado largo", "", 4000, "too big"},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        QStringList series = Series(1, 3 * tanda);
        series[mala - 1] = caso.disparador[0] ? QStringLiteral("MALA") : QString(5000, 'L');
        std::map<EscrituraGarantias::Modo, std::pair<Corrida, QStringList>> resultado;
        for (const auto modo :
             {EscrituraGarantias::Modo::FilaPorFila, EscrituraGarantias::Modo::Automatico}) {
            sql("DELETE FROM AUX_GARANTIA");
            if (caso.disparador[0]) sql(caso.disparador);
            sqlite3_limit(db, SQLITE_LIMIT_LENGTH, caso.largo);
            const Corrida r = escribir(series, modo);
            sqlite3_limit(db, SQLITE_LIMIT_LENGTH, largoPrevio);
            EXPECT_EQ(r.enFlujo, modo == EscrituraGarantias::Modo::Automatico && !caso.disparador[0]);
            EXPECT_FALSE(r.bien);
            ASSERT_EQ(r.destinos.size(), static_cast<std::size_t>(mala));
            EXPECT_EQ(r.destinos.back(), std::make_pair(static_cast<int64_t>(mala), ResultadoFila::Fallo));
            ASSERT_EQ(r.falla.size(), 1);
            EXPECT_TRUE(r.falla[0].contains(caso.descripcion)) << qPrintable(r.falla[0]);
            const QStringList guardadas = contenido();
            EXPECT_EQ(guardadas.size(), mala - 1);
            resultado[modo] = {r, guardadas};
            if (caso.disparador[0]) sql("DROP TRIGGER temp.serie_mala");
        }
        EXPECT_EQ(resultado[EscrituraGarantias::Modo::Automatico].first.destinos,
                  resultado[EscrituraGarantias::Modo::FilaPorFila].first.destinos);
        EXPECT_EQ(resultado[EscrituraGarantias::Modo::Automatico].second,
                  resultado[EscrituraGarantias::Modo::FilaPorFila].second);
    }
    EXPECT_EQ(filas("PRAGMA wal_autocheckpoint"), autocontrolPrevio);
}

// La base rechaza el registro de la transmisión cuando la segunda sentencia pide el número (en el
// hilo, la segunda tanda; fila por fila, la segunda fila): lo anterior se dice como siempre, la
// primera fila que esperaba el número se dice sin transmisión con la descripción de la base, y
// después la escritura no escribe nada más aunque se le sigan dando filas.
TEST_F(EscrituraEnHilo, UnRegistroRechazadoDetieneLaEscrituraEnLaFilaQueLoEsperaba) {
    const int tanda = ::EscrituraEmbebida::kFilasPorTanda;
    const struct {
        EscrituraGarantias::Modo modo;
        int64_t antes;  // filas escritas antes del rechazo
    } casos[] = {{EscrituraGarantias::Modo::FilaPorFila, 1}, {EscrituraGarantias::Modo::Automatico, tanda}};
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.antes);
        sql("DELETE FROM AUX_GARANTIA");
        Conexion& c = Componentes::Datos().conexion();
        Destinos destinos;
        QString descripcion;
        int pedidos = 0;
        c.BeginTrans();
        {
            ::EscrituraEmbebida e(
                c,
                {[&] {
                     if (++pedidos == 2) throw RegistroRechazado("transmisiones cerradas");
                     return 7;
                 },
                 {}},
                [&](const ResultadoFila& f) {
                    destinos.emplace_back(f.indice, f.destino);
                    if (f.destino == ResultadoFila::SinTransmision) descripcion = f.descripcion;
                },
                caso.modo);
            int64_t i = 0;
            for (const QString& s : Series(1, 3 * tanda)) e.agregar(++i, {"M", s, "E", "A"});
            e.vaciar();
            e.sincronizar();
        }
        c.CommitTrans();
        ASSERT_EQ(destinos.size(), static_cast<std::size_t>(caso.antes + 1));
        EXPECT_EQ(destinos.back(), std::make_pair(caso.antes + 1, ResultadoFila::SinTransmision));
        EXPECT_EQ(descripcion, "transmisiones cerradas");
        EXPECT_EQ(pedidos, 2);
        EXPECT_EQ(contenido().size(), caso.antes);
    }
}

// La corrida usa la conexión mientras la sentencia del hilo está abierta (una pregunta, el
// registro de la transmisión): no se traba, ve lo escrito hasta ahí, y la escritura sigue después
// sin perder ni repetir filas.
TEST_F(EscrituraEnHilo, UsarLaConexionEnMedioNoTrabaNiPierdeFilas) {
    const int tanda = ::EscrituraEmbebida::kFilasPorTanda;
    const QStringList series = Series(1, 4 * tanda + 10);
    QStringList contadas;
    const Corrida hilo = escribir(series, EscrituraGarantias::Modo::Automatico, false, [&](int64_t i) {
        if (i == 2 * tanda + 5 || i == 3 * tanda) contadas << filas("SELECT count(*) FROM AUX_GARANTIA");
    });
    EXPECT_TRUE(hilo.bien);
    ASSERT_EQ(contadas.size(), 2);
    // Al contar, el hilo ya había terminado la tanda que tenía (la segunda, después la tercera).
    EXPECT_GE(contadas[0].toInt(), tanda);
    EXPECT_LE(contadas[0].toInt(), 2 * tanda);
    EXPECT_GE(contadas[1].toInt(), 2 * tanda);
    const QStringList guardadas = contenido();
    sql("DELETE FROM AUX_GARANTIA");
    const Corrida fila = escribir(series, EscrituraGarantias::Modo::FilaPorFila);
    EXPECT_EQ(hilo.destinos, fila.destinos);
    EXPECT_EQ(guardadas, contenido());
}
