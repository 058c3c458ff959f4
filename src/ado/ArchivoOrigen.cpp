#include "ado/ArchivoOrigen.h"

#include "ado/Conexion.h"

ArchivoOrigen ArchivoOrigen::De(const QString& ruta) {
    ArchivoOrigen a;
    a.ruta = ruta;
    const qsizetype barra = ruta.lastIndexOf('/');
    a.carpeta = barra > 0 ? ruta.left(barra) : barra == 0 ? QStringLiteral("/") : QString();
    a.archivo = ruta.mid(barra + 1);
    const qsizetype punto = a.archivo.lastIndexOf('.');
    a.extension = punto >= 0 ? a.archivo.mid(punto + 1) : QString();
    a.clase = ClasePorExtension(a.extension);
    return a;
}

QStringList ArchivoOrigen::tablasListadas(Conexion& conexion) const {
    if (clase && clase->listado() == ListadoOrigen::SoloNombreBase) {
        conexion.abrirRecordset(clase->sentenciaDelArchivo(ruta))->Close();
        return {nombreBase()};
    }
    QStringList tablas;
    auto esquema = conexion.OpenSchemaTablas();
    for (; !esquema->EOF_(); esquema->MoveNext()) {
        // Tal cual: los blancos al borde son parte del nombre (" datos.csv" no es "datos.csv").
        const QString nombre = esquema->Field(QStringLiteral("TABLE_NAME")).toString();
        if (pasaFiltro(nombre)) tablas << nombre;
    }
    esquema->Close();
    if (clase && clase->listado() == ListadoOrigen::TablasYNombreBase) tablas << nombreBase();
    return tablas;
}

QString ArchivoOrigen::tablaPorDefecto(const QStringList& lista) const {
    const QString propia = clase ? clase->tablaDelArchivo(ruta) : QString();
    if (!propia.isEmpty()) {
        if (lista.contains(propia)) return propia;
        for (const QString& t : lista) {
            if (t.compare(propia, Qt::CaseInsensitive) == 0) return t;
        }
    }
    return lista.value(0);
}

QString ArchivoOrigen::tablaALeer() const {
    if (tabla.isEmpty() && clase && clase->listado() == ListadoOrigen::SoloNombreBase)
        return clase->tablaDelArchivo(ruta);
    return tabla;
}

QString ArchivoOrigen::sentencia() const {
    if (tabla.isEmpty() && clase && clase->listado() == ListadoOrigen::SoloNombreBase)
        return clase->sentenciaDelArchivo(ruta);
    return SentenciaDeTabla(tabla);
}
