#include "platform/Dll_Sistema.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>

#include "platform/Privado.h"

namespace {
std::function<bool(const QString&, const QStringList&)>& Lanzador() {
    static std::function<bool(const QString&, const QStringList&)> lanzador;
    return lanzador;
}
}  // namespace

QString Dll_Sistema::NombreEquipo() const { return QSysInfo::machineHostName(); }

QString Dll_Sistema::CarpetaPredeterminada() const {
    QString carpeta = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!carpeta.isEmpty()) {
        carpeta += "/garantias";
        if (Privado::CrearCarpeta(carpeta) && QFileInfo(carpeta).isWritable()) return carpeta + '/';
    }
    return QDir::tempPath() + '/';
}

long Dll_Sistema::EjecutarShell(long, const QString&, const QString& archivo, const QString& parametros,
                                const QString&, int) {
    QString destino = archivo;
    // Una ruta entre comillas dobles llega con ellas; el abridor quiere la ruta sola.
    if (destino.size() >= 2 && destino.startsWith('"') && destino.endsWith('"'))
        destino = destino.mid(1, destino.size() - 2);
    QStringList argumentos{destino};
    if (!parametros.isEmpty()) argumentos << parametros;
    const bool lanzado = Lanzador() ? Lanzador()(QStringLiteral("xdg-open"), argumentos)
                                    : QProcess::startDetached(QStringLiteral("xdg-open"), argumentos);
    return lanzado ? 42 : 2;
}

void Dll_Sistema::FijarLanzador(std::function<bool(const QString&, const QStringList&)> lanzador) {
    Lanzador() = std::move(lanzador);
}
