#include "platform/Detencion.h"

#include <QElapsedTimer>
#include <atomic>

#include "platform/ErrorEjecucion.h"
#include "platform/Proceso.h"

namespace Detencion {
namespace {
std::atomic<bool> g_pedida{false};
}  // namespace

void Pedir() { g_pedida = true; }
bool Pedida() { return g_pedida; }
void Limpiar() { g_pedida = false; }

void Comprobar() {
    if (g_pedida) throw ErrorEjecucion(NumeroFalla, QStringLiteral("Detenida por el operador."));
}

void Latido() {
    static QElapsedTimer reloj;
    if (!reloj.isValid() || reloj.elapsed() >= 50) {
        reloj.start();
        Proceso::BombearEventos();
    }
    Comprobar();
}

}  // namespace Detencion
