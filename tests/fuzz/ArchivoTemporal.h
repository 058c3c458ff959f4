#pragma once
// Los proveedores de .mdb y .xlsx abren su archivo por ruta: los arneses escriben cada entrada en
// un archivo propio del proceso, en la carpeta temporal, con la extensión que el proveedor espera.
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

inline QString EscribirTemporal(const QByteArray& bytes, const char* extension) {
    static const QString ruta = QDir::temp().filePath(
        QStringLiteral("garantias_fuzz_%1.%2").arg(getpid()).arg(QString::fromLatin1(extension)));
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) abort();
    return ruta;
}
