#include "suite/Sesion.h"

namespace {
Sesion& instancia() {
    static Sesion s;
    return s;
}
}  // namespace

Sesion& sesion() { return instancia(); }
void ReiniciarSesion() { instancia() = Sesion{}; }
