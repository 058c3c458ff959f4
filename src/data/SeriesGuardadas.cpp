#include "data/SeriesGuardadas.h"

#include "ado/Valores.h"
#include "data/Dll_Datos.h"
#include "platform/ErrorEjecucion.h"

namespace {

// Series por consulta. Las pedidas van como una tabla derivada de literales (cada una con su
// número) y la base las junta con AUX_GARANTIA por el índice de la serie, comparando con la
// colación de la columna. SQLite admite a lo sumo 500 ramas de UNION ALL.
constexpr qsizetype kSeriesPorConsulta = 400;

bool Embebida(Dll_Datos& datos) { return datos.conexion().motor() == MotorBase::Embebida; }

QString Literal(const Dll_Datos& datos, const QString& serie) {
    return datos.FormatearValor(serie, QStringLiteral("'"));
}

// Las series [desde, hasta) como una tabla derivada de literales, "pedida" (su número desde 0 en
// el tramo) y "serie".
QString SeriesPedidas(const Dll_Datos& datos, const QStringList& series, qsizetype desde, qsizetype hasta) {
    QString pedidas;
    for (qsizetype i = desde; i < hasta; ++i) {
        pedidas += i > desde ? QStringLiteral(" UNION ALL SELECT ") : QStringLiteral("SELECT ");
        pedidas += QString::number(i - desde) +
                   (i > desde ? QStringLiteral(",") : QStringLiteral(" AS pedida,")) +
                   Literal(datos, series[i]) + (i > desde ? QString() : QStringLiteral(" AS serie"));
    }
    return pedidas;
}

// La consulta de la prueba con una base de servidor: las kSeriesPorConsulta series van como
// parámetros (nvarchar(4000); las que faltan en la última, nulas, no se encuentran), así el texto
// es siempre el mismo y la base lo prepara una vez por corrida. Devuelve el número de cada serie
// pedida que la base guarda.
QString ConsultaSeriesGuardadas() {
    QString pedidas = QStringLiteral("SELECT 0 AS pedida, ? AS serie");
    for (qsizetype i = 1; i < kSeriesPorConsulta; ++i)
        pedidas += QStringLiteral(" UNION ALL SELECT %1, ?").arg(i);
    return QStringLiteral("SELECT DISTINCT p.pedida FROM (") + pedidas +
           QStringLiteral(") p INNER JOIN AUX_GARANTIA a ON a.serie=p.serie");
}

// La primera falla de la lista de errores de la conexión, lanzada.
void LanzarSiFallo(Dll_Datos& datos) {
    const ListaErrores& errores = datos.conexion().Errors();
    if (errores.Count() > 0) throw ErrorEjecucion(Errores::ProveedorFallo, errores.Item(0).descripcion);
}

}  // namespace

std::vector<std::vector<GarantiaGuardada>> BuscarSeries(Dll_Datos& datos, const QStringList& series) {
    std::vector<std::vector<GarantiaGuardada>> resultado(static_cast<std::size_t>(series.size()));
    for (qsizetype desde = 0; desde < series.size(); desde += kSeriesPorConsulta) {
        const qsizetype hasta = std::min(series.size(), desde + kSeriesPorConsulta);
        const QString pedidas = SeriesPedidas(datos, series, desde, hasta);
        const QString sql =
            QStringLiteral(
                "SELECT p.pedida, a.serie, a.nroTransmision, t.Fecha, t.Hora, t.Responsable_envio, a.eca1, "
                "a.modelo, a.activacion FROM (") +
            pedidas +
            QStringLiteral(
                ") p INNER JOIN AUX_GARANTIA a with(nolock) ON a.serie=p.serie LEFT JOIN MV_TRANSMISIONES t "
                "with(nolock) ON t.Transmision=a.nroTransmision AND t.TIPO='S'");
        RecordsetPtr rs;
        datos.AbrirRecordset(sql, rs, nullptr, 0, 1, -1, true);
        for (; !rs->EOF_(); rs->MoveNext()) {
            const qsizetype pedida = desde + static_cast<qsizetype>(NumeroValor(rs->Field(0)));
            if (pedida < desde || pedida >= hasta) continue;
            GarantiaGuardada g;
            g.serie = TextoValor(rs->Field(1));
            g.transmision = TextoValor(rs->Field(2));
            g.fecha = TextoValor(rs->Field(3));
            g.hora = TextoValor(rs->Field(4));
            g.usuario = TextoValor(rs->Field(5));
            g.eca1 = TextoValor(rs->Field(6));
            g.modelo = TextoValor(rs->Field(7));
            g.activacion = TextoValor(rs->Field(8));
            resultado[static_cast<std::size_t>(pedida)].push_back(std::move(g));
        }
        datos.CerrarRecordset(rs);
    }
    return resultado;
}

