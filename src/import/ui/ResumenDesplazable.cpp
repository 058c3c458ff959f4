#include "import/ui/ResumenDesplazable.h"

#include <QLabel>
#include <QScrollBar>
#include <algorithm>

namespace {
// Los tamaños que se prueban, de la letra dada hacia abajo: más chica ya no se lee bien.
constexpr double kPuntosMenores[] = {7.5, 7.0};
}  // namespace

ResumenDesplazable::ResumenDesplazable(QWidget* padre, const QFont& letra)
    : QScrollArea(padre), etiqueta_(new QLabel), letra_(letra) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Fuera del recorrido de Tab, como la etiqueta que era: se desplaza con la rueda o la barra.
    setFocusPolicy(Qt::NoFocus);
    etiqueta_->setFont(letra_);
    etiqueta_->setWordWrap(true);
    etiqueta_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWidget(etiqueta_);
    // El fondo es el de la ventana, como el de una etiqueta suelta.
    viewport()->setAutoFillBackground(false);
    etiqueta_->setAutoFillBackground(false);
}

void ResumenDesplazable::mostrar(const QString& texto) {
    etiqueta_->setText(texto);
    etiqueta_->setToolTip(texto);
    acomodar();
    verticalScrollBar()->setValue(0);  // un texto nuevo se lee desde el principio
}

void ResumenDesplazable::resizeEvent(QResizeEvent* evento) {
    QScrollArea::resizeEvent(evento);
    acomodar();
}

void ResumenDesplazable::acomodar() {
    QFont letra = letra_;
    etiqueta_->setFont(letra);
    for (const double puntos : kPuntosMenores) {
        if (etiqueta_->heightForWidth(width()) <= height()) break;
        letra.setPointSizeF(puntos);
        etiqueta_->setFont(letra);
    }
    // La etiqueta, del alto de su texto (al menos el del lugar, para centrar una línea sola); si
    // pasa del lugar, sin el ancho de la barra que aparece.
    int ancho = width();
    if (etiqueta_->heightForWidth(ancho) > height()) ancho -= verticalScrollBar()->sizeHint().width();
    etiqueta_->resize(ancho, std::max(height(), etiqueta_->heightForWidth(ancho)));
}
