#include "data/EscrituraFilaPorFila.h"

#include <QThread>

#include "ado/Errores.h"

const QString EscrituraFilaPorFila::kInsertarFila = QStringLiteral(
    "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) SELECT ?,?,?,?,? "
    "WHERE NOT EXISTS (SELECT * FROM AUX_GARANTIA WITH (UPDLOCK, HOLDLOCK) WHERE serie=?)");

EscrituraFilaPorFila::EscrituraFilaPorFila(Conexion& conexion, Transmision transmision,
                                           AlResultado alResultado, const QString& sentencia,
                                           bool serieAlFinal)
    : c_(conexion),
      transmision_(std::move(transmision)),
      alResultado_(std::move(alResultado)),
      fila_(conexion.preparar(sentencia)),
      serieAlFinal_(serieAlFinal) {}

bool EscrituraFilaPorFila::agregar(int64_t indice, FilaGarantia fila) {
    return unaFila({indice, std::move(fila)});
}

int64_t EscrituraFilaPorFila::correr(SentenciaPreparada& s, const std::vector<QVariant>& valores) {
    reintentosHechos_ = 0;
    for (;;) {
        const int64_t filas = c_.ejecutar(s, valores);
        if (filas >= 0 || c_.enTransaccion() || reintentosHechos_ >= kReintentosBloqueo) return filas;
        bool bloqueo = false;
        for (int i = 0; i < c_.Errors().Count(); ++i)
            bloqueo = bloqueo || FallasMotor::EsBloqueoMutuo(c_.Errors().Item(i));
        if (!bloqueo) return filas;
        ++reintentosHechos_;
        QThread::msleep(static_cast<unsigned long>(50 * reintentosHechos_));
    }
}

bool EscrituraFilaPorFila::unaFila(const Pendiente& p) {
    const auto numero = transmision_.numero();
    if (!numero) {
        sinNumero_ = true;
        return false;
    }
    std::vector<QVariant> valores{p.fila.modelo, p.fila.serie, *numero, p.fila.eca1, p.fila.activacion};
    if (serieAlFinal_) valores.push_back(p.fila.serie);
    const int64_t filas = correr(*fila_, valores);
    if (filas < 0) {
        QString d = descripcionFalla();
        if (reintentosHechos_ > 0) {
            d = QStringLiteral(
                    "La base deshizo la fila %1 veces seguidas por un bloqueo mutuo con otra estación: %2")
                    .arg(reintentosHechos_ + 1)
                    .arg(d);
        }
        return fallo(p.indice, d);
    }
    if (filas == 0 && fila_->sinCuenta()) {
        // Sin la cuenta no se sabe si la fila quedó: contarla como ya guardada perdería filas.
        return fallo(p.indice,
                     QStringLiteral("La base no dijo si guardó la fila (no informó cuántas filas cambió "
                                    "la sentencia; ¿SET NOCOUNT ON en la sesión?). La importación se "
                                    "detiene aquí."));
    }
    alResultado_({p.indice, filas > 0 ? ResultadoFila::Agregada : ResultadoFila::YaGuardada, {}});
    return true;
}

bool EscrituraFilaPorFila::repetirFilaPorFila(const std::vector<Pendiente>& filas) {
    for (const Pendiente& p : filas) {
        if (!unaFila(p)) return false;
    }
    return true;
}

QString EscrituraFilaPorFila::descripcionFalla() const {
    return c_.Errors().Count() > 0 ? c_.Errors().Item(0).descripcion : QStringLiteral("La sentencia falló.");
}

bool EscrituraFilaPorFila::fallo(int64_t indice, const QString& descripcion) {
    alResultado_({indice, ResultadoFila::Fallo, descripcion});
    return false;
}
