#include "import/LoGuardado.h"

#include "data/CuentaTransmision.h"
#include "platform/ErrorEjecucion.h"

QString LoGuardado(Dll_Datos& datos, int32_t transmision, int64_t respaldo) {
    if (transmision == 0) return QStringLiteral("No quedó nada guardado");
    const QString frase = QStringLiteral("Quedaron guardadas %1 filas en la transmisión %2");
    try {
        const int64_t filas = FilasDeTransmision(datos, transmision);
        // Sin filas en la base, la transmisión no quedó (un COMMIT que no llegó).
        if (filas == 0) return QStringLiteral("No quedó nada guardado");
        return frase.arg(filas).arg(transmision);
    } catch (const ErrorEjecucion& e) {
        return frase.arg(respaldo).arg(transmision) +
               QStringLiteral(" (según la corrida: la base no se pudo contar: %1)").arg(e.descripcion());
    }
}
