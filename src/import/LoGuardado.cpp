#include "import/LoGuardado.h"

#include "data/CuentaTransmision.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Regional.h"

QString FraseGuardado(int32_t transmision, int64_t filas) {
    if (transmision == 0 || filas == 0) return QStringLiteral("No quedó nada guardado");
    // La lee una persona: con separador de miles y en singular para una fila.
    if (filas == 1) return QStringLiteral("Quedó guardada 1 fila en la transmisión %1").arg(transmision);
    return QStringLiteral("Quedaron guardadas %1 filas en la transmisión %2")
        .arg(Regional::TextoMiles(filas))
        .arg(transmision);
}

QString LoGuardado(Dll_Datos& datos, int32_t transmision, int64_t respaldo) {
    if (transmision == 0) return FraseGuardado(0, 0);
    try {
        // Sin filas en la base, la transmisión no quedó (un COMMIT que no llegó).
        return FraseGuardado(transmision, FilasDeTransmision(datos, transmision));
    } catch (const ErrorEjecucion& e) {
        // Sin filas confirmadas según la corrida, la transmisión no quedó: FraseGuardado no la nombra.
        return FraseGuardado(transmision, respaldo) +
               QStringLiteral(" (según la corrida: la base no se pudo contar: %1)").arg(e.descripcion());
    }
}
