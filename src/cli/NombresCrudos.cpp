#include "cli/NombresCrudos.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cstdlib>

#include "ado/CodigoPagina.h"

namespace {
// Los bytes como texto: lo que es UTF-8 tal cual, cada byte que no lo es como %HH.
QString Legible(const QByteArray& bytes) {
    QString texto;
    qsizetype i = 0;
    while (i < bytes.size()) {
        // El tramo UTF-8 más largo desde i.
        qsizetype fin = bytes.size();
        while (fin > i && !EsUtf8Valido(QByteArrayView(bytes.constData() + i, fin - i), true)) --fin;
        if (fin > i) {
            texto += QString::fromUtf8(bytes.constData() + i, fin - i);
            i = fin;
        } else {
            texto +=
                QStringLiteral("%%1").arg(static_cast<uchar>(bytes[i]), 2, 16, QLatin1Char('0')).toUpper();
            ++i;
        }
    }
    return texto;
}

QByteArray Carpeta(const QByteArray& ruta) {
    const qsizetype barra = ruta.lastIndexOf('/');
    return barra < 0 ? QByteArray(".") : barra == 0 ? QByteArray("/") : ruta.left(barra);
}

QByteArray Nombre(const QByteArray& ruta) { return ruta.mid(ruta.lastIndexOf('/') + 1); }

QByteArray Base(const QByteArray& nombre) {
    const qsizetype punto = nombre.lastIndexOf('.');
    return punto <= 0 ? nombre : nombre.left(punto);
}

// Un enlace en la carpeta propia al archivo por sus bytes; false si no se pudo.
bool Enlazar(const QTemporaryDir& carpeta, const QByteArray& destino, const QByteArray& nombre) {
    const QByteArray enlace = QFile::encodeName(carpeta.path()) + '/' + Legible(nombre).toUtf8();
    return ::symlink(destino.constData(), enlace.constData()) == 0;
}
}  // namespace

ArgumentosLegibles LeerArgumentos(int argc, char** argv) {
    ArgumentosLegibles r;
    for (int i = 1; i < argc; ++i) {
        const QByteArray crudo(argv[i]);
        struct stat info {};
        if (EsUtf8Valido(crudo, true) || ::stat(crudo.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
            r.argumentos << QString::fromLocal8Bit(crudo);
            continue;
        }
        if (!r.enlaces) r.enlaces = std::make_unique<QTemporaryDir>();
        if (!r.enlaces->isValid()) {
            r.argumentos << QString::fromLocal8Bit(crudo);
            continue;
        }
        // La ruta entera por sus bytes, para que el enlace no dependa de la carpeta de trabajo.
        char* absoluta = ::realpath(crudo.constData(), nullptr);
        const QByteArray ruta = absoluta ? QByteArray(absoluta) : crudo;
        std::free(absoluta);
        const QByteArray carpeta = Carpeta(ruta), nombre = Nombre(ruta), base = Base(nombre);
        Enlazar(*r.enlaces, ruta, nombre);
        if (DIR* d = ::opendir(carpeta.constData())) {
            while (const dirent* e = ::readdir(d)) {
                const QByteArray otro(e->d_name);
                if (otro == nombre) continue;
                if (Base(otro) == base || otro.compare("schema.ini", Qt::CaseInsensitive) == 0)
                    Enlazar(*r.enlaces, carpeta + '/' + otro, otro);
            }
            ::closedir(d);
        }
        r.argumentos << r.enlaces->filePath(Legible(nombre));
    }
    return r;
}
