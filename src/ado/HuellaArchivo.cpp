#include "ado/HuellaArchivo.h"

#include <sys/stat.h>

#include <QFile>

#include "platform/Regional.h"

namespace {
HuellaArchivo DeStat(const struct stat& s) {
    HuellaArchivo h;
    h.tamano = static_cast<qint64>(s.st_size);
    h.modificado = static_cast<qint64>(s.st_mtim.tv_sec) * 1000000000 + s.st_mtim.tv_nsec;
    h.nodo = static_cast<quint64>(s.st_ino);
    h.dispositivo = static_cast<quint64>(s.st_dev);
    return h;
}
}  // namespace

std::optional<HuellaArchivo> HuellaArchivo::DeDescriptor(int fd) {
    struct stat s {};
    if (fd < 0 || fstat(fd, &s) != 0) return std::nullopt;
    return DeStat(s);
}

std::optional<HuellaArchivo> HuellaArchivo::DeRuta(const QString& ruta) {
    struct stat s {};
    if (stat(QFile::encodeName(ruta).constData(), &s) != 0) return std::nullopt;
    return DeStat(s);
}

QString DescripcionOrigenCambiado(const QString& ruta, qint64 filas) {
    return QStringLiteral(
               "El archivo \"%1\" cambió mientras se leía (otro programa lo modificó, truncó o reemplazó) "
               "después de leer %2; las filas que siguen no son de la misma versión del archivo.")
        .arg(ruta)
        .arg(Regional::Cantidad(filas, QStringLiteral("fila"), QStringLiteral("filas")));
}
