#include "data/EscrituraFilaPorFila.h"

#include <QThread>

#include "ado/Errores.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Frases.h"

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

void EscrituraFilaPorFila::agregar(int64_t indice, FilaGarantia fila) {
    if (!detenida_) unaFila({indice, std::move(fila)});
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
    int64_t filas = -1;
    bool enGrupo = false;
    for (int repetidos = 0;; ++repetidos) {
        int32_t numero = 0;
        try {
            numero = transmision_.numero();
        } catch (const RegistroRechazado& r) {
            return sinTransmision(p.indice, r);
        }
        // Dentro del grupo que todavía espera su primera fila (el número y el registro abiertos en
        // una transacción del programa).
        enGrupo = c_.enTransaccion();
        std::vector<QVariant> valores{p.fila.modelo, p.fila.serie, numero, p.fila.eca1, p.fila.activacion};
        if (serieAlFinal_) valores.push_back(p.fila.serie);
        filas = correr(*fila_, valores);
        const int32_t nativo = filas < 0 && enGrupo ? errorQueDeshace() : 0;
        if (nativo == 0) break;
        // Un bloqueo mutuo o una transacción condenada en el grupo abierto: el servidor deshizo
        // el número y el registro con la fila. Se repite desde tomar el número.
        olvidarGrupo();
        if (repetidos >= kReintentosBloqueo) {
            return fallo(p.indice,
                         QStringLiteral("El servidor deshizo la fila y el registro de la transmisión "
                                        "%1 veces seguidas %2 (error %3): no se guardaron.")
                             .arg(repetidos + 1)
                             .arg(PorQueSeDeshizo(nativo))
                             .arg(nativo));
        }
        QThread::msleep(static_cast<unsigned long>(50 * (repetidos + 1)));
    }
    if (filas < 0 && enlaceCortado()) return sinConfirmar({&p, 1}, enlacePerdido(1));
    if (filas < 0 && Cortada(c_.Errors())) return perderSentencia(p.indice, 1, enGrupo);
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
    if (filas > 0 && !confirmarGrupo({&p, 1})) return false;
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
    detenida_ = true;
    alResultado_({indice, ResultadoFila::Fallo, ConPunto(descripcion)});
    return false;
}

bool EscrituraFilaPorFila::sinTransmision(int64_t indice, const RegistroRechazado& rechazo) {
    detenida_ = true;
    alResultado_({indice, ResultadoFila::SinTransmision, rechazo.descripcion()});
    return false;
}

bool EscrituraFilaPorFila::Cortada(const ListaErrores& errores) {
    for (int i = 0; i < errores.Count(); ++i) {
        const QString& estado = errores.Item(i).estadoSql;
        if (estado == QLatin1String("HYT00") || estado == QLatin1String("HY008")) return true;
    }
    return false;
}

QString EscrituraFilaPorFila::PorQueSeDeshizo(int32_t nativo) {
    return nativo == FallasMotor::BloqueoMutuo ? QStringLiteral("por un bloqueo mutuo con otra estación")
                                               : QStringLiteral("porque la transacción quedó condenada");
}

bool EscrituraFilaPorFila::DeshaceLaTransaccion(int32_t nativo) {
    return nativo == FallasMotor::BloqueoMutuo || nativo == FallasMotor::TransaccionCondenada;
}

int32_t EscrituraFilaPorFila::errorQueDeshace() const {
    for (int i = 0; i < c_.Errors().Count(); ++i) {
        const ErrorAdo& e = c_.Errors().Item(i);
        if (FallasMotor::EsBloqueoMutuo(e)) return FallasMotor::BloqueoMutuo;
        if (DeshaceLaTransaccion(e.nativo)) return e.nativo;
    }
    return 0;
}

int EscrituraFilaPorFila::transaccionesAbiertas() {
    try {
        auto rs = c_.abrirRecordset(QStringLiteral("SELECT @@TRANCOUNT"));
        const int n = rs->EOF_() ? -1 : rs->Field(0).toInt();
        rs->Close();
        return n;
    } catch (const ErrorEjecucion&) {
        return -1;
    }
}

