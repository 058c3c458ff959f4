#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "comun/Pruebas.h"
#include "comun/SqliteComoServidor.h"
#include "data/EscrituraSqlServer.h"

// Las filas de una importación hacia un servidor, por el administrador de controladores ODBC
// real. Aquí no hay un SQL Server: el controlador SQLite3 hace de servidor, y el lote se escribe
// en su dialecto (una vista con un disparador que hace lo mismo que el bucle del lote de T-SQL).

namespace {

// El lote en el dialecto de SQLite: una vista temporal cuyo disparador hace, fila por fila y en
// orden, lo mismo que el bucle del lote de SQL Server, y anota las filas que agregó.
EscrituraSqlServer::FormaLote LoteSqlite() {
    QStringList valores;
    for (int i = 1; i <= EscrituraSqlServer::kFilasPorLote; ++i)
        valores << QStringLiteral("(%1,?,?,?,?)").arg(i);
    return {{QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS garantias_lote_hechas (n INTEGER)"),
             QStringLiteral("CREATE TEMP VIEW IF NOT EXISTS garantias_lote AS SELECT 0 AS n, 0 AS t, 0 AS "
                            "total, '' AS modelo, '' AS serie, '' AS eca1, '' AS activacion WHERE 0"),
             QStringLiteral(
                 "CREATE TEMP TRIGGER IF NOT EXISTS garantias_lote_fila INSTEAD OF INSERT ON garantias_lote "
                 "BEGIN DELETE FROM garantias_lote_hechas WHERE NEW.n = 1; "
                 "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) "
                 "SELECT NEW.modelo, NEW.serie, NEW.t, NEW.eca1, NEW.activacion WHERE NEW.n <= NEW.total "
                 "AND NOT EXISTS (SELECT * FROM AUX_GARANTIA WHERE serie = NEW.serie); "
                 "INSERT INTO garantias_lote_hechas (n) SELECT NEW.n WHERE changes() > 0; END")},
            QStringLiteral("INSERT INTO temp.garantias_lote (n,t,total,modelo,serie,eca1,activacion) "
                           "SELECT v.column1, p.t, p.total, v.column2, v.column3, v.column4, v.column5 "
                           "FROM (SELECT ? AS t, ? AS total) p, (VALUES ") +
                valores.join(',') + QStringLiteral(") v ORDER BY v.column1"),
            QStringLiteral("SELECT n FROM temp.garantias_lote_hechas ORDER BY n")};
}

using Destinos = std::vector<std::pair<int64_t, ResultadoFila::Destino>>;

class Escritura : public ::testing::Test {
  protected:
    SqliteComoServidor servidor_;  // antes de abrir la conexión
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qunsetenv("GARANTIAS_LOTES");
    }

    // Una base "servidor" nueva, con AUX_GARANTIA como la deja el guion de SQL Server: sin
    // índice único (la base de una suite viva puede tener series repetidas), sin distinguir
    // mayúsculas, y modelo de a lo sumo 100 caracteres.
    std::unique_ptr<Conexion> servidor(const QString& nombre, const QStringList& guardadas = {}) {
        auto c = std::make_unique<Conexion>();
        c->Open(QStringLiteral("DRIVER={SQLite3};Database=") + dir_.filePath(nombre + ".db") + ';');
        c->Execute("PRAGMA synchronous=OFF");  // la prueba no necesita sobrevivir a un corte de luz
        c->Execute(
            "CREATE TABLE AUX_GARANTIA (modelo VARCHAR(100) CHECK (length(modelo) <= 100), serie "
            "VARCHAR(100) COLLATE NOCASE "
            "NOT NULL, nroTransmision INTEGER, eca1 VARCHAR(100), activacion VARCHAR(100))");
        EXPECT_EQ(c->Errors().Count(), 0);
        c->Execute("CREATE INDEX AUX_GARANTIA_serie ON AUX_GARANTIA (serie)");
        for (const QString& s : guardadas)
            c->Execute("INSERT INTO AUX_GARANTIA VALUES ('viejo','" + s + "',1,'','')");
        return c;
    }

    // Escribe las series (en ese orden, como filas 1..n) y devuelve lo que pasó con cada una.
    Destinos escribir(Conexion& c, const QStringList& series, EscrituraGarantias::Modo modo,
                      bool* enLotes = nullptr, QStringList* avisos = nullptr) {
        Destinos destinos;
        QStringList propios;
        bool sigue = true;  // ninguna fila detuvo la escritura
        EscrituraSqlServer e(
            c, {[] { return 7; }, {}},
            [&](const ResultadoFila& r) {
                destinos.emplace_back(r.indice, r.destino);
                sigue = sigue && !r.detiene();
            },
            [&](const QString& a) { propios << a; }, modo, LoteSqlite());
        if (enLotes) *enLotes = e.enLotes();
        if (antes_) antes_(c);
        int64_t i = 0;
        for (const QString& s : series) {
            e.agregar(++i, {"M" + s, s, "E" + s, "A" + s});
            if (!sigue) break;
        }
        if (sigue) e.vaciar();
        if (avisos) *avisos = propios;
        return destinos;
    }

