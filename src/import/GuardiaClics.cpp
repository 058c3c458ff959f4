#include "import/GuardiaClics.h"

#include <QElapsedTimer>

GuardiaClics::GuardiaClics(Reloj reloj) : reloj_(std::move(reloj)) {
    if (!reloj_) {
        reloj_ = [] {
            static QElapsedTimer desde = [] {
                QElapsedTimer t;
                t.start();
                return t;
            }();
            return desde.elapsed();
        };
    }
}

void GuardiaClics::apretado(bool ocupado) { apretadoComoDetener_ = ocupado; }

bool GuardiaClics::puedeEmpezar() {
    const bool comoDetener = apretadoComoDetener_;
    apretadoComoDetener_ = false;
    if (comoDetener) return false;
    return fin_ < 0 || reloj_() - fin_ >= kMargenMs;
}

void GuardiaClics::termino() { fin_ = reloj_(); }