void EscrituraFilaPorFila::olvidarGrupo() {
    // El servidor ya no tiene la transacción del programa (o se la deshace aquí): el número y el
    // registro de la transmisión se fueron con ella.
    try {
        c_.RollbackTrans();
    } catch (const ErrorEjecucion&) {
    }
    if (transmision_.deshecha) transmision_.deshecha();
}

bool EscrituraFilaPorFila::perderSentencia(int64_t primera, int filas, bool enGrupo) {
    const QString causa = descripcionFalla();
    if (enGrupo) {
        olvidarGrupo();
    } else if (transaccionesAbiertas() != 0) {
        c_.Execute(QStringLiteral("IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION"));
    }
    const bool limpia = transaccionesAbiertas() == 0;
    return fallo(
        primera,
        QStringLiteral("El servidor no terminó %1 (%2). Se deshizo lo que había escrito: %3%4.%5")
            .arg(filas == 1 ? QStringLiteral("la fila") : QStringLiteral("el lote de %1 filas").arg(filas),
                 causa,
                 filas == 1 ? QStringLiteral("esa fila no se guardó")
                            : QStringLiteral("esas filas no se guardaron"),
                 enGrupo ? QStringLiteral(", ni el registro de la transmisión que esperaba la primera")
                         : QString(),
                 limpia ? QString()
                        : QStringLiteral(" No se pudo comprobar que la conexión quedara sin "
                                         "transacciones abiertas; la próxima operación vuelve a "
                                         "conectar.")));
}

bool EscrituraFilaPorFila::enlaceCortado() const {
    for (int i = 0; i < c_.Errors().Count(); ++i)
        if (FallasMotor::EsPerdidaDeConexion(c_.Errors().Item(i))) return true;
    return false;
}

QString EscrituraFilaPorFila::enlacePerdido(int filas) {
    // Con el enlace se fue la transacción del programa: el servidor deshizo el grupo abierto.
    const bool enGrupo = c_.enTransaccion();
    if (enGrupo && transmision_.deshecha) transmision_.deshecha();
    const QString causa = ConPunto(descripcionFalla());
    return enGrupo ? QStringLiteral(
                         "%1 El servidor deshizo el grupo que las esperaba: ni %2 ni el registro de "
                         "la transmisión quedaron.")
                         .arg(causa, filas == 1 ? QStringLiteral("la fila")
                                                : QStringLiteral("sus %1 filas").arg(filas))
                   : QStringLiteral("%1 El servidor no confirmó %2: pudo guardarlas o no.")
                         .arg(causa, filas == 1 ? QStringLiteral("la fila")
                                                : QStringLiteral("las %1 filas").arg(filas));
}

bool EscrituraFilaPorFila::sinConfirmar(std::span<const Pendiente> filas, const QString& descripcion) {
    detenida_ = true;
    const QString d = ConPunto(descripcion);
    for (const Pendiente& p : filas) alResultado_({p.indice, ResultadoFila::SinConfirmar, d});
    return false;
}

bool EscrituraFilaPorFila::confirmarGrupo(std::span<const Pendiente> filas) {
    if (!c_.enTransaccion() || !transmision_.confirmarSentencia) return true;
    try {
        transmision_.confirmarSentencia();
    } catch (const ErrorEjecucion& e) {
        // Un enlace cortado en el COMMIT no dice si el servidor llegó a confirmar; un COMMIT
        // rechazado deja la transacción deshecha (volver a confirmar cada sentencia la deshace).
        return sinConfirmar(
            filas, c_.proveedor() == nullptr
                       ? QStringLiteral("Se cortó el enlace al confirmar el grupo de la transmisión (%1): el "
                                        "servidor pudo guardarlo o no, con su registro y estas filas. La "
                                        "próxima operación vuelve a conectar.")
                             .arg(e.descripcion())
                       : QStringLiteral("El servidor no confirmó el grupo de la transmisión (%1): ni estas "
                                        "filas ni el registro de la transmisión quedaron.")
                             .arg(e.descripcion()));
    }
    return true;
}
