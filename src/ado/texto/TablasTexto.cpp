#include "ado/texto/TablasTexto.h"

#include "ado/CarpetaOrigen.h"

QString TablaDeArchivoTexto(const QString& nombreArchivo) {
    const qsizetype punto = nombreArchivo.lastIndexOf('.');
    if (punto < 0) return nombreArchivo;
    return nombreArchivo.left(punto) + '#' + nombreArchivo.mid(punto + 1);
}

std::optional<QFileInfo> ArchivoDeTablaTexto(const QFileInfoList& archivos, const QString& tabla) {
    if (auto f = ArchivoDeNombre(archivos, tabla,
                                 [](const QFileInfo& a) { return TablaDeArchivoTexto(a.fileName()); }))
        return f;
    if (auto f = ArchivoDeNombre(archivos, tabla, [](const QFileInfo& a) { return a.fileName(); })) return f;
    for (const char* extension : {"csv", "txt"}) {
        QFileInfoList deLaExtension;
        for (const QFileInfo& a : archivos) {
            if (a.suffix().compare(QLatin1String(extension), Qt::CaseInsensitive) == 0) deLaExtension << a;
        }
        if (auto f = ArchivoDeNombre(deLaExtension, tabla,
                                     [](const QFileInfo& a) { return a.completeBaseName(); }))
            return f;
    }
    return std::nullopt;
}
