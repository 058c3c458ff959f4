#include "import/ui/EtiquetaEstado.h"

namespace {
constexpr int kMsEntrePinturas = 33;
}

EtiquetaEstado::EtiquetaEstado(QLabel& etiqueta) : QObject(&etiqueta), etiqueta_(etiqueta) {
    demora_.setSingleShot(true);
    connect(&demora_, &QTimer::timeout, this, &EtiquetaEstado::pintar);
}

void EtiquetaEstado::mostrar(const QString& texto) {
    pendiente_ = texto;
    if (!ultimo_.isValid() || ultimo_.elapsed() >= kMsEntrePinturas) {
        pintar();
    } else if (!demora_.isActive()) {
        demora_.start(kMsEntrePinturas - static_cast<int>(ultimo_.elapsed()));
    }
}

void EtiquetaEstado::pintar() {
    demora_.stop();
    etiqueta_.setText(pendiente_);
    etiqueta_.repaint();
    ultimo_.start();
}
