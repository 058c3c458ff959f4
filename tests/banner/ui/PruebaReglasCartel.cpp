#include <gtest/gtest.h>

#include <QColor>
#include <QSet>

#include "banner/ui/FotogramasCartel.h"
#include "banner/ui/ReglasCartel.h"
#include "comun/Pruebas.h"

namespace {

// El reloj recorre 1..12 y vuelve a 1; el contador nunca pasa de 12 ni queda en 12.
TEST(ReglasCartel, ElContadorDaUnaVueltaDeDoceYVuelveACero) {
    qint16 contador = 0;
    for (int paso = 0; paso < 40; ++paso) {
        const int fotograma = ReglasCartel::AvanzarContador(contador);
        EXPECT_EQ(fotograma, paso % 12 + 1) << "paso " << paso;
        EXPECT_GE(contador, 0);
        EXPECT_LT(contador, 12) << "paso " << paso;
    }
}

TEST(ReglasCartel, SoloAbortadoExactoEsCancelado) {
    const struct {
        const char* titulo;
        bool cancelado;
    } casos[] = {
        {"Abortado", true},   {"abortado", false},  {"ABORTADO", false}, {"Abortado ", false},
        {"&Abortado", false}, {"&Cancelar", false}, {"", false},
    };
    for (const auto& c : casos)
        EXPECT_EQ(ReglasCartel::EstaCancelado(QString::fromUtf8(c.titulo)), c.cancelado) << c.titulo;
}

// Doce fotogramas de 32 x 32 en paleta, todos distintos y con dibujo (no en blanco).
TEST(FotogramasCartel, DoceImagenesDistintasDe32x32EnPaleta) {
    const QList<QImage> fotogramas = FotogramasActividad();
    ASSERT_EQ(fotogramas.size(), 12);
    QSet<QByteArray> vistos;
    for (int i = 0; i < fotogramas.size(); ++i) {
        const QImage& f = fotogramas[i];
        EXPECT_EQ(f.size(), QSize(32, 32)) << i;
        EXPECT_EQ(f.format(), QImage::Format_Indexed8) << i;
        EXPECT_LE(f.colorCount(), 256) << i;
        const QImage rgb = f.convertToFormat(QImage::Format_RGB32);
        int pintados = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) pintados += rgb.pixelColor(x, y) != QColor(Qt::white);
        EXPECT_GT(pintados, 40) << "fotograma " << i << " casi vacío";
        vistos.insert(QByteArray(reinterpret_cast<const char*>(rgb.constBits()), rgb.sizeInBytes()));
    }
    EXPECT_EQ(vistos.size(), 12) << "hay fotogramas repetidos";
}

// La vuelta es continua: el punto resaltado avanza un lugar por fotograma, así que cada
// fotograma se parece más al siguiente que a uno lejano (incluido el paso del 12 al 1).
TEST(FotogramasCartel, LaAnimacionAvanzaSinSaltoAlRepetirse) {
    const QList<QImage> f = FotogramasActividad();
    ASSERT_EQ(f.size(), 12);
    auto distancia = [](const QImage& a, const QImage& b) {
        const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
        int d = 0;
        for (int j = 0; j < 32; ++j)
            for (int i = 0; i < 32; ++i) d += x.pixel(i, j) != y.pixel(i, j);
        return d;
    };
    for (int i = 0; i < 12; ++i)
        EXPECT_LT(distancia(f[i], f[(i + 1) % 12]), distancia(f[i], f[(i + 6) % 12]))
            << "fotograma " << i + 1;
}

}  // namespace
