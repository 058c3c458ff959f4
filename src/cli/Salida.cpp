#include "cli/Salida.h"

#include <cstdio>

Salida::Salida() : salida_(stdout), errores_(stderr) {
    salida_.setEncoding(QStringConverter::Utf8);
    errores_.setEncoding(QStringConverter::Utf8);
}

void Salida::linea(const QString& texto) { salida_ << texto << '\n'; }

void Salida::texto(const QString& texto) { salida_ << texto; }

void Salida::error(const QString& texto) {
    salida_.flush();
    errores_ << "garantias-cli: " << texto << '\n';
    errores_.flush();
}

void Salida::lineaError(const QString& texto) {
    salida_.flush();
    errores_ << texto << '\n';
    errores_.flush();
}

QString Celda(const QString& texto) {
    // La barra primero: escapada, "a\\tb" escrito en el valor no se confunde con un tabulador. Los
    // saltos de línea de Unicode (U+0085, U+2028, U+2029) cortan la línea en muchos programas.
    QString celda = texto;
    celda.replace('\\', QLatin1String("\\\\"))
        .replace('\t', QLatin1String("\\t"))
        .replace('\r', QLatin1String("\\r"))
        .replace('\n', QLatin1String("\\n"))
        .replace(QChar(0x0085), QLatin1String("\\u0085"))
        .replace(QChar(0x2028), QLatin1String("\\u2028"))
        .replace(QChar(0x2029), QLatin1String("\\u2029"));
    return celda;
}
