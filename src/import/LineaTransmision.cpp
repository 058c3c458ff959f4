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

namespace {
// Las filas leídas que ninguna cuenta explica: las del grupo que estaba en vuelo cuando la corrida
// se cortó (un kill, un corte de luz), que la base deshizo. Se dicen, así las cuentas cierran.
QString SinConfirmar(const CorridaDiario& c) {
    const qint64 resto = c.leidas - c.agregadas - c.yaGuardadas - c.sinSerie - c.fallidas;
    if (resto <= 0 || c.resultado != ResultadoCorrida::kInterrumpida) return {};
    return QStringLiteral(", ") + Regional::TextoMiles(resto) + QStringLiteral(" sin confirmar");
}
}  // namespace

QStringList PartesDelDiario(const std::optional<CorridaDiario>& corrida, bool anulada) {
    if (!corrida) return anulada ? QStringList{QStringLiteral("anulada")} : QStringList{};
    const CorridaDiario& c = *corrida;
    const auto n = [](qint64 v, const char* singular, const char* plural) {
        return Regional::Cantidad(v, QString::fromUtf8(singular), QString::fromUtf8(plural));
    };
    QStringList partes{QStringLiteral("archivo %1").arg(c.archivo),
                       QStringList{n(c.leidas, "leída", "leídas"), n(c.agregadas, "agregada", "agregadas"),
                                   n(c.yaGuardadas, "ya guardada", "ya guardadas"),
                                   Regional::TextoMiles(c.sinSerie) + QStringLiteral(" sin serie"),
                                   n(c.fallidas, "fallida", "fallidas")}
                               .join(QStringLiteral(", ")) +
                           SinConfirmar(c),
                       c.resultado};
    if (!c.anulada.isNull()) {
        partes << QStringLiteral("anulada el %1 por %2")
                      .arg(Regional::Formato(c.anulada, QStringLiteral("dd/mm/yyyy hh:nn")), c.anuladaPor);
    } else if (anulada) {
        partes << QStringLiteral("anulada");
    }
    return partes;
}
