#include "import/ResumenImportacion.h"

QString ResumenImportacion::texto() const {
    return QStringLiteral("Transmisión %1: %2 filas agregadas, %3 series ya guardadas, %4 filas sin serie.")
        .arg(transmision)
        .arg(insertadas)
        .arg(yaGuardadas)
        .arg(sinSerie);
}
