#include "startup/ParametrosLanzamiento.h"

#include "platform/ErrorEjecucion.h"

std::optional<QString> LeerFicha(const QString& cadena, const QString& ficha) {
    const qsizetype p = cadena.indexOf(ficha, 0, Qt::CaseInsensitive);
    if (p < 0) return std::nullopt;
    const qsizetype q = cadena.indexOf(';', p);
    qsizetype largo;
    if (q < 0) {
        if (ficha.compare(QLatin1String("@ParametroAdicional"), Qt::CaseInsensitive) != 0) {
            throw ErrorEjecucion(
                Errores::ArgumentoInvalido,
                QStringLiteral("Llamada o argumento no válido: a \"%1\" no le sigue \";\".").arg(ficha));
        }
        largo = 19;
    } else {
        largo = q - p - ficha.size();
    }
    return cadena.mid(p + ficha.size(), largo).remove('=').trimmed();
}
