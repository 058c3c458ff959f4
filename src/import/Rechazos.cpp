#include "import/Rechazos.h"

#include <QDataStream>
#include <QDir>

#include "ado/Recordset.h"
#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

QString TextoMotivo(MotivoRechazo motivo) {
    switch (motivo) {
        case MotivoRechazo::SerieGuardada:
            return QStringLiteral("serie ya guardada");
        case MotivoRechazo::SinSerie:
            return QStringLiteral("sin serie");
        case MotivoRechazo::Fallo:
            return QStringLiteral("falló");
        case MotivoRechazo::SinConfirmar:
            return QStringLiteral("sin confirmar");
        case MotivoRechazo::RepetidaEnArchivo:
            return QStringLiteral("repetida en el archivo");
    }
    return {};
}

Rechazo RechazoDeFila(const Recordset& rs, qint64 fila, MotivoRechazo motivo, const QString& detalle) {
    Rechazo r;
    r.fila = fila;
    r.motivo = motivo;
    r.detalle = detalle;
    CamposDeFila(rs, r.campos);
    return r;
}

void CamposDeFila(const Recordset& rs, QStringList& campos) {
    campos.clear();
    const int n = rs.FieldCount();
    campos.reserve(n);
    for (int i = 0; i < n; ++i) campos << TextoValor(rs.Field(i));
}

QStringList NombresCampos(const Recordset& rs) {
    QStringList nombres;
    for (int i = 0; i < rs.FieldCount(); ++i) nombres << rs.FieldName(i);
    return nombres;
}

namespace {
[[noreturn]] void FallaTemporal(const QFileDevice& f) {
    throw ErrorEjecucion(
        Errores::ProveedorFallo,
        QStringLiteral("No se pudo usar el archivo temporal de las filas no importadas \"%1\": %2")
            .arg(f.fileName(), f.errorString()));
}
}  // namespace

Rechazos::Rechazos(qsizetype enMemoria) : enMemoria_(enMemoria < 1 ? 1 : enMemoria) {}

Rechazos::~Rechazos() = default;

void Rechazos::limpiar(const QStringList& nombresCampos) {
    nombres_ = nombresCampos;
    pendientes_.clear();
    disco_.reset();
    enDisco_ = cantidad_ = 0;
    for (qint64& n : porMotivo_) n = 0;
}

void Rechazos::agregar(Rechazo rechazo) {
    ++porMotivo_[static_cast<int>(rechazo.motivo)];
    ++cantidad_;
    pendientes_.push_back(std::move(rechazo));
    if (static_cast<qsizetype>(pendientes_.size()) >= enMemoria_) volcar();
}

void Rechazos::volcar() {
    if (!disco_) {
        disco_ =
            std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/garantias-rechazos-XXXXXX"));
        if (!disco_->open()) FallaTemporal(*disco_);
    }
    disco_->seek(disco_->size());
    QDataStream s(disco_.get());
    for (const Rechazo& r : pendientes_)
        s << r.fila << r.campos << static_cast<qint32>(r.motivo) << r.detalle
          << static_cast<qint32>(r.columnaSerie);
    if (s.status() != QDataStream::Ok || !disco_->flush()) FallaTemporal(*disco_);
    enDisco_ += static_cast<qint64>(pendientes_.size());
    pendientes_.clear();
}

void Rechazos::recorrer(const std::function<void(std::vector<Rechazo>& tramo)>& hacer,
                        qsizetype tramo) const {
    if (tramo < 1) tramo = 1;
    std::vector<Rechazo> t;
    t.reserve(static_cast<std::size_t>(tramo));
    if (disco_) {
        if (!disco_->seek(0)) FallaTemporal(*disco_);
        QDataStream s(disco_.get());
        for (qint64 i = 0; i < enDisco_; ++i) {
            Rechazo r;
            qint32 motivo = 0;
            qint32 columnaSerie = 1;
            s >> r.fila >> r.campos >> motivo >> r.detalle >> columnaSerie;
            r.columnaSerie = columnaSerie;
            if (s.status() != QDataStream::Ok) FallaTemporal(*disco_);
            r.motivo = static_cast<MotivoRechazo>(motivo);
            t.push_back(std::move(r));
            if (static_cast<qsizetype>(t.size()) == tramo) {
                hacer(t);
                t.clear();
            }
        }
    }
    for (const Rechazo& r : pendientes_) {
        t.push_back(r);
        if (static_cast<qsizetype>(t.size()) == tramo) {
            hacer(t);
            t.clear();
        }
    }
    if (!t.empty()) hacer(t);
}
