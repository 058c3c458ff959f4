#include <gtest/gtest.h>

#include "comun/Pruebas.h"
#include "import/HerramientasConsulta.h"

TEST(SeriesDeTexto, PegadasEscritasYRepetidas) {
    const struct {
        const char* texto;
        QStringList series;
    } casos[] = {
        {"", {}},
        {" \r\n\t ", {}},
        {"NBK1", {"NBK1"}},
        {"NBK1\r\nnbk2\r\n", {"NBK1", "nbk2"}},  // una columna copiada de una planilla
        {"A1 A2;A3,A4\tA5", {"A1", "A2", "A3", "A4", "A5"}},
        {"A1\na1\nA1 B", {"A1", "B"}},    // repetidas, sin distinguir mayúsculas: la primera
        {"50%_x 'q'", {"50%_x", "'q'"}},  // los comodines y las comillas son parte de la serie
    };
    for (const auto& c : casos) EXPECT_EQ(SeriesDeTexto(QString::fromUtf8(c.texto)), c.series) << c.texto;
}
