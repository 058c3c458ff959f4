#include "cli/Argumentos.h"

QString Argumentos::opcion(const QString& nombre) const {
    const auto it = opciones.find(nombre);
    return it == opciones.end() ? QString() : it->second;
}

Argumentos SepararArgumentos(const QStringList& argumentos, const QStringList& conValor,
                             const QStringList& banderas) {
    Argumentos a;
    bool soloSueltos = false;  // después de "--" todo es suelto (un archivo que empieza con "-")
    for (qsizetype i = 0; i < argumentos.size(); ++i) {
        const QString& arg = argumentos[i];
        if (soloSueltos || !arg.startsWith('-') || arg == QLatin1String("-")) {
            if (a.verbo.isEmpty() && a.sueltos.isEmpty() && !soloSueltos)
                a.verbo = arg;
            else
                a.sueltos << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            soloSueltos = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            a.ayuda = true;
            continue;
        }
        if (arg == QLatin1String("--version")) {
            a.version = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")))
            throw ErrorUso(QStringLiteral("opción desconocida: %1").arg(arg));
        QString nombre = arg.mid(2);
        QString valor;
        const qsizetype igual = nombre.indexOf('=');
        const bool conIgual = igual >= 0;
        if (conIgual) {
            valor = nombre.mid(igual + 1);
            nombre = nombre.left(igual);
        }
        if (conValor.contains(nombre)) {
            if (!conIgual) {
                if (i + 1 >= argumentos.size())
                    throw ErrorUso(QStringLiteral("a la opción --%1 le falta su valor").arg(nombre));
                valor = argumentos[++i];
            }
        } else if (banderas.contains(nombre)) {
            if (conIgual) throw ErrorUso(QStringLiteral("la opción --%1 no lleva valor").arg(nombre));
        } else {
            throw ErrorUso(QStringLiteral("opción desconocida: --%1").arg(nombre));
        }
        a.opciones[nombre] = valor;
    }
    return a;
}
