#include "import/HerramientasConsulta.h"

#include <QRegularExpression>
#include <QSet>

#include "ado/Recordset.h"
#include "ado/Valores.h"
#include "data/Dll_Datos.h"
#include "data/SeriesGuardadas.h"
#include "import/ArchivoRechazos.h"

QStringList SeriesDeTexto(const QString& texto) {
    static const QRegularExpression separador(QStringLiteral("[\\t\\r\\n\\f\\v\\x{2028}\\x{2029}]"));
    QStringList series;
    QSet<QString> vistas;
    for (QString s : texto.split(separador, Qt::SkipEmptyParts)) {
        s = s.trimmed();
        if (s.isEmpty()) continue;
        const QString clave = s.toCaseFolded();
        if (vistas.contains(clave)) continue;
        vistas.insert(clave);
        series << s;
    }
    return series;
}

std::vector<SerieEncontrada> BuscarSeriesPedidas(Dll_Datos& datos, const QStringList& series) {
    const auto encontradas = BuscarSeries(datos, series);
    std::vector<SerieEncontrada> lista;
    for (qsizetype i = 0; i < series.size(); ++i) {
        const auto& filas = encontradas[static_cast<std::size_t>(i)];
        if (filas.empty()) lista.push_back({series[i], false, {}, 0, {}, {}});
        for (const GarantiaGuardada& g : filas) {
            lista.push_back({series[i], true, g.serie, g.transmision.toInt(),
                             (g.fecha + ' ' + g.hora).trimmed(), g.usuario});
        }
    }
    return lista;
}

std::vector<FilaNoAgregada> FilasNoAgregadas(const Rechazos& rechazos, Dll_Datos* datos, qsizetype tope) {
    std::vector<FilaNoAgregada> filas;
    rechazos.recorrer([&](std::vector<Rechazo>& tramo) {
        if (static_cast<qsizetype>(filas.size()) >= tope) return;
        if (datos) CompletarTransmisiones(tramo, *datos);
        for (const Rechazo& r : tramo) {
            if (static_cast<qsizetype>(filas.size()) >= tope) break;
            QString motivo = TextoMotivo(r.motivo);
            if (!r.detalle.isEmpty())
                motivo += r.motivo == MotivoRechazo::Fallo || r.motivo == MotivoRechazo::SinConfirmar
                              ? QStringLiteral(": ") + r.detalle
                              : QStringLiteral(" (") + r.detalle + ')';
            filas.push_back({r.fila, r.serie(), motivo});
        }
    });
    return filas;
}

qint64 ExportarTransmision(Dll_Datos& datos, int32_t transmision, const QString& ruta,
                           ArchivoCsv::Codificacion codificacion, const std::function<void(qint64)>& avance) {
    ArchivoCsv csv(ruta, codificacion, QStringLiteral("de la transmisión"));
    csv.linea({QStringLiteral("eca1"), QStringLiteral("serie"), QStringLiteral("modelo"),
               QStringLiteral("activacion")});
    RecordsetPtr rs;
    datos.AbrirRecordset(
        QStringLiteral("SELECT eca1,serie,modelo,activacion FROM AUX_GARANTIA WHERE NroTransmision=") +
            QString::number(transmision),
        rs, nullptr, 0, 1, -1, true);
    qint64 escritas = 0;
    try {
        for (; !rs->EOF_(); rs->MoveNext()) {
            csv.linea({TextoValor(rs->Field(0)), TextoValor(rs->Field(1)), TextoValor(rs->Field(2)),
                       TextoValor(rs->Field(3))});
            if ((++escritas & 0x3FF) == 0 && avance) avance(escritas);
        }
    } catch (...) {
        datos.CerrarRecordset(rs);
        throw;
    }
    datos.CerrarRecordset(rs);
    csv.terminar();
    if (avance) avance(escritas);
    return escritas;
}
