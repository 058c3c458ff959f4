// bench_fuentes: lo que mide bench/fuentes/correr, un proceso por medición.
//   bench_fuentes generar CLASE FILAS RUTA    escribe un archivo de prueba (csv, xlsx, dbf, db)
//   bench_fuentes leer RUTA [TABLA] [--veces N]  lee la tabla entera (sin TABLA, la primera que lista
//                                             la ventana), cada valor con TextoValor; con --veces, N
//                                             veces en el mismo proceso y da el mejor tiempo de una
//                                             (para archivos tan chicos que el arranque del proceso
//                                             taparía la lectura)
//   bench_fuentes vista RUTA [TABLA]          lee 19 filas, como la vista previa
// leer y vista escriben "filas segundos maxrss_kb" y terminan con 0; si el proveedor falla, el
// mensaje por la salida de errores y 1.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <limits>

#include "Generadores.h"
#include "ado/ArchivoOrigen.h"
#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

namespace {
// La tabla que se lee si no se nombra ninguna, como en la línea de comandos.
QString PrimeraTabla(Conexion& c, const ArchivoOrigen& archivo) {
    const QString tabla = archivo.tablaPorDefecto(archivo.tablasListadas(c));
    if (tabla.isEmpty()) throw ErrorEjecucion(5, QStringLiteral("el archivo no tiene tablas"));
    return tabla;
}

int Leer(const QString& ruta, QString tabla, qint64 limite, int veces = 1) {
    qint64 filas = 0;
    qint64 caracteres = 0;  // para que la conversión no se pueda quitar
    qint64 mejor = std::numeric_limits<qint64>::max();
    for (int vez = 0; vez < veces; ++vez) {
        QElapsedTimer reloj;
        reloj.start();
        Conexion c;
        const ArchivoOrigen archivo = ArchivoOrigen::De(QFileInfo(ruta).absoluteFilePath());
        c.Open(archivo.textoConexion());
        if (tabla.isEmpty()) tabla = PrimeraTabla(c, archivo);
        auto rs = c.abrirRecordset(SentenciaDeTabla(tabla));
        filas = 0;
        caracteres = 0;
        for (; !rs->EOF_() && filas < limite; rs->MoveNext(), ++filas) {
            for (int i = 0; i < rs->FieldCount(); ++i) caracteres += TextoValor(rs->Field(i)).size();
        }
        rs->Close();
        c.Close();
        mejor = std::min(mejor, reloj.nsecsElapsed());
    }
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    std::printf("%lld %.6f %ld %lld\n", static_cast<long long>(filas), mejor / 1e9, uso.ru_maxrss,
                static_cast<long long>(caracteres));
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    try {
        if (a.size() == 5 && a[1] == "generar") {
            const QString clase = a[2];
            const qint64 filas = a[3].toLongLong();
            QString falla;
            if (clase == "csv")
                falla = GenerarCsv(a[4], filas);
            else if (clase == "xlsx")
                falla = GenerarXlsx(a[4], filas);
            else if (clase == "dbf")
                falla = GenerarDbf(a[4], filas);
            else if (clase == "db")
                falla = GenerarDb(a[4], filas);
            else
                falla = QStringLiteral("clase desconocida: ") + clase;
            if (!falla.isEmpty()) {
                std::fprintf(stderr, "%s\n", qPrintable(falla));
                return 1;
            }
            return 0;
        }
        QStringList resto = a.mid(2);
        int veces = 1;
        if (const qsizetype k = resto.indexOf(QStringLiteral("--veces")); k >= 0 && k + 1 < resto.size()) {
            veces = std::max(1, resto[k + 1].toInt());
            resto.remove(k, 2);
        }
        const QString tabla = resto.size() == 2 ? resto[1] : QString();
        if ((resto.size() == 1 || resto.size() == 2) && a[1] == "leer")
            return Leer(resto[0], tabla, std::numeric_limits<qint64>::max(), veces);
        if ((resto.size() == 1 || resto.size() == 2) && a[1] == "vista") return Leer(resto[0], tabla, 19);
    } catch (const ErrorEjecucion& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.descripcion()));
        return 1;
    }
    std::fprintf(
        stderr,
        "uso: bench_fuentes generar CLASE FILAS RUTA | leer RUTA [TABLA] [--veces N] | vista RUTA [TABLA]\n");
    return 2;
}
