// garantias-cli serie SERIE... | serie - : dónde está guardada cada serie (transmisión, fecha,
// hora, usuario, punto de venta, modelo y activación).
#include <QFile>
#include <QStringDecoder>

#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "data/SeriesGuardadas.h"
#include "platform/Cp1252.h"
#include "platform/ErrorEjecucion.h"
#include "suite/Componentes.h"

namespace {

// Una serie por línea de la entrada estándar: en UTF-8 o, si no lo es, en Windows-1252 (una lista
// guardada por una planilla). Los fines de línea CR LF también valen.
QStringList SeriesDeEntrada() {
    QFile entrada;
    if (!entrada.open(stdin, QIODevice::ReadOnly)) {
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            QStringLiteral("no se puede leer la entrada estándar: %1").arg(entrada.errorString()));
    }
    const QByteArray bytes = entrada.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString texto = utf8.decode(bytes);
    if (utf8.hasError()) texto = Cp1252::Decodificar(bytes);
    QStringList lineas = texto.split('\n');
    for (QString& l : lineas) {
        if (l.endsWith('\r')) l.chop(1);
    }
    return lineas;
}

int Correr(const Argumentos& a, Salida& salida) {
    if (a.sueltos.isEmpty())
        throw ErrorUso(
            QStringLiteral("serie necesita al menos una serie, o \"-\" para leerlas de la entrada"));
    // Las series tal como vienen: sólo se dejan afuera las vacías o de blancos (nunca se guardan).
    QStringList series;
    for (const QString& s : a.sueltos) {
        const QStringList dadas = s == QLatin1String("-") ? SeriesDeEntrada() : QStringList{s};
        for (const QString& d : dadas) {
            if (!d.trimmed().isEmpty()) series << d;
        }
    }
    IniciarSesionCli(a);
    const auto encontradas = BuscarSeries(Componentes::Datos(), series);
    salida.linea(QStringLiteral("serie\ttransmision\tfecha\thora\tusuario\teca1\tmodelo\tactivacion"));
    bool faltan = false;
    for (qsizetype i = 0; i < series.size(); ++i) {
        const auto& filas = encontradas[static_cast<std::size_t>(i)];
        if (filas.empty()) {
            faltan = true;
            salida.linea(Celda(series[i]) + QStringLiteral("\tno encontrada\t\t\t\t\t\t"));
            continue;
        }
        for (const GarantiaGuardada& g : filas) {
            QStringList celdas;
            for (const QString* v :
                 {&g.serie, &g.transmision, &g.fecha, &g.hora, &g.usuario, &g.eca1, &g.modelo, &g.activacion})
                celdas << Celda(*v);
            salida.linea(celdas.join('\t'));
        }
    }
    return faltan ? Codigo::NoEncontrado : Codigo::Bien;
}

}  // namespace

Verbo VerboSerie() {
    return {
        QStringLiteral("serie"),
        QStringLiteral("serie SERIE... | serie - --conexion \"CADENA\""),
        QStringLiteral(
            "Busca cada serie en AUX_GARANTIA como la compara la importación (sin distinguir mayúsculas ni "
            "blancos finales; \"%\" y \"_\" son parte de la serie). Con \"-\", lee una serie por línea de la "
            "entrada estándar; una serie que empieza con \"-\" va después de \"--\". Escribe, separados por "
            "tabuladores y con títulos: serie, transmisión, fecha, "
            "hora, usuario, eca1, modelo y activación; una serie que no está sale como \"no encontrada\". "
            "Termina con 3 si alguna serie no está, con 0 si están todas."),
        {OpcionConexion()},
        &Correr};
}
