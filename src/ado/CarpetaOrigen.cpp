#include "ado/CarpetaOrigen.h"

#include <QFileInfo>
#include <algorithm>

QString CarpetaDeConexion(const QString& valor) {
    QString ruta = valor.trimmed();
    if (ruta.size() > 1 && (ruta.endsWith('/') || ruta.endsWith('\\'))) ruta.chop(1);
    if (!QFileInfo(ruta).isDir() && ruta.contains('\\')) {
        const QString convertida = QString(ruta).replace('\\', '/');
        if (QFileInfo(convertida).isDir()) return convertida;
    }
    return ruta;
}

QFileInfoList ArchivosDeCarpeta(const QDir& carpeta, const QStringList& extensiones) {
    QFileInfoList archivos;
    const QFileInfoList todos = carpeta.entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
    for (const QFileInfo& f : todos) {
        for (const QString& e : extensiones) {
            if (f.suffix().compare(e, Qt::CaseInsensitive) == 0) {
                archivos.append(f);
                break;
            }
        }
    }
    std::sort(archivos.begin(), archivos.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const int c = a.fileName().compare(b.fileName(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.fileName() < b.fileName();
    });
    return archivos;
}
