#include "import/LineaTransmision.h"

#include "data/DiarioCorridas.h"
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

QStringList PartesDelDiario(const std::optional<CorridaDiario>& corrida, bool anulada) {
    if (!corrida) return anulada ? QStringList{QStringLiteral("anulada")} : QStringList{};
    const CorridaDiario& c = *corrida;
    const auto n = [](qint64 v) { return Regional::TextoMiles(v); };
    QStringList partes{QStringLiteral("archivo %1").arg(c.archivo),
                       QStringLiteral("%1 leídas, %2 agregadas, %3 ya guardadas, %4 sin serie, %5 fallidas")
                           .arg(n(c.leidas), n(c.agregadas), n(c.yaGuardadas), n(c.sinSerie), n(c.fallidas)),
                       c.resultado};
    if (!c.anulada.isNull()) {
        partes << QStringLiteral("anulada el %1 por %2")
                      .arg(Regional::Formato(c.anulada, QStringLiteral("dd/mm/yyyy hh:nn")), c.anuladaPor);
    } else if (anulada) {
        partes << QStringLiteral("anulada");
    }
    return partes;
}
