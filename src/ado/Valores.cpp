#include "ado/Valores.h"

#include <QDate>
#include <QDateTime>

#include "ado/CodigoPagina.h"
#include "platform/Regional.h"

namespace {
// dd/mm/yyyy y, si la hora no es medianoche, " hh:mm:ss": lo mismo que Regional::TextoFechaHora,
// escrito cifra por cifra porque es el valor que más se convierte al leer un archivo entero.
QString TextoFechaRapido(const QDate& fecha, const QTime& hora) {
    int a = 0, m = 0, d = 0;
    fecha.getDate(&a, &m, &d);
    const bool conHora = hora.isValid() && (hora.hour() != 0 || hora.minute() != 0 || hora.second() != 0);
    QString t(conHora ? 19 : 10, Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(t.data());
    const auto dos = [&p](int v) {
        *p++ = static_cast<char16_t>(u'0' + v / 10);
        *p++ = static_cast<char16_t>(u'0' + v % 10);
    };
    dos(d);
    *p++ = Regional::SeparadorFecha.unicode();
    dos(m);
    *p++ = Regional::SeparadorFecha.unicode();
    dos(a / 100);
    dos(a % 100);
    if (conHora) {
        *p++ = u' ';
        dos(hora.hour());
        *p++ = Regional::SeparadorHora.unicode();
        dos(hora.minute());
        *p++ = Regional::SeparadorHora.unicode();
        dos(hora.second());
    }
    return t;
}

bool AnioDeCuatroCifras(const QDate& fecha) {
    return fecha.isValid() && fecha.year() >= 1 && fecha.year() <= 9999;
}
}  // namespace

QString TextoValor(const QVariant& valor) {
    // El texto primero: es casi todo lo que se lee, y un texto nunca es "nulo" para QVariant.
    if (valor.typeId() == QMetaType::QString) return *static_cast<const QString*>(valor.constData());
    if (!valor.isValid() || valor.isNull()) return {};
    switch (valor.typeId()) {
        case QMetaType::QString:
            return *static_cast<const QString*>(valor.constData());
        case QMetaType::Bool:
            return valor.toBool() ? QStringLiteral("Verdadero") : QStringLiteral("Falso");
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            return QString::number(valor.toLongLong());
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::UShort:
        case QMetaType::ULong:
            return QString::number(valor.toULongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return Regional::TextoNumero(valor.toDouble());
        case QMetaType::QDate: {
            const QDate& f = *static_cast<const QDate*>(valor.constData());
            return AnioDeCuatroCifras(f) ? TextoFechaRapido(f, QTime()) : Regional::TextoFecha(f);
        }
        case QMetaType::QDateTime: {
            const QDateTime& m = *static_cast<const QDateTime*>(valor.constData());
            const QDate f = m.date();
            return AnioDeCuatroCifras(f) ? TextoFechaRapido(f, m.time()) : Regional::TextoFechaHora(m);
        }
        case QMetaType::QByteArray: {
            const QByteArray& b = *static_cast<const QByteArray*>(valor.constData());
            if (!b.contains('\0') && EsUtf8Valido(b, true)) return QString::fromUtf8(b);
            return QStringLiteral("0x") + QString::fromLatin1(b.toHex().toUpper());
        }
        default:
            if (EsErrorDeCelda(valor)) return static_cast<const ErrorDeCelda*>(valor.constData())->texto;
            return valor.toString();
    }
}

QVariant ValorErrorDeCelda(const QString& texto) { return QVariant::fromValue(ErrorDeCelda{texto}); }

bool EsErrorDeCelda(const QVariant& valor) { return valor.typeId() == qMetaTypeId<ErrorDeCelda>(); }

double NumeroValor(const QVariant& valor) {
    if (!valor.isValid() || valor.isNull()) return 0;
    if (valor.typeId() == QMetaType::QString) {
        bool ok = false;
        double d = valor.toString().trimmed().replace(',', '.').toDouble(&ok);
        return ok ? d : 0;
    }
    return valor.toDouble();
}

void AgregarUtf8(QByteArray& t, QStringView s) {
    const qsizetype n = s.size();
    const char16_t* u = s.utf16();
    const qsizetype base = t.size();
    t.resize(base + n);
    char* d = t.data() + base;
    for (qsizetype k = 0; k < n; ++k) {
        if (u[k] >= 0x80) {
            t.truncate(base + k);
            t.append(s.mid(k).toUtf8());
            return;
        }
        d[k] = static_cast<char>(u[k]);
    }
}
