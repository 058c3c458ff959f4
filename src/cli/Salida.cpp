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
    QString celda = texto;
    celda.replace('\t', QLatin1String("\\t"))
        .replace('\r', QLatin1String("\\r"))
        .replace('\n', QLatin1String("\\n"));
    return celda;
}
