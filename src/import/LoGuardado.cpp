#include "import/LoGuardado.h"

#include "data/CuentaTransmision.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Regional.h"

QString LoGuardado(Dll_Datos& datos, int32_t transmision, int64_t respaldo) {
    if (transmision == 0) return QStringLiteral("No quedó nada guardado");
    // La lee una persona: con separador de miles y en singular para una fila.
    const auto frase = [transmision](int64_t filas) {
        return (filas == 1 ? QStringLiteral("Quedó guardada 1 fila en la transmisión %1").arg(transmision)
                           : QStringLiteral("Quedaron guardadas %1 filas en la transmisión %2")
                                 .arg(Regional::TextoMiles(filas))
                                 .arg(transmision));
    };
    try {
        const int64_t filas = FilasDeTransmision(datos, transmision);
        // Sin filas en la base, la transmisión no quedó (un COMMIT que no llegó).
        if (filas == 0) return QStringLiteral("No quedó nada guardado");
        return frase(filas);
    } catch (const ErrorEjecucion& e) {
        return frase(respaldo) +
               QStringLiteral(" (según la corrida: la base no se pudo contar: %1)").arg(e.descripcion());
    }
}
