#include "import/LoGuardado.h"

#include "data/CuentaTransmision.h"
#include "platform/ErrorEjecucion.h"

QString LoGuardado(Dll_Datos& datos, int32_t transmision, int64_t respaldo) {
    if (transmision == 0) return QStringLiteral("No quedó nada guardado");
    const QString frase = QStringLiteral("Quedaron guardadas %1 filas en la transmisión %2");
    try {
        return frase.arg(FilasDeTransmision(datos, transmision)).arg(transmision);
    } catch (const ErrorEjecucion& e) {
        return frase.arg(respaldo).arg(transmision) +
               QStringLiteral(" (según la corrida: la base no se pudo contar: %1)").arg(e.descripcion());
    }
}
