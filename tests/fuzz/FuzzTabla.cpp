// Arnés de libFuzzer para el mapa entre nombres de archivo y nombres de tabla de las clases de
// carpeta (texto): con archivos de nombres cualesquiera en una carpeta, la tabla que la clase dice
// que es la del archivo elegido está en la lista del proveedor, y leerla lee ese archivo y no otro.
// La entrada: nombres separados por '\n' (sin "/" ni bytes nulos); cada archivo lleva su número.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdint>
#include <cstdlib>

#include "ado/ArchivoOrigen.h"
#include "ado/Conexion.h"
#include "platform/ErrorEjecucion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    static const QString carpeta =
        QDir::temp().filePath(QStringLiteral("garantias_fuzz_tabla_%1").arg(getpid()));
    QDir(carpeta).removeRecursively();
    QDir().mkpath(carpeta);
    const QByteArray entrada(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(largo));
    QStringList rutas;
    for (const QByteArray& linea : entrada.split('\n')) {
        if (rutas.size() >= 8) break;
        QString nombre = QString::fromUtf8(linea).remove(u'/').remove(QChar(0)).left(60);
        if (nombre.isEmpty() || nombre == QLatin1String(".") || nombre == QLatin1String("..")) continue;
        nombre += (linea.size() % 2) ? QStringLiteral(".csv") : QStringLiteral(".txt");
        const QString ruta = carpeta + u'/' + nombre;
        QFile f(ruta);
        if (f.exists() || !f.open(QIODevice::WriteOnly)) continue;  // mismo nombre en otra forma
        f.write("serie\n" + QByteArray::number(rutas.size()) + "\n");
        f.close();
        rutas.append(ruta);
    }
    for (qsizetype i = 0; i < rutas.size(); ++i) {
        const ArchivoOrigen a = ArchivoOrigen::De(rutas[i]);
        if (!a.conocido()) continue;
        Conexion c;
        try {
            c.Open(a.textoConexion());
            const QStringList lista = a.tablasListadas(c);
            const QString tabla = a.tablaPorDefecto(lista);
            const QString propia = a.clase->tablaDelArchivo(rutas[i]);
            // La tabla del archivo está en la lista, y es la que se lee si no se nombra otra.
            if (!lista.contains(propia, Qt::CaseInsensitive) ||
                tabla.compare(propia, Qt::CaseInsensitive) != 0)
                std::abort();
            RecordsetPtr rs = c.abrirRecordset(SentenciaDeTabla(tabla));
            // Y leerla lee este archivo: su número. Dos nombres que sólo difieren en mayúsculas
            // son la misma tabla para el controlador de texto; ese caso no se juzga aquí.
            bool gemelo = false;
            for (qsizetype j = 0; j < rutas.size(); ++j)
                gemelo |= j != i && rutas[j].compare(rutas[i], Qt::CaseInsensitive) == 0;
            if (!gemelo && (rs->EOF_() || rs->Field(0).toString() != QString::number(i))) std::abort();
            rs->Close();
        } catch (const ErrorEjecucion&) {
            // Una falla al leer es un mensaje, no una lectura del archivo equivocado.
        }
        if (c.abierta()) c.Close();
    }
    return 0;
}
