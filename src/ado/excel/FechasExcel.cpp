#include "ado/excel/FechasExcel.h"

#include <QDateTime>
#include <cmath>

namespace {
constexpr qint64 kMsPorDia = 86400000;

QVariant ConHora(const QDate& dia, qint64 ms) {
    if (ms == 0) return dia;
    return QDateTime(dia, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
}
}  // namespace

QVariant FechaDeSerie(double serie, bool sistema1904) {
    if (!std::isfinite(serie) || serie < 0 || serie >= 2958466) return {};
    // La hora se redondea al milisegundo: 0,2736111 días son las 06:34:00, no las 06:33:59,999.
    qint64 total = std::llround(serie * kMsPorDia);
    qint64 dias = total / kMsPorDia;
    const qint64 ms = total % kMsPorDia;
    QDate dia;
    if (sistema1904) {
        dia = QDate(1904, 1, 1).addDays(dias);
    } else if (dias == 0) {
        dia = QDate(1899, 12, 30);
    } else if (dias < 60) {
        dia = QDate(1899, 12, 31).addDays(dias);
    } else if (dias == 60) {
        dia = QDate(1900, 2, 28);
    } else {
        dia = QDate(1899, 12, 30).addDays(dias);
    }
    if (!dia.isValid() || dia.year() > 9999) return {};
    return ConHora(dia, ms);
}

bool EsFormatoFecha(int id, const QString& codigo) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
        (id >= 50 && id <= 58)) {
        return id != 46;  // 46 es "[h]:mm:ss": tiempo transcurrido
    }
    if (codigo.isEmpty()) return false;
    bool fecha = false;
    for (qsizetype i = 0; i < codigo.size(); ++i) {
        const QChar c = codigo.at(i);
        if (c == u'"') {
            const qsizetype fin = codigo.indexOf(u'"', i + 1);
            if (fin < 0) break;
            i = fin;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;  // el carácter siguiente es literal, relleno o repetición
        } else if (c == u'[') {
            const qsizetype fin = codigo.indexOf(u']', i + 1);
            if (fin < 0) break;
            const QString dentro = codigo.mid(i + 1, fin - i - 1).toLower();
            // [h], [mm], [ss]: tiempo transcurrido, una duración y no una fecha.
            if (!dentro.isEmpty() &&
                (dentro.count(u'h') == dentro.size() || dentro.count(u'm') == dentro.size() ||
                 dentro.count(u's') == dentro.size())) {
                return false;
            }
            i = fin;
        } else if (c == u';') {
            break;  // la primera sección decide: las otras son de negativos, cero y texto
        } else {
            const char16_t l = c.toLower().unicode();
            if (l == u'd' || l == u'm' || l == u'y' || l == u'h' || l == u's') fecha = true;
        }
    }
    return fecha;
}

QVariant FechaDeTexto(const QString& texto) {
    const QString t = texto.trimmed();
    if (t.size() == 8 && t.at(2) == u':') {
        const QTime hora = QTime::fromString(t, QStringLiteral("HH:mm:ss"));
        if (hora.isValid()) return QDateTime(QDate(1899, 12, 30), hora);
        return {};
    }
    if (t.size() < 10) return {};
    bool ok1 = false, ok2 = false, ok3 = false;
    const int a = t.mid(0, 4).toInt(&ok1), m = t.mid(5, 2).toInt(&ok2), d = t.mid(8, 2).toInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || t.at(4) != u'-' || t.at(7) != u'-') return {};
    QDate dia(a, m, d);
    // El 29/02/1900 de Excel no existió: se lee como el número 60 del sistema 1900.
    if (!dia.isValid() && a == 1900 && m == 2 && d == 29) dia = QDate(1900, 2, 28);
    if (!dia.isValid()) return {};
    if (t.size() == 10) return dia;
    QString resto = t.mid(11);
    const qsizetype zona = resto.indexOf(u'Z');
    if (zona >= 0) resto.truncate(zona);
    QTime hora = QTime::fromString(resto, QStringLiteral("HH:mm:ss"));
    if (!hora.isValid()) hora = QTime::fromString(resto, QStringLiteral("HH:mm:ss.zzz"));
    if (!hora.isValid()) hora = QTime::fromString(resto, QStringLiteral("HH:mm"));
    if (!hora.isValid() || (t.at(10) != u' ' && t.at(10) != u'T')) return {};
    if (hora.msecsSinceStartOfDay() == 0) return QDateTime(dia, QTime(0, 0));
    return QDateTime(dia, hora);
}
