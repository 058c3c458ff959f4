#include "suite/Archivos.h"

#include <QFile>
#include <QFileInfo>

#include "suite/Componentes.h"

bool ExisteArchivo(const QString& ruta) {
    const QString limpia = QString(ruta).remove('"');
    if (QFileInfo(limpia).isDir()) return false;
    QFile archivo(limpia);
    const bool abre = archivo.open(QIODevice::ReadOnly);
    archivo.close();
    return abre;
}

void AbrirDocumento(const QString& texto, bool ventana) {
    QString destino = texto;
    if (destino.contains(' ') && !destino.contains('"')) destino = '"' + destino + '"';
    const int estilo = ventana ? 6 : 0;
    Componentes::Sistema().EjecutarShell(0, QString(), destino, QString(), QString(), estilo);
}
