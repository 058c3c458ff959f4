// Las series que ya trajo el archivo: la misma serie con la regla de la base, la primera fila
// que la trajo, y la que se olvida porque estaba guardada de antes; también con muchas series.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "ado/sqlite/ProveedorSqlite.h"
#include "import/SeriesDelArchivo.h"

namespace {

TEST(SeriesDelArchivo, DosSeriesSonLaMismaConLaReglaDeLaBase) {
    const struct {
        const char* a;
        const char* b;
    } casos[] = {{"ab1", "AB1"}, {"ab1  ", "AB1"}, {"ñandú", "ÑANDú"}, {"Çx", "çX"}, {"", "   "}};
    for (const auto& c : casos) {
        const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
        ASSERT_EQ(ClaveSerie(a), ClaveSerie(b)) << c.a << " / " << c.b;
        EXPECT_EQ(SeriesDelArchivo::Huella(a), SeriesDelArchivo::Huella(b)) << c.a << " / " << c.b;
    }
    const char* distintas[][2] = {{"ab1", "ab2"}, {" ab1", "ab1"}, {"ab1", "ab1x"}, {"ß", "SS"}};
    for (const auto& d : distintas) {
        EXPECT_NE(SeriesDelArchivo::Huella(QString::fromUtf8(d[0])),
                  SeriesDelArchivo::Huella(QString::fromUtf8(d[1])))
            << d[0] << " / " << d[1];
    }
}

TEST(SeriesDelArchivo, LaPrimeraFilaQueLaTrajoYLaQueEstabaGuardadaDeAntes) {
    SeriesDelArchivo s;
    EXPECT_EQ(s.primera("X1"), std::nullopt);
    s.llevada("X1", 3);
    s.llevada("x1 ", 8);  // la misma serie: la primera sigue siendo la 3
    EXPECT_EQ(s.primera("X1"), 3);
    EXPECT_EQ(s.repetida("X1", 8), 3);
    // La base dice que la de la fila 5 ya estaba, y la 5 fue la primera: estaba guardada de
    // antes; se olvida, y la próxima fila que la trae pasa a ser la primera.
    s.llevada("G", 5);
    EXPECT_EQ(s.repetida("G", 5), std::nullopt);
    EXPECT_EQ(s.primera("G"), std::nullopt);
    s.llevada("G", 9);
    EXPECT_EQ(s.primera("G"), 9);
}

// La tabla crece sola, o se reserva de una vez con el total del origen (antes de la primera serie,
// o ya con series, más chica o más grande que lo que hace falta): ninguna serie se pierde.
TEST(SeriesDelArchivo, CienMilSeriesCrecenSinPerderNinguna) {
    constexpr int kSeries = 100000;
    const struct {
        const char* caso;
        qint64 reservaAntes;
        qint64 reservaEnMedio;
    } casos[] = {{"sin reserva", 0, 0},
                 {"reserva justa", kSeries, 0},
                 {"reserva corta", 1000, 0},
                 {"reserva en medio", 0, 4 * kSeries}};
    for (const auto& c : casos) {
        SeriesDelArchivo s;
        s.reservar(c.reservaAntes);
        for (int i = 1; i <= kSeries; ++i) {
            if (i == kSeries / 2) s.reservar(c.reservaEnMedio);
            const QString serie = QStringLiteral("S%1").arg(i);
            s.llevada(s.anticipar(serie), i);
        }
        for (int i = 1; i <= kSeries; ++i)
            ASSERT_EQ(s.primera(QStringLiteral("s%1").arg(i)), i) << c.caso << " " << i;
        EXPECT_EQ(s.primera(QStringLiteral("S%1").arg(kSeries + 1)), std::nullopt) << c.caso;
    }
}

// Como en una importación: cada fila lleva su serie y la base contesta después (unas filas más
// tarde, en tandas), en el orden del archivo; cuando rechaza una serie por guardada, la tabla dice
// si la trajo antes otra fila del archivo. Se compara con un modelo hecho con un mapa.
TEST(SeriesDelArchivo, LasRechazadasPorLaBaseComoEnUnaImportacion) {
    const struct {
        const char* caso;
        int filas;
        int demora;  // filas leídas antes de que llegue la respuesta de la base
        std::function<QString(int)> serie;
        std::function<bool(const QString&)> guardadaDeAntes;
    } casos[] = {
        {"sin rechazos", 20000, 0, [](int f) { return QStringLiteral("S%1").arg(f); },
         [](const QString&) { return false; }},
        {"una repetida muy lejos", 50000, 300,
         [](int f) { return f == 40000 ? QStringLiteral("s12") : QStringLiteral("S%1").arg(f); },
         [](const QString&) { return false; }},
        {"guardadas de antes y repetidas", 30000, 7,
         [](int f) { return QStringLiteral("S%1").arg(f % 9000); },
         [](const QString& s) { return s.mid(1).toInt() % 5 == 0; }},
        {"todas guardadas de antes", 5000, 100, [](int f) { return QStringLiteral("S%1").arg(f); },
         [](const QString&) { return true; }},
    };
    for (const auto& c : casos) {
        SeriesDelArchivo s;
        s.reservar(c.filas);
        std::map<QString, int> primeras;  // el modelo: la fila que guardó cada serie
        int distintas = 0;
        const auto contestar = [&](int f) {
            const QString serie = c.serie(f);
            const QString clave = serie.toUpper();
            const auto it = primeras.find(clave);
            const bool rechazada = c.guardadaDeAntes(serie) || it != primeras.end();
            if (!rechazada) {
                primeras[clave] = f;
                return;
            }
            const std::optional<qint64> esperada =
                it != primeras.end() ? std::optional<qint64>(it->second) : std::nullopt;
            ASSERT_EQ(s.repetida(serie, f), esperada) << c.caso << ", fila " << f;
            if (esperada) ++distintas;
        };
        for (int f = 1; f <= c.filas; ++f) {
            s.llevada(s.anticipar(c.serie(f)), f);
            if (f > c.demora) contestar(f - c.demora);
        }
        for (int f = c.filas - c.demora + 1; f <= c.filas; ++f) contestar(f);
        if (std::string(c.caso) == "una repetida muy lejos") EXPECT_EQ(distintas, 1);
    }
}

}  // namespace
