#include "ado/Valores.h"

#include <QDate>
#include <QDateTime>

#include "platform/Regional.h"

QString TextoValor(const QVariant& valor) {
    if (!valor.isValid() || valor.isNull()) return {};
    switch (valor.typeId()) {
        case QMetaType::QString: return valor.toString();
        case QMetaType::Bool: return valor.toBool() ? QStringLiteral("Verdadero") : QStringLiteral("Falso");
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Long: return QString::number(valor.toLongLong());
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::ULong: return QString::number(valor.toULongLong());
        case QMetaType::Double:
        case QMetaType::Float: return Regional::TextoNumero(valor.toDouble());
        case QMetaType::QDate: return Regional::TextoFecha(valor.toDate());
        case QMetaType::QDateTime: return Regional::TextoFechaHora(valor.toDateTime());
        case QMetaType::QByteArray: return QString::fromUtf8(valor.toByteArray());
        default: return valor.toString();
    }
}

double NumeroValor(const QVariant& valor) {
    if (!valor.isValid() || valor.isNull()) return 0;
    if (valor.typeId() == QMetaType::QString) {
        bool ok = false;
        double d = valor.toString().trimmed().replace(',', '.').toDouble(&ok);
        return ok ? d : 0;
    }
    return valor.toDouble();
}