PruebaSeries::PruebaSeries(Dll_Datos& datos, AlResponder alResponder)
    : datos_(datos), alResponder_(std::move(alResponder)) {
    datos_.reabrirSiHaceFalta();
    if (!Embebida(datos_)) {
        consultar_ = datos_.conexion().preparar(ConsultaSeriesGuardadas());
        return;
    }
    // La comparación es la del índice único de AUX_GARANTIA (serie = ? pasa por clave_serie); la
    // tabla temporal vive sólo en esta conexión y nunca pasa de una fila.
    datos_.EjecutarSQL(QStringLiteral("DROP TABLE IF EXISTS temp.prueba_series"));
    datos_.EjecutarSQL(QStringLiteral("CREATE TEMP TABLE prueba_series (uno INTEGER PRIMARY KEY)"));
    LanzarSiFallo(datos_);
    buscar_ = datos_.conexion().preparar(
        QStringLiteral("INSERT OR REPLACE INTO temp.prueba_series (uno) SELECT 1 WHERE EXISTS (SELECT * FROM "
                       "AUX_GARANTIA WHERE serie=?)"));
}

void PruebaSeries::cerrarTramo() {
    if (enTramo_ == 0) return;
    enTramo_ = 0;
    datos_.conexion().CommitTrans();
}

PruebaSeries::~PruebaSeries() {
    if (!buscar_) return;
    try {
        cerrarTramo();
    } catch (const ErrorEjecucion&) {
    }
    buscar_.reset();
    try {
        if (datos_.Conectado()) datos_.EjecutarSQL(QStringLiteral("DROP TABLE temp.prueba_series"));
    } catch (const ErrorEjecucion&) {
    }
}

void PruebaSeries::pedir(qint64 indice, const QString& serie) {
    if (buscar_) {
        // De a tramos dentro de una transacción (que sólo escribe la tabla temporal): cada
        // sentencia suelta tomaría y soltaría el cerrojo de la base, y eso costaba más que la
        // búsqueda. Una lectura de WAL no frena a quien escribe; el tramo suelta la instantánea.
        Conexion& c = datos_.conexion();
        if (enTramo_ == 0) c.BeginTrans();
        ++enTramo_;
        const int64_t cambiadas = c.ejecutar(*buscar_, {serie});
        LanzarSiFallo(datos_);
        if (enTramo_ == kSeriesPorTramo) cerrarTramo();
        alResponder_(indice, serie, cambiadas > 0);
        return;
    }
    indices_.push_back(indice);
    series_ << serie;
    if (series_.size() == kSeriesPorConsulta) consultarPendientes();
}

void PruebaSeries::vaciar() {
    if (!series_.isEmpty()) consultarPendientes();
}

void PruebaSeries::consultarPendientes() {
    const std::vector<qint64> indices = std::move(indices_);
    const QStringList series = std::move(series_);
    indices_.clear();
    series_.clear();
    std::vector<QVariant> valores(static_cast<std::size_t>(kSeriesPorConsulta));
    for (qsizetype i = 0; i < series.size(); ++i) valores[static_cast<std::size_t>(i)] = series[i];
    Conexion& c = datos_.conexion();
    c.ejecutar(*consultar_, valores);
    LanzarSiFallo(datos_);
    std::vector<bool> guardadas(indices.size(), false);
    for (const QVariant& n : consultar_->resultado()) {
        const auto pedida = static_cast<qsizetype>(NumeroValor(n));
        if (pedida >= 0 && pedida < series.size()) guardadas[static_cast<std::size_t>(pedida)] = true;
    }
    for (std::size_t i = 0; i < indices.size(); ++i)
        alResponder_(indices[i], series[static_cast<qsizetype>(i)], guardadas[i]);
}
