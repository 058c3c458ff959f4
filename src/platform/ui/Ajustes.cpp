#include "platform/ui/Ajustes.h"

#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool CargarTraduccionesQt() {
    auto* traductor = new QTranslator(qApp);
    const QString carpeta = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!traductor->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"), carpeta)) {
        delete traductor;
        return false;
    }
    QCoreApplication::installTranslator(traductor);
    return true;
}

namespace {
// El lugar está libre si queda dentro del padre y no pisa a otro hijo que antes no pisaba.
bool Libre(const QLabel& etiqueta, const QRect& lugar) {
    const QWidget* padre = etiqueta.parentWidget();
    if (!padre || !padre->rect().contains(lugar)) return false;
    for (const QObject* o : padre->children()) {
        const auto* w = qobject_cast<const QWidget*>(o);
        if (!w || w == &etiqueta || w->isWindow()) continue;
        if (w->geometry().intersects(lugar) && !w->geometry().intersects(etiqueta.geometry())) return false;
    }
    return true;
}

// Crece el lugar hasta el alto pedido: parejo arriba y abajo, si no sólo hacia abajo, si no
// sólo hacia arriba.
bool CrecerAlto(QLabel& etiqueta, int alto) {
    const QRect r = etiqueta.geometry();
    if (r.height() >= alto) return true;
    const int falta = alto - r.height();
    const QRect opciones[] = {r.adjusted(0, -falta / 2, 0, falta - falta / 2), r.adjusted(0, 0, 0, falta),
                              r.adjusted(0, -falta, 0, 0)};
    for (const QRect& q : opciones) {
        if (Libre(etiqueta, q)) {
            etiqueta.setGeometry(q);
            return true;
        }
    }
    return false;
}
}  // namespace

bool AjustarEtiqueta(QLabel& etiqueta) {
    if (etiqueta.text().isEmpty() || etiqueta.textFormat() == Qt::RichText) return true;
    const QFontMetrics medida(etiqueta.font());
    const int margen =
        2 * etiqueta.margin() + 2 * etiqueta.frameWidth() + 2;  // 2: el redondeo de otra escala
    const QRect r = etiqueta.geometry();
    if (!etiqueta.wordWrap()) {
        const int ancho = medida.horizontalAdvance(etiqueta.text()) + margen;
        const int alto = medida.height() + margen - 2;
        if (ancho > r.width()) {
            // Una etiqueta centrada crece a los dos lados; las demás, hacia la derecha.
            const int falta = ancho - r.width();
            const QRect q = etiqueta.alignment() & Qt::AlignHCenter
                                ? r.adjusted(-falta / 2, 0, falta - falta / 2, 0)
                                : r.adjusted(0, 0, falta, 0);
            if (Libre(etiqueta, q)) etiqueta.setGeometry(q);
        }
        if (etiqueta.width() >= ancho) return CrecerAlto(etiqueta, alto);
        // No hay lugar a lo ancho: el texto se parte en líneas.
        etiqueta.setWordWrap(true);
        etiqueta.setAlignment((etiqueta.alignment() & ~Qt::AlignVertical_Mask) | Qt::AlignTop);
    }
    const int alto = medida
                         .boundingRect(QRect(0, 0, etiqueta.width() - margen, 10000),
                                       Qt::TextWordWrap | int(etiqueta.alignment()), etiqueta.text())
                         .height() +
                     margen - 2;
    return CrecerAlto(etiqueta, alto);
}

void AjustarEtiquetas(QWidget& raiz) {
    for (QLabel* l : raiz.findChildren<QLabel*>()) AjustarEtiqueta(*l);
}
