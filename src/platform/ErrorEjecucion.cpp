#include "platform/ErrorEjecucion.h"

ErrorEjecucion::ErrorEjecucion(int32_t numero, QString descripcion, QString origen)
    : numero_(numero),
      descripcion_(std::move(descripcion)),
      origen_(std::move(origen)),
      what_(QStringLiteral("%1: %2").arg(numero_).arg(descripcion_).toStdString()) {}

QString ErrorEjecucion::paraPersonas() const {
    QString texto = descripcion_.trimmed();
    if (texto.isEmpty()) texto = QStringLiteral("Falla sin descripción");
    return texto;
}

QString ErrorEjecucion::conNumero() const {
    return paraPersonas() + QStringLiteral(" (") + QString::number(numero_) + ')';
}
