#include "ado/ClasesOrigen.h"

#include "ado/Conexion.h"

QString ClaseOrigen::nombreBase(const QString& ruta) const {
    const QString nombre = ruta.mid(ruta.lastIndexOf('/') + 1);
    const qsizetype punto = nombre.lastIndexOf('.');
    return punto >= 0 ? nombre.left(punto) : nombre;
}

const std::vector<const ClaseOrigen*>& ClasesOrigen() {
    static const std::vector<const ClaseOrigen*> clases = {&ClaseTexto(), &ClaseSqlite(), &ClaseXls(),
                                                           &ClaseXlsx(),  &ClaseDbase(),  &ClaseAccess()};
    return clases;
}

const ClaseOrigen* ClasePorExtension(const QString& extension) {
    for (const ClaseOrigen* c : ClasesOrigen()) {
        for (const QString& e : c->extensiones()) {
            if (e.compare(extension, Qt::CaseInsensitive) == 0) return c;
        }
    }
    return nullptr;
}

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

QString ArchivoOrigen::sentencia() const {
    if (tabla.isEmpty() && clase && clase->listado() == ListadoOrigen::SoloNombreBase)
        return clase->sentenciaDelArchivo(ruta);
    return SentenciaDeTabla(tabla);
}

QString NombreEntreCorchetes(const QString& tabla) {
    return '[' + QString(tabla).replace(QLatin1String("]"), QLatin1String("]]")) + ']';
}

QString SentenciaDeTabla(const QString& tabla) {
    return QStringLiteral("SELECT * FROM ") + NombreEntreCorchetes(tabla);
}