    QStringList contenido(Conexion& c) {
        QStringList filas;
        auto rs = c.abrirRecordset("SELECT modelo, serie, nroTransmision FROM AUX_GARANTIA ORDER BY rowid");
        for (; !rs->EOF_(); rs->MoveNext())
            filas << TextoValor(rs->Field(0)) + '|' + TextoValor(rs->Field(1)) + '|' +
                         TextoValor(rs->Field(2));
        return filas;
    }

    static QStringList Series(int desde, int cuantas, const char* prefijo = "S") {
        QStringList s;
        for (int i = desde; i < desde + cuantas; ++i) s << QString::fromUtf8(prefijo) + QString::number(i);
        return s;
    }

    std::function<void(Conexion&)> antes_;
    QTemporaryDir dir_;
};

}  // namespace

// Mil filas nuevas viajan en a lo sumo 4 idas y vueltas (2 lotes de 500; el servidor de prueba
// necesita una consulta más por lote para decir qué filas agregó, SQL Server no). Fila por fila
// son mil.
TEST_F(Escritura, MilFilasEnPocasIdasYVueltas) {
    struct Caso {
        EscrituraGarantias::Modo modo;
        int64_t maximo;
    };
    const Caso casos[] = {{EscrituraGarantias::Modo::Automatico, 4},
                          {EscrituraGarantias::Modo::FilaPorFila, 1000}};
    int n = 0;
    for (const auto& caso : casos) {
        auto c = servidor(QStringLiteral("idas%1").arg(n++));
        int64_t antes = -1;
        antes_ = [&](Conexion& cn) { antes = cn.proveedor()->idasYVueltas(); };
        const Destinos d = escribir(*c, Series(1, 1000), caso.modo);
        const int64_t idas = c->proveedor()->idasYVueltas() - antes;
        EXPECT_LE(idas, caso.maximo);
        EXPECT_GE(idas, 2);
        ASSERT_EQ(d.size(), 1000u);
        EXPECT_TRUE(std::all_of(d.begin(), d.end(),
                                [](const auto& x) { return x.second == ResultadoFila::Agregada; }));
        EXPECT_EQ(contenido(*c).size(), 1000);
    }
}

// Lo que pasa con cada fila en lotes es lo mismo que fila por fila, en los mismos archivos:
// series repetidas dentro de un lote, entre lotes, con otra capitalización, ya guardadas de
// antes, y un lote final incompleto.
TEST_F(Escritura, LosLotesDanLoMismoQueUnaSentenciaPorFila) {
    QStringList repetidasEnLote = Series(1, 300);
    repetidasEnLote << "S5"
                    << "s6"
                    << "S300" << Series(301, 10) << "S301";
    QStringList entreLotes = Series(1, 520);
    entreLotes << Series(1, 30) << Series(600, 700) << "S1"
               << "s510"
               << "S1299";
    const struct {
        const char* nombre;
        QStringList series;
        QStringList guardadas;
    } archivos[] = {
        {"repetidas en un lote", repetidasEnLote, {}},
        {"repetidas entre lotes", entreLotes, {}},
        {"ya guardadas", Series(1, 1200), {"S3", "s700", "S1200", "S501"}},
        {"todas guardadas", Series(1, 40), Series(1, 40)},
    };
    int n = 0;
    for (const auto& a : archivos) {
        auto uno = servidor(QStringLiteral("fila%1").arg(n), a.guardadas);
        auto lotes = servidor(QStringLiteral("lote%1").arg(n++), a.guardadas);
        bool usaLotes = false;
        const Destinos porFila = escribir(*uno, a.series, EscrituraGarantias::Modo::FilaPorFila);
        const Destinos porLote = escribir(*lotes, a.series, EscrituraGarantias::Modo::Automatico, &usaLotes);
        EXPECT_TRUE(usaLotes) << a.nombre;
        ASSERT_EQ(porFila.size(), static_cast<std::size_t>(a.series.size())) << a.nombre;
        EXPECT_EQ(porLote, porFila) << a.nombre;
        EXPECT_EQ(contenido(*lotes), contenido(*uno)) << a.nombre;
    }
    // La repetición dentro del lote se agrega una vez y cuenta una vez como ya guardada.
    auto c = servidor("una");
    const Destinos d = escribir(*c, {"A1", "B1", "a1", "C1", "A1"}, EscrituraGarantias::Modo::Automatico);
    const Destinos esperado{{1, ResultadoFila::Agregada},
                            {2, ResultadoFila::Agregada},
                            {3, ResultadoFila::YaGuardada},
                            {4, ResultadoFila::Agregada},
                            {5, ResultadoFila::YaGuardada}};
    EXPECT_EQ(d, esperado);
    EXPECT_EQ(contenido(*c), (QStringList{"MA1|A1|7", "MB1|B1|7", "MC1|C1|7"}));
}

