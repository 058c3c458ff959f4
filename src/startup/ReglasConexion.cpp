#include "startup/ReglasConexion.h"

void AplicarMarcaPlataforma(QString& servidor, QString& textoConexion, const QString& base,
                            const QString& usuario, const QString& clave) {
    if (servidor.trimmed().isEmpty() || !servidor.startsWith('#')) return;
    servidor.remove(0, 1);
    textoConexion = QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=") + base +
                    QStringLiteral(";User Id=") + usuario + QStringLiteral(";Password=") + clave + ';';
}

QString NormalizarServidor(const QString& servidor) {
    QString nombre = servidor;
    const qsizetype barra = nombre.indexOf('/');
    if (barra >= 0) nombre = nombre.mid(barra + 1);
    const qsizetype dosPuntos = nombre.indexOf(':');
    if (dosPuntos >= 0) nombre = nombre.left(dosPuntos);
    return nombre;
}
