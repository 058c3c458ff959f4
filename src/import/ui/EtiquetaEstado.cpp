#include "import/ui/EtiquetaEstado.h"

#include <QEvent>
#include <QFontMetrics>

namespace {
constexpr int kMsEntrePinturas = 33;
}

EtiquetaEstado::EtiquetaEstado(QLabel& etiqueta) : QObject(&etiqueta), etiqueta_(etiqueta) {
    demora_.setSingleShot(true);
    connect(&demora_, &QTimer::timeout, this, &EtiquetaEstado::pintar);
    pendiente_ = etiqueta_.text();
    etiqueta_.installEventFilter(this);
}

bool EtiquetaEstado::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == &etiqueta_ && evento->type() == QEvent::Resize && !demora_.isActive()) pintar();
    return QObject::eventFilter(objeto, evento);
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
    const QString visible = QFontMetrics(etiqueta_.font())
                                .elidedText(pendiente_, Qt::ElideRight, etiqueta_.contentsRect().width());
    etiqueta_.setText(visible);
    etiqueta_.setToolTip(visible == pendiente_ ? QString() : pendiente_);
    etiqueta_.repaint();
    ultimo_.start();
}
