#include "platform/Proceso.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <atomic>
#include <cstdlib>
#include <map>

#include "platform/Detencion.h"
#include "platform/Privado.h"
#include "platform/Senales.h"

namespace Proceso {
namespace {
struct Estado {
    QString nombre;
    QString carpetaEjecutable;
    QString carpetaAplicacion;
    std::function<void(int)> terminador;
    std::map<int, std::function<void()>> avisos;
    int proximoAviso = 1;
    bool bombeo = true;
    QElapsedTimer ultimoBombeo;
};
// Entre dos procesamientos de eventos de un bucle largo: la ventana repinta 60 veces por segundo.
constexpr qint64 kMsEntreBombeos = 16;
std::atomic<int> g_avisos{0};  // cuántos avisos hay, para el manejador de señales

Estado& estado() {
    static Estado e;
    return e;
}

QString ConBarra(QString carpeta) {
    if (!carpeta.endsWith('/')) carpeta += '/';
    return carpeta;
}

QString CarpetaUsuario() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::homePath() + "/.local/share";
    return ConBarra(base + "/garantias");
}
}  // namespace

QString NombreEjecutable() {
    if (!estado().nombre.isEmpty()) return estado().nombre;
    if (QCoreApplication::instance()) {
        return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    }
    return QStringLiteral("garantias");
}

void FijarNombreEjecutable(const QString& nombre) { estado().nombre = nombre; }

QString CarpetaEjecutable() {
    if (!estado().carpetaEjecutable.isEmpty()) return ConBarra(estado().carpetaEjecutable);
    if (QCoreApplication::instance()) return ConBarra(QCoreApplication::applicationDirPath());
    return ConBarra(QDir::currentPath());
}

bool CopiaInstalada() {
    return QFileInfo(CarpetaEjecutable() + QStringLiteral("../share/garantias")).isDir();
}

bool CopiaPortatil() { return !CopiaInstalada() && QFileInfo(CarpetaEjecutable()).isWritable(); }

QString CarpetaAplicacion() {
    if (!estado().carpetaAplicacion.isEmpty()) return ConBarra(estado().carpetaAplicacion);
    // Una copia instalada no escribe junto a su ejecutable aunque pueda (root en /usr/bin): cada
    // usuario tiene sus conexiones registradas y su catálogo.
    if (CopiaPortatil()) return CarpetaEjecutable();
    const QString usuario = CarpetaUsuario();
    Privado::CrearCarpeta(usuario);
    return usuario;
}

QString CarpetaDatos() {
    const QString elegida = qEnvironmentVariable("GARANTIAS_DATOS").trimmed();
    if (!elegida.isEmpty()) return ConBarra(QDir::cleanPath(QDir(elegida).absolutePath()));
    return CarpetaUsuario() + "datos/";
}

void FijarCarpetaEjecutable(const QString& carpeta) { estado().carpetaEjecutable = carpeta; }
void FijarCarpetaAplicacion(const QString& carpeta) { estado().carpetaAplicacion = carpeta; }

void BombearEventos() {
    Senales::AtenderPendiente();
    if (estado().bombeo && QCoreApplication::instance()) QCoreApplication::processEvents();
    // También el punto donde un "Detener" que llegó con los eventos termina la operación en curso.
    Detencion::Comprobar();
}

void BombearEventosDelBucle() {
    Senales::AtenderPendiente();
    // Procesar los eventos cuesta más que importar una fila: se procesan a lo sumo cada tanto
    // tiempo, no en cada vuelta. La ventana sigue respondiendo (un clic espera a lo sumo eso).
    // Una señal o un "Detener" ya anotados se atienden en cada vuelta.
    QElapsedTimer& reloj = estado().ultimoBombeo;
    if (estado().bombeo && QCoreApplication::instance() &&
        (!reloj.isValid() || reloj.hasExpired(kMsEntreBombeos))) {
        QCoreApplication::processEvents();
        reloj.start();
    }
    Detencion::Comprobar();
}

void FijarBombeo(bool activo) { estado().bombeo = activo; }

int AlTerminar(std::function<void()> aviso) {
    const int id = estado().proximoAviso++;
    estado().avisos[id] = std::move(aviso);
    g_avisos = static_cast<int>(estado().avisos.size());
    return id;
}

void QuitarAvisoAlTerminar(int id) {
    estado().avisos.erase(id);
    g_avisos = static_cast<int>(estado().avisos.size());
}

bool HayAvisos() { return g_avisos.load() > 0; }

void Terminar(int codigo) {
    // Del último al primero: lo que se anotó después se apoya en lo de antes (la escritura que
    // vacía su tanda, antes del grupo que confirma las filas).
    auto avisos = estado().avisos;
    for (auto it = avisos.rbegin(); it != avisos.rend(); ++it) {
        auto& aviso = it->second;
        try {
            aviso();
        } catch (...) {
        }
    }
    if (estado().terminador) {
        estado().terminador(codigo);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(codigo);
}

void FijarTerminador(std::function<void(int)> terminador) { estado().terminador = std::move(terminador); }

}  // namespace Proceso
