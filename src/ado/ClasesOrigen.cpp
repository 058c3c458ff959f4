#include "ado/ClasesOrigen.h"

QString ClaseOrigen::nombreBase(const QString& ruta) const {
    const QString nombre = ruta.mid(ruta.lastIndexOf('/') + 1);
    const qsizetype punto = nombre.lastIndexOf('.');
    return punto >= 0 ? nombre.left(punto) : nombre;
}

const std::vector<const ClaseOrigen*>& ClasesOrigen() {
    static const std::vector<const ClaseOrigen*> clases = {&ClaseTexto(), &ClaseSqlite(), &ClaseXls(),
                                                           &ClaseXlsx(),  &ClaseDbase(),  &ClaseAccess()};
    return clases;
}

const ClaseOrigen* ClasePorExtension(const QString& extension) {
    for (const ClaseOrigen* c : ClasesOrigen()) {
        for (const QString& e : c->extensiones()) {
            if (e.compare(extension, Qt::CaseInsensitive) == 0) return c;
        }
    }
    return nullptr;
}

QString NombreEntreCorchetes(const QString& tabla) {
    return '[' + QString(tabla).replace(QLatin1String("]"), QLatin1String("]]")) + ']';
}

QString SentenciaDeTabla(const QString& tabla) {
    return QStringLiteral("SELECT * FROM ") + NombreEntreCorchetes(tabla);
}
