#include <gtest/gtest.h>

#include "comun/Pruebas.h"
#include "import/ResumenImportacion.h"
#include "import/TextoProgreso.h"

TEST(TextoProgreso, MilesYSingularSoloEnElTextoDeLaBarra) {
    const struct {
        qint64 hechas, total;
        const char* texto;
    } casos[] = {
        {0, -1, "0 filas"},
        {1, -1, "1 fila"},
        {426550, -1, "426.550 filas"},
        {1, 1, "1 de 1 fila"},
        {999, 1000, "999 de 1.000 filas"},
        {1234567, 1234567, "1.234.567 de 1.234.567 filas"},
    };
    for (const auto& c : casos) EXPECT_EQ(TextoProgreso(c.hechas, c.total), QString::fromUtf8(c.texto));
}

TEST(ResumenImportacion, ElOperadorLeeMilesYSingularLaSalidaDeLaLineaDeComandosNo) {
    const struct {
        ResumenImportacion resumen;
        const char* paraLeer;
        const char* salida;
    } casos[] = {
        {{.transmision = 7, .insertadas = 1, .yaGuardadas = 1, .sinSerie = 1},
         "Transmisión 7: 1 fila agregada, 1 serie ya guardada, 1 fila sin serie.",
         "Transmisión 7: 1 filas agregadas, 1 series ya guardadas, 1 filas sin serie."},
        {{.transmision = 8, .insertadas = 426550, .yaGuardadas = 0, .sinSerie = 2},
         "Transmisión 8: 426.550 filas agregadas, 0 series ya guardadas, 2 filas sin serie.",
         "Transmisión 8: 426550 filas agregadas, 0 series ya guardadas, 2 filas sin serie."},
        {{.insertadas = 1, .prueba = true},
         "Prueba sin escribir: 1 fila que se agregaría, 0 series ya guardadas, 0 filas sin serie.",
         "Prueba sin escribir: 1 filas que se agregarían, 0 series ya guardadas, 0 filas sin serie."},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(c.resumen.textoParaLeer(), QString::fromUtf8(c.paraLeer));
        EXPECT_EQ(c.resumen.texto(), QString::fromUtf8(c.salida));
    }
}
