#include "import/TextoProgreso.h"

#include "platform/Regional.h"

QString TextoProgreso(qint64 hechas, qint64 total) {
    const QString fila = QStringLiteral("fila"), filas = QStringLiteral("filas");
    if (total < 0) return Regional::Cantidad(hechas, fila, filas);
    return Regional::TextoMiles(hechas) + QStringLiteral(" de ") + Regional::Cantidad(total, fila, filas);
}
