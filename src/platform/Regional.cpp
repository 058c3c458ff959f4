#include "platform/Regional.h"

#include <QRegularExpression>
#include <cmath>

namespace Regional {

QString TextoFecha(const QDate& fecha) {
    return QStringLiteral("%1/%2/%3")
        .arg(fecha.day(), 2, 10, QChar('0'))
        .arg(fecha.month(), 2, 10, QChar('0'))
        .arg(fecha.year(), 4, 10, QChar('0'));
}

QString TextoHora(const QTime& hora) {
    return QStringLiteral("%1:%2:%3")
        .arg(hora.hour(), 2, 10, QChar('0'))
        .arg(hora.minute(), 2, 10, QChar('0'))
        .arg(hora.second(), 2, 10, QChar('0'));
}

QString TextoFechaHora(const QDateTime& momento) {
    const QTime hora = momento.time();
    if (hora.hour() == 0 && hora.minute() == 0 && hora.second() == 0) return TextoFecha(momento.date());
    return TextoFecha(momento.date()) + ' ' + TextoHora(hora);
}

QString TextoNumero(double numero) {
    if (std::isnan(numero) || std::isinf(numero)) return QString::number(numero);
    // Desde 2^53 un doble ya no distingue enteros vecinos: escribir todas sus cifras inventaría
    // las últimas (8954031234567890123 se vería 8954031234567889920). Se muestra como una hoja
    // de cálculo, con 15 cifras y exponente, que no aparenta ser exacto.
    if (std::fabs(numero) >= 9007199254740992.0) {
        QString t = QString::number(numero, 'E', 14);
        const qsizetype e = t.indexOf('E');
        qsizetype fin = e;
        while (fin > 0 && t[fin - 1] == '0') --fin;
        if (fin > 0 && t[fin - 1] == '.') --fin;
        t.remove(fin, e - fin);
        t.replace('.', SeparadorDecimal);
        return t;
    }
    if (numero == std::floor(numero)) return QString::number(static_cast<long long>(numero));
    // 15 cifras significativas, como las muestra una hoja de cálculo, sin exponente.
    QString t = QString::number(
        numero, 'f', 15 - std::max(0, static_cast<int>(std::floor(std::log10(std::fabs(numero)))) + 1));
    if (t.contains('.')) {
        while (t.endsWith('0')) t.chop(1);
        if (t.endsWith('.')) t.chop(1);
    }
    t.replace('.', SeparadorDecimal);
    return t;
}

std::optional<QDateTime> LeerFechaHora(const QString& texto) {
    static const QRegularExpression dmy(QStringLiteral(
        R"(^\s*(\d{1,2})[/\-.](\d{1,2})[/\-.](\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression iso(
        QStringLiteral(R"(^\s*(\d{4})-(\d{2})-(\d{2})(?:[ T](\d{2}):(\d{2})(?::(\d{2})(?:\.\d+)?)?)?\s*$)"));
    int d, m, y, h = 0, mi = 0, s = 0;
    if (auto c = dmy.match(texto); c.hasMatch()) {
        d = c.captured(1).toInt();
        m = c.captured(2).toInt();
        y = c.captured(3).toInt();
        if (c.captured(3).size() == 2)
            y += y < 30 ? 2000 : 1900;
        else if (c.captured(3).size() == 3)
            return std::nullopt;
        if (c.capturedLength(4)) {
            h = c.captured(4).toInt();
            mi = c.captured(5).toInt();
            s = c.captured(6).toInt();
        }
    } else if (auto c2 = iso.match(texto); c2.hasMatch()) {
        y = c2.captured(1).toInt();
        m = c2.captured(2).toInt();
        d = c2.captured(3).toInt();
        if (c2.capturedLength(4)) {
            h = c2.captured(4).toInt();
            mi = c2.captured(5).toInt();
            s = c2.captured(6).toInt();
        }
    } else {
        return std::nullopt;
    }
    const QDate fecha(y, m, d);
    const QTime hora(h, mi, s);
    if (!fecha.isValid() || !hora.isValid()) return std::nullopt;
    return QDateTime(fecha, hora);
}

QString Formato(const QDateTime& momento, const QString& patron) {
    const QString p = patron.toLower();
    QString salida;
    bool tras_hora = false;  // "mm" después de "hh" son minutos
    auto dos = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar('0')); };
    for (qsizetype i = 0; i < p.size();) {
        auto corrida = [&](QChar c) {
            qsizetype n = 0;
            while (i + n < p.size() && p[i + n] == c) ++n;
            return n;
        };
        const QChar c = p[i];
        const qsizetype n = corrida(c);
        if (c == 'd') {
            salida += n >= 2 ? dos(momento.date().day()) : QString::number(momento.date().day());
            tras_hora = false;
        } else if (c == 'm') {
            if (tras_hora)
                salida += n >= 2 ? dos(momento.time().minute()) : QString::number(momento.time().minute());
            else
                salida += n >= 2 ? dos(momento.date().month()) : QString::number(momento.date().month());
            tras_hora = false;
        } else if (c == 'y') {
            const int anio = momento.date().year();
            salida += n >= 4 ? QStringLiteral("%1").arg(anio, 4, 10, QChar('0')) : dos(anio % 100);
        } else if (c == 'h') {
            salida += n >= 2 ? dos(momento.time().hour()) : QString::number(momento.time().hour());
            tras_hora = true;
        } else if (c == 'n') {
            salida += n >= 2 ? dos(momento.time().minute()) : QString::number(momento.time().minute());
        } else if (c == 's') {
            salida += n >= 2 ? dos(momento.time().second()) : QString::number(momento.time().second());
        } else if (c == '/') {
            salida += QString(n, SeparadorFecha);
        } else if (c == ':') {
            salida += QString(n, SeparadorHora);
        } else {
            salida += patron.mid(i, n);
        }
        i += n;
    }
    return salida;
}

QDateTime FechaCero() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0)); }

QString TextoMiles(qint64 numero) {
    QString digitos =
        QString::number(numero < 0 ? -static_cast<quint64>(numero) : static_cast<quint64>(numero));
    for (qsizetype i = digitos.size() - 3; i > 0; i -= 3) digitos.insert(i, u'.');
    return numero < 0 ? u'-' + digitos : digitos;
}

QString Cantidad(qint64 numero, const QString& singular, const QString& plural) {
    return TextoMiles(numero) + u' ' + (numero == 1 || numero == -1 ? singular : plural);
}

}  // namespace Regional