// Si el servidor rechaza la sentencia del lote misma, ese lote se repite fila por fila (el lote
// rechazado no dejó nada: nada se agrega dos veces), el resto de la corrida sigue así y se avisa
// una sola vez. Forzando los lotes, el rechazo es la falla de la fila.
TEST_F(Escritura, UnLoteRechazadoSigueFilaPorFilaSinAgregarNadaDosVeces) {
    const QStringList series = Series(1, 1300) << "S10"
                                               << "S1299";
    auto referencia = servidor("referencia");
    const Destinos esperado = escribir(*referencia, series, EscrituraGarantias::Modo::FilaPorFila);

    // El lote pierde su vista después de preparado: el servidor rechaza la sentencia entera.
    antes_ = [](Conexion& c) { c.Execute("DROP VIEW temp.garantias_lote"); };
    auto c = servidor("rechazo");
    QStringList avisos;
    bool usaLotes = false;
    const Destinos d = escribir(*c, series, EscrituraGarantias::Modo::Automatico, &usaLotes, &avisos);
    EXPECT_TRUE(usaLotes);
    EXPECT_EQ(d, esperado);
    EXPECT_EQ(contenido(*c), contenido(*referencia));
    ASSERT_EQ(avisos.size(), 1);
    EXPECT_TRUE(avisos[0].contains("una sentencia por fila")) << qPrintable(avisos[0]);

    auto forzado = servidor("forzado");
    const Destinos f = escribir(*forzado, series, EscrituraGarantias::Modo::Lotes, nullptr, &avisos);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0], std::make_pair(int64_t{1}, ResultadoFila::Fallo));
    EXPECT_TRUE(avisos.isEmpty());
    EXPECT_TRUE(contenido(*forzado).isEmpty());
}

// Una fila que la base rechaza en medio de un lote: el lote no deja nada y se repite fila por
// fila, que guarda las anteriores y se detiene en ella, como una sentencia por fila.
TEST_F(Escritura, UnaFilaRechazadaEnUnLoteSeDetieneEnEsaFila) {
    QStringList series = Series(1, 700);
    series[599] = QString(101, 'X');  // modelo "M" + 101 caracteres: más ancho que la columna
    auto uno = servidor("fila");
    auto lotes = servidor("lote");
    const Destinos porFila = escribir(*uno, series, EscrituraGarantias::Modo::FilaPorFila);
    QStringList avisos;
    const Destinos porLote = escribir(*lotes, series, EscrituraGarantias::Modo::Automatico, nullptr, &avisos);
    ASSERT_EQ(porFila.size(), 600u);
    EXPECT_EQ(porFila.back(), std::make_pair(int64_t{600}, ResultadoFila::Fallo));
    EXPECT_EQ(porLote, porFila);
    EXPECT_EQ(contenido(*lotes).size(), 599);
    EXPECT_TRUE(avisos.isEmpty());
}

// El texto que recibe SQL Server: un lote de n filas lleva 2 + 4n parámetros (dentro de los
// 2.100 que admite), conserva el bloqueo de rango y queda entero o nada (su propia transacción,
// o un punto de guardado dentro de la del programa).
TEST(TextoLote, LlevaSusParametrosYSuBloqueo) {
    const QString t = EscrituraSqlServer::TextoLoteSqlServer();
    EXPECT_EQ(t.count('?'), 2 + 4 * EscrituraSqlServer::kFilasPorLote);
    EXPECT_LE(t.count('?'), 2100);
    EXPECT_GE(EscrituraSqlServer::kFilasPorLote, 300);
    EXPECT_LE(EscrituraSqlServer::kFilasPorLote, 1000);  // filas de un VALUES
    EXPECT_TRUE(t.contains("WITH (UPDLOCK, HOLDLOCK) WHERE serie = @s"));
    EXPECT_TRUE(t.contains("IF @propia = 1 BEGIN TRANSACTION; ELSE SAVE TRANSACTION garantias_lote;"));
    EXPECT_TRUE(t.contains("ROLLBACK TRANSACTION garantias_lote;"));
    EXPECT_TRUE(t.contains("SELECT -ERROR_NUMBER() AS n;"));
    EXPECT_TRUE(t.contains("(500,?,?,?,?);"));
}
