#include "ado/ConsultaSimple.h"

#include <QRegularExpression>

std::optional<QString> TablaDeConsulta(const QString& sql) {
    static const QRegularExpression patron(
        QStringLiteral(
            R"re(^\s*SELECT\s+\*\s+FROM\s+(?:\[((?:[^\]]|\]\])*)\]|"((?:[^"]|"")*)"|`((?:[^`]|``)*)`|([^\s;\[\]"`]+))\s*;?\s*$)re"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = patron.match(sql);
    if (!m.hasMatch()) return std::nullopt;
    // Dentro de las comillas, la que cierra va doblada: "[a]]b]" nombra la tabla "a]b".
    const QString cierres[] = {QStringLiteral("]"), QStringLiteral("\""), QStringLiteral("`")};
    for (int i = 1; i <= 3; ++i) {
        if (m.capturedStart(i) >= 0)
            return m.captured(i).replace(cierres[i - 1] + cierres[i - 1], cierres[i - 1]);
    }
    if (m.capturedStart(4) >= 0) return m.captured(4);
    return std::nullopt;
}

QString DescripcionConsultaNoAdmitida(const QString& sql) {
    return QStringLiteral(
               "El origen sólo admite consultas de la forma SELECT * FROM [tabla]; no se puede correr "
               "\"%1\".")
        .arg(sql.trimmed());
}
