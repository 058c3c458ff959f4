#include "ado/CarpetaOrigen.h"

#include <QFileInfo>
#include <algorithm>

#include "ado/NombreSinMayusculas.h"
#include "platform/ErrorEjecucion.h"

QString CarpetaDeConexion(const QString& valor) {
    // Sin quitar blancos: un valor entre llaves o comillas los conserva a propósito.
    QString ruta = valor;
    if (ruta.size() > 1 && (ruta.endsWith('/') || ruta.endsWith('\\'))) ruta.chop(1);
    if (!QFileInfo(ruta).isDir() && ruta.contains('\\')) {
        const QString convertida = QString(ruta).replace('\\', '/');
        if (QFileInfo(convertida).isDir()) return convertida;
    }
    return ruta;
}

QFileInfoList ArchivosDeCarpeta(const QDir& carpeta, const QStringList& extensiones) {
    QFileInfoList archivos;
    const QFileInfoList todos =
        carpeta.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QFileInfo& f : todos) {
        if (!f.isFile() && !(f.isSymLink() && !f.exists())) continue;  // ni tuberías ni dispositivos
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

QString CarpetaComprobada(const QString& valor, const QString& clave, const QString& contenido,
                          const QString& proveedor) {
    auto fallar = [&](const QString& descripcion) {
        throw ErrorEjecucion(Errores::ProveedorFallo, descripcion, proveedor);
    };
    const QString carpeta = CarpetaDeConexion(valor);
    if (carpeta.isEmpty())
        fallar(
            QStringLiteral("El texto de conexión no indica la carpeta de %1 (%2=).").arg(contenido, clave));
    const QFileInfo info(carpeta);
    if (!info.exists())
        fallar(QStringLiteral("No se encuentra la carpeta \"%1\" de %2.").arg(carpeta, contenido));
    if (!info.isDir()) {
        fallar(QStringLiteral("\"%1\" no es una carpeta: %2= debe nombrar la carpeta de %3.")
                   .arg(carpeta, clave, contenido));
    }
    if (!info.isReadable())
        fallar(QStringLiteral("No se puede leer la carpeta \"%1\" (sin permiso).").arg(carpeta));
    return carpeta;
}

std::optional<QFileInfo> ArchivoDeNombre(const QFileInfoList& archivos, const QString& nombre,
                                         const std::function<QString(const QFileInfo&)>& nombreDe) {
    for (const QFileInfo& f : archivos) {
        if (nombreDe(f) == nombre) return f;
    }
    const QString limpio = nombre.trimmed();
    if (limpio.isEmpty()) return std::nullopt;
    const NombreHallado hallado =
        BuscarNombre(static_cast<int>(archivos.size()), [&](int i, Qt::CaseSensitivity cs) {
            return nombreDe(archivos[i]).trimmed().compare(limpio, cs) == 0;
        });
    if (hallado.indice >= 0) return archivos[hallado.indice];
    if (!hallado.parecidos.isEmpty()) {
        QStringList nombres;
        for (int i : hallado.parecidos) nombres << u'"' + archivos[i].fileName() + u'"';
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            QStringLiteral("En la carpeta \"%1\" hay varios archivos que se llaman \"%2\" salvo por las "
                           "mayúsculas (%3): escriba el nombre exactamente como está en la carpeta.")
                .arg(archivos[hallado.parecidos.first()].absolutePath(), nombre,
                     nombres.join(QStringLiteral(", "))),
            QStringLiteral("Proveedor de archivos"));
    }
    return std::nullopt;
}

std::optional<QString> EnlaceRoto(const QString& ruta) {
    const QFileInfo info(ruta);
    if (!info.isSymLink() || info.exists()) return std::nullopt;
    return QStringLiteral("El archivo \"%1\" es un enlace a \"%2\", que no existe.")
        .arg(ruta, info.symLinkTarget());
}
