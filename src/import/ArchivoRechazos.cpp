#include "import/ArchivoRechazos.h"

#include <QFileInfo>

#include "data/SeriesGuardadas.h"
#include "platform/Cp1252.h"
#include "platform/ErrorEjecucion.h"

void CompletarTransmisiones(std::vector<Rechazo>& tramo, Dll_Datos& datos) {
    QStringList series;
    std::vector<Rechazo*> guardadas;
    for (Rechazo& r : tramo) {
        if (r.motivo != MotivoRechazo::SerieGuardada || !r.detalle.isEmpty()) continue;
        series << r.serie();
        guardadas.push_back(&r);
    }
    if (series.isEmpty()) return;
    const auto encontradas = BuscarSeries(datos, series);
    for (std::size_t i = 0; i < guardadas.size(); ++i) {
        guardadas[i]->detalle = encontradas[i].empty()
                                    ? QStringLiteral("repetida en el archivo")
                                    : QStringLiteral("transmisión ") + encontradas[i].front().transmision;
    }
}

namespace {
// Un valor de csv: entre comillas (las de adentro duplicadas) si tiene separador, comillas o saltos.
QString ValorCsv(const QString& v) {
    if (!v.contains(';') && !v.contains('"') && !v.contains('\n') && !v.contains('\r')) return v;
    QString c = v;
    c.replace('"', QStringLiteral("\"\""));
    return '"' + c + '"';
}
}  // namespace

ArchivoRechazos::ArchivoRechazos(const QString& ruta, Codificacion codificacion)
    : ruta_(ruta), codificacion_(codificacion), archivo_(ruta) {
    if (QFileInfo(ruta).isDir() || !archivo_.open(QIODevice::WriteOnly)) fallar();
}

void ArchivoRechazos::fallar() const {
    const QString causa =
        QFileInfo(ruta_).isDir() ? QStringLiteral("es una carpeta") : archivo_.errorString();
    throw ErrorEjecucion(Errores::ProveedorFallo,
                         QStringLiteral("No se puede escribir el archivo de filas no importadas \"%1\": %2")
                             .arg(ruta_, causa));
}

void ArchivoRechazos::linea(const QStringList& valores) {
    QString texto;
    for (qsizetype i = 0; i < valores.size(); ++i) {
        if (i) texto += ';';
        texto += ValorCsv(valores[i]);
    }
    texto += QStringLiteral("\r\n");
    const QByteArray bytes = codificacion_ == Codificacion::Utf8 ? texto.toUtf8() : Cp1252::Codificar(texto);
    if (archivo_.write(bytes) != bytes.size()) fallar();
}

void ArchivoRechazos::escribir(const Rechazos& rechazos,
                               const std::function<void(std::vector<Rechazo>&)>& completar) {
    linea(rechazos.nombresCampos() +
          QStringList{QStringLiteral("motivo"), QStringLiteral("detalle"), QStringLiteral("fila")});
    rechazos.recorrer([&](std::vector<Rechazo>& tramo) {
        if (completar) completar(tramo);
        for (const Rechazo& r : tramo)
            linea(r.campos + QStringList{TextoMotivo(r.motivo), r.detalle, QString::number(r.fila)});
    });
    if (!archivo_.commit()) fallar();
}
