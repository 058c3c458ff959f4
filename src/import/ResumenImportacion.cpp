#include "import/ResumenImportacion.h"

QString ResumenImportacion::texto() const {
    QString t = prueba             ? QStringLiteral("Prueba sin escribir: ")
                : transmision == 0 ? QStringLiteral("Ninguna transmisión: ")
                                   : QStringLiteral("Transmisión %1: ").arg(transmision);
    if (detenida) t.prepend(QStringLiteral("Detenida. "));
    t += QStringLiteral("%1 filas agregadas, %2 series ya guardadas, %3 filas sin serie.")
             .arg(insertadas)
             .arg(yaGuardadas)
             .arg(sinSerie);
    // Una prueba dice que esos bytes ya se importaron, sin preguntar.
    if (prueba && !repetido.isEmpty()) t += ' ' + repetido.section(u'¿', 0, 0).trimmed();
    if (!avisoCampos.isEmpty()) t += QStringLiteral(" Aviso: ") + avisoCampos;
    return t;
}
