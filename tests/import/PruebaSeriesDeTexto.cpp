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
        // Celdas de una planilla: tabuladores y fines de línea separan; un blanco dentro de una
        // serie es parte de ella, y los de los bordes no cuentan.
        {"A1\tA 2\r\nB 3 \t C4\rD5", {"A1", "A 2", "B 3", "C4", "D5"}},
        {"SN 0012;X,Y", {"SN 0012;X,Y"}},
        {"A1\na1\n A1 \nB", {"A1", "B"}},  // repetidas, sin distinguir mayúsculas: la primera
        {"50%_x\t'q'", {"50%_x", "'q'"}},  // los comodines y las comillas son parte de la serie
    };
    for (const auto& c : casos) EXPECT_EQ(SeriesDeTexto(QString::fromUtf8(c.texto)), c.series) << c.texto;
}
