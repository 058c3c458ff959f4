#include "import/ArchivoRechazos.h"

#include "data/SeriesGuardadas.h"

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

ArchivoRechazos::ArchivoRechazos(const QString& ruta, Codificacion codificacion)
    : csv_(ruta, codificacion, QStringLiteral("de filas no importadas")) {}

namespace {
QStringList Cabecera(const Rechazos& rechazos) {
    return rechazos.nombresCampos() +
           QStringList{QStringLiteral("motivo"), QStringLiteral("detalle"), QStringLiteral("fila")};
}
QStringList Valores(const Rechazo& r) {
    return r.campos + QStringList{TextoMotivo(r.motivo), r.detalle, QString::number(r.fila)};
}
}  // namespace

void ArchivoRechazos::listar(const Rechazos& rechazos, const std::function<void(const QString&)>& linea) {
    linea(LineaCsv(Cabecera(rechazos)));
    rechazos.recorrer([&](std::vector<Rechazo>& tramo) {
        for (const Rechazo& r : tramo) linea(LineaCsv(Valores(r)));
    });
}

void ArchivoRechazos::escribir(const Rechazos& rechazos,
                               const std::function<void(std::vector<Rechazo>&)>& completar) {
    csv_.linea(Cabecera(rechazos));
    rechazos.recorrer([&](std::vector<Rechazo>& tramo) {
        if (completar) completar(tramo);
        for (const Rechazo& r : tramo) csv_.linea(Valores(r));
    });
    csv_.terminar();
}
