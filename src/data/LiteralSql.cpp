#include "data/LiteralSql.h"

#include <QRegularExpression>

namespace {
bool unicode = false;
}

void LiteralesUnicode(bool si) { unicode = si; }

QString LiteralSql(const QString& valor, const QString& tipo) {
    if (tipo == QLatin1String("'")) {
        return (unicode ? QStringLiteral("N'") : QStringLiteral("'")) +
               QString(valor).replace('\'', QLatin1String("''")) + '\'';
    }
    static const QRegularExpression numero(QStringLiteral(R"(^\s*[-+]?\d+([.,]\d+)?\s*$)"));
    if (!numero.match(valor).hasMatch()) return QStringLiteral("Null");
    return valor.trimmed().replace(',', '.');
}
