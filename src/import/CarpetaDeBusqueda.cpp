#include "import/CarpetaDeBusqueda.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "data/Dll_Funciones.h"
#include "platform/ArchivoPropio.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Proceso.h"

namespace CarpetaDeBusqueda {
namespace {

// La carpeta guardada, si todavía es una carpeta; vacía si no hay ninguna.
QString UltimaGuardada() {
    QFile archivo(ArchivoDeLaUltima());
    if (!archivo.open(QIODevice::ReadOnly)) return {};
    const QString carpeta = QString::fromUtf8(archivo.readLine(4096)).trimmed();
    return !carpeta.isEmpty() && QFileInfo(carpeta).isDir() ? Dll_Funciones().RutaConBarra(carpeta)
                                                            : QString();
}

}  // namespace

QString ArchivoDeLaUltima() { return Proceso::CarpetaAplicacion() + QStringLiteral("ultima_carpeta.txt"); }

QString Inicial() {
    if (Proceso::CopiaPortatil()) return Proceso::CarpetaEjecutable();
    const QString ultima = UltimaGuardada();
    return ultima.isEmpty() ? Dll_Funciones().RutaConBarra(QDir::homePath()) : ultima;
}

void Recordar(const QString& archivoElegido) {
    if (archivoElegido.isEmpty() || Proceso::CopiaPortatil()) return;
    const QString carpeta = QFileInfo(archivoElegido).absolutePath();
    try {
        ArchivoPropio::Reemplazar(ArchivoDeLaUltima(), carpeta.toUtf8() + '\n', 0600);
    } catch (const ErrorEjecucion&) {
        // Sólo es una comodidad: sin ella el próximo diálogo abre en la carpeta personal, y la
        // elección de hoy sigue su curso. El motivo ya lo diría cualquier otro archivo del usuario.
    }
}

}  // namespace CarpetaDeBusqueda
