#include "platform/Conversiones.h"

#include <cmath>
#include <limits>

#include "platform/ErrorEjecucion.h"

namespace Conversiones {

double Val(const QString& texto) {
    QString numero;
    bool punto = false, exponente = false;
    qsizetype i = 0;
    auto blanco = [](QChar c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < texto.size() && blanco(texto[i])) ++i;
    if (i < texto.size() && (texto[i] == '-' || texto[i] == '+')) numero += texto[i++];
    for (; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (blanco(c)) continue;
        if (c.isDigit() && c.unicode() < 128)
            numero += c;
        else if (c == '.' && !punto && !exponente) {
            punto = true;
            numero += c;
        } else if ((c == 'e' || c == 'E') && !exponente && numero.size() > 0 && numero.back().isDigit()) {
            exponente = true;
            numero += c;
            if (i + 1 < texto.size() && (texto[i + 1] == '-' || texto[i + 1] == '+')) numero += texto[++i];
        } else
            break;
    }
    while (!numero.isEmpty() && !numero.back().isDigit()) numero.chop(1);
    bool ok = false;
    const double d = numero.toDouble(&ok);
    return ok ? d : 0;
}

namespace {
template <typename T>
T Redondear(double valor) {
    const double r = std::nearbyint(valor);  // el modo por defecto redondea las mitades al par
    if (std::isnan(r) || r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max())) {
        throw ErrorEjecucion(Errores::Desbordamiento,
                             QStringLiteral("Desbordamiento: %1 no entra en el tipo.").arg(valor));
    }
    return static_cast<T>(r);
}
}  // namespace

int16_t CInt(double valor) { return Redondear<int16_t>(valor); }
int32_t CLng(double valor) { return Redondear<int32_t>(valor); }

}  // namespace Conversiones
