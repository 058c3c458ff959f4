#include "platform/Privado.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace Privado {

bool CrearCarpeta(const QString& carpeta) {
    const QString limpia = QDir::cleanPath(QDir(carpeta).absolutePath());
    if (QFileInfo(limpia).isDir()) return true;
    const QString madre = QFileInfo(limpia).absolutePath();
    if (madre != limpia && !CrearCarpeta(madre)) return false;
    const QByteArray ruta = QFile::encodeName(limpia);
    return ::mkdir(ruta.constData(), 0700) == 0 || (errno == EEXIST && QFileInfo(limpia).isDir());
}

bool CrearArchivo(const QString& archivo) {
    const QByteArray ruta = QFile::encodeName(archivo);
    const int fd = ::open(ruta.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == EEXIST;
}

bool EscribiblePorOtros(const QString& archivo) {
    const auto abierto = [](const QString& ruta) {
        struct stat st {};
        const QByteArray r = QFile::encodeName(ruta);
        if (::stat(r.constData(), &st) != 0) return true;
        if (st.st_uid != 0 && st.st_uid != ::geteuid()) return true;
        return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    };
    const QFileInfo info(archivo);
    return abierto(info.absoluteFilePath()) || abierto(info.absolutePath());
}

}  // namespace Privado
