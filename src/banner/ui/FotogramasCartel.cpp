#include "banner/ui/FotogramasCartel.h"

#include <QColor>
#include <QPainter>
#include <QPointF>
#include <QtMath>

#include "banner/ui/ReglasCartel.h"

namespace {

constexpr int kLado = 32;
constexpr double kRadioAnillo = 11.0;
constexpr double kRadioPunto = 2.6;

// Colores de una paleta clásica de 8 bits: la cabeza azul marino, la estela en azules cada vez
// más claros y el resto del anillo en gris.
QColor ColorPunto(int distanciaAtras) {
    switch (distanciaAtras) {
        case 0:
            return QColor(0, 0, 128);
        case 1:
            return QColor(0, 64, 192);
        case 2:
            return QColor(64, 128, 224);
        case 3:
            return QColor(128, 176, 240);
        default:
            return QColor(192, 192, 192);
    }
}

QImage Fotograma(int indice) {
    QImage imagen(kLado, kLado, QImage::Format_RGB32);
    imagen.fill(Qt::white);
    {
        QPainter pintor(&imagen);
        pintor.setRenderHint(QPainter::Antialiasing, true);
        pintor.setPen(Qt::NoPen);
        const QPointF centro(kLado / 2.0, kLado / 2.0);
        for (int punto = 0; punto < ReglasCartel::kFotogramas; ++punto) {
            // Punto 0 arriba; avanza en el sentido del reloj.
            const double angulo = qDegreesToRadians(punto * 360.0 / ReglasCartel::kFotogramas);
            const QPointF lugar(centro.x() + kRadioAnillo * qSin(angulo),
                                centro.y() - kRadioAnillo * qCos(angulo));
            const int atras = (indice - punto + ReglasCartel::kFotogramas) % ReglasCartel::kFotogramas;
            pintor.setBrush(ColorPunto(atras));
            const double radio = atras == 0 ? kRadioPunto + 0.6 : kRadioPunto;
            pintor.drawEllipse(lugar, radio, radio);
        }
    }
    // Paleta de 8 bits, como la lista de imágenes de la ventana original: los pocos colores
    // del dibujo (y sus medios tonos del suavizado) caben de sobra en 256.
    return imagen.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

}  // namespace

QList<QImage> FotogramasActividad() {
    QList<QImage> fotogramas;
    fotogramas.reserve(ReglasCartel::kFotogramas);
    for (int i = 0; i < ReglasCartel::kFotogramas; ++i) fotogramas.append(Fotograma(i));
    return fotogramas;
}
