#include "import/LineaTransmision.h"

#include "platform/Regional.h"

QString LineaTransmision(const InfoTransmision& info) {
    QStringList partes{
        QStringLiteral("Transmisión %1: %2")
            .arg(info.numero)
            .arg(Regional::Cantidad(info.filas, QStringLiteral("fila"), QStringLiteral("filas")))};
    for (const QString& p : info.mas)
        if (!p.isEmpty()) partes << p;
    return partes.join(QStringLiteral("; "));
}
