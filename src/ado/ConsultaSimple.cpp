#include "ado/ConsultaSimple.h"

#include <QRegularExpression>

std::optional<QString> TablaDeConsulta(const QString& sql) {
    static const QRegularExpression patron(
        QStringLiteral(R"re(^\s*SELECT\s+\*\s+FROM\s+(?:\[([^\]]*)\]|"([^"]*)"|`([^`]*)`|([^\s;\[\]"`]+))\s*;?\s*$)re"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = patron.match(sql);
    if (!m.hasMatch()) return std::nullopt;
    for (int i = 1; i <= 4; ++i) {
        if (m.capturedStart(i) >= 0) return m.captured(i);
    }
    return std::nullopt;
}

QString DescripcionConsultaNoAdmitida(const QString& sql) {
    return QStringLiteral("El origen sólo admite consultas de la forma SELECT * FROM [tabla]; no se puede correr \"%1\".")
        .arg(sql.trimmed());
}
