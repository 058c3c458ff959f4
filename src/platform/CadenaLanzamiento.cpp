#include "platform/CadenaLanzamiento.h"

#include <strings.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstddef>

#include "platform/ArchivoPropio.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Frases.h"

namespace CadenaLanzamiento {
namespace {

// La cadena cabe de sobra: un archivo más grande no es un archivo de lanzamiento.
constexpr qint64 kTopeArchivo = 64 * 1024;
constexpr int kErrorArchivo = 75;

[[noreturn]] void Fallar(const QString& ruta, const QString& motivo) {
    throw ErrorEjecucion(kErrorArchivo,
                         QStringLiteral("No se puede leer la cadena de lanzamiento de la estación (%1): %2")
                             .arg(ruta, motivo));
}

QString LeerArchivo(const QString& ruta) {
    const QFileInfo info(ruta);
    if (info.exists() && !info.isFile()) Fallar(ruta, QStringLiteral("no es un archivo."));
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        const int error = errno;
        if (error == EACCES)
            Fallar(ruta,
                   QStringLiteral("sin permiso de lectura. El área de sistemas agrega a los operadores de la "
                                  "estación al grupo \"garantias\" (adduser USUARIO garantias; vale desde su "
                                  "próximo ingreso)."));
        Fallar(ruta,
               error == ENOENT ? QStringLiteral("no existe.") : ConPunto(ArchivoPropio::Causa(error, ruta)));
    }
    const QByteArray bytes = archivo.read(kTopeArchivo + 1);
    if (bytes.size() > kTopeArchivo) Fallar(ruta, QStringLiteral("es demasiado grande para ser una cadena."));
    for (const QByteArray& linea : bytes.split('\n')) {
        const QString texto = QString::fromUtf8(linea).trimmed();
        if (!texto.isEmpty() && !texto.startsWith(u'#')) return texto;
    }
    Fallar(ruta, QStringLiteral("no tiene una cadena (sólo líneas en blanco o comentarios)."));
}

}  // namespace

QString DeArgumentos(const QStringList& argumentos) {
    const QString opcion = QString::fromLatin1(kOpcionArchivo);
    if (argumentos.value(0) != opcion) return argumentos.join(u' ');
    if (argumentos.size() != 2)
        throw ErrorEjecucion(kErrorArchivo,
                             QStringLiteral("%1 lleva el nombre de un archivo y nada más.").arg(opcion));
    return LeerArchivo(argumentos[1]);
}

void TaparClaves(int argc, char** argv) {
    static constexpr char kClave[] = "@password=";
    const std::size_t largo = sizeof(kClave) - 1;
    // La cadena es la de los argumentos unidos por blancos: sin comillas, "@Password= demo;" llega
    // en dos argumentos, y la clave sigue en el siguiente hasta su ";".
    bool tapando = false;
    for (int i = 1; i < argc; ++i) {
        for (char* p = argv[i]; *p; ++p) {
            if (tapando) {
                if (*p == ';')
                    tapando = false;
                else
                    *p = '*';
            } else if (strncasecmp(p, kClave, largo) == 0) {
                p += largo - 1;
                tapando = true;
            }
        }
    }
}

}  // namespace CadenaLanzamiento
