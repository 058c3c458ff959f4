#include "platform/Cp1252.h"

#include <array>

namespace Cp1252 {
namespace {
// 0x80-0x9F; el resto coincide con Latin-1.
constexpr std::array<char16_t, 32> kAltos = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

QByteArray Codificar(const QString& texto) {
    QByteArray salida;
    salida.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const char16_t c = texto[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            salida.append(static_cast<char>(c));
            continue;
        }
        char b = '?';
        for (std::size_t k = 0; k < kAltos.size(); ++k) {
            if (kAltos[k] == c) {
                b = static_cast<char>(0x80 + k);
                break;
            }
        }
        // Un par sustituto es un solo carácter: un solo "?".
        if (QChar::isHighSurrogate(c) && i + 1 < texto.size() && texto[i + 1].isLowSurrogate()) ++i;
        salida.append(b);
    }
    return salida;
}

QString Decodificar(QByteArrayView bytes) {
    QString salida(bytes.size(), Qt::Uninitialized);
    QChar* destino = salida.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        destino[i] = (b >= 0x80 && b <= 0x9F) ? QChar(kAltos[b - 0x80]) : QChar(b);
    }
    return salida;
}

}  // namespace Cp1252
