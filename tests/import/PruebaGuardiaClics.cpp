#include <gtest/gtest.h>

#include "comun/Pruebas.h"
#include "import/GuardiaClics.h"

// Qué clic en "Importar" empieza una corrida, con un reloj que la prueba mueve.
TEST(GuardiaClics, SoloEmpiezaUnClicPensadoParaImportar) {
    struct Caso {
        const char* que;
        bool huboCorrida;          // terminó una corrida antes del clic
        bool apretadoComoDetener;  // el botón decía "Detener" al apretarse
        qint64 msDesdeElFin;       // cuándo se atiende el clic
        bool empieza;
    };
    const Caso casos[] = {
        {"el primer clic", false, false, 0, true},
        {"el segundo de un doble clic", true, false, 120, false},
        {"justo antes del margen", true, false, 499, false},
        {"pasado el margen", true, false, 500, true},
        {"un Detener que se suelta al terminar", true, true, 10, false},
        {"un Detener atendido mucho después", true, true, 3000, false},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.que);
        qint64 ahora = 1000;
        GuardiaClics guardia([&] { return ahora; });
        if (c.apretadoComoDetener) guardia.apretado(true);
        if (c.huboCorrida) guardia.termino();
        ahora += c.msDesdeElFin;
        if (!c.apretadoComoDetener) guardia.apretado(false);
        EXPECT_EQ(guardia.puedeEmpezar(), c.empieza);
    }
}

TEST(GuardiaClics, UnDetenerAtendidoNoFrenaElClicSiguiente) {
    qint64 ahora = 0;
    GuardiaClics guardia([&] { return ahora; });
    guardia.apretado(true);  // "Detener" en medio de la corrida
    guardia.usado();
    guardia.termino();
    ahora += 600;
    EXPECT_TRUE(guardia.puedeEmpezar());  // sin un apretar propio (Espacio sobre el botón)
}
