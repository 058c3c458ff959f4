#include "import/GrupoTransmision.h"

#include "ado/Valores.h"
#include "data/Dll_Datos.h"
#include "data/EscrituraGarantias.h"
#include "platform/Conversiones.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "suite/FechaServidor.h"

namespace {
// Una transacción por fila hace la importación diez veces más lenta. Un grupo dura a lo sumo
// esto, para que otra estación no espere el bloqueo.
constexpr qint64 kMsPorGrupo = 1000;
constexpr int kFilasPorGrupo = 200000;
// Donde cada sentencia se confirma sola, el diario se pone al día antes de la sentencia que sigue
// a un lote (o a esta cantidad de filas de a una), o si pasó un grupo de tiempo desde la última vez.
constexpr int kFilasPorDiario = 500;
}  // namespace

GrupoTransmision::GrupoTransmision(Dll_Datos& datos, QString usuario)
    : datos_(datos),
      usuario_(std::move(usuario)),
      porSentencia_(datos.conexion().motor() != MotorBase::Embebida) {
    // Lo que quedó lo dice quien corre la importación, después de este aviso.
    aviso_ = Proceso::AlTerminar([this] {
        if (!transaccion_ && guardada_ == 0) return;
        try {
            confirmar();
        } catch (...) {
        }
    });
}

GrupoTransmision::~GrupoTransmision() {
    Proceso::QuitarAvisoAlTerminar(aviso_);
    try {
        confirmar();
    } catch (...) {
    }
}

int32_t GrupoTransmision::asegurar() {
    if (porSentencia_) {
        if (guardada_ != 0) {
            ponerDiarioAlDia();
            return guardada_;
        }
        // Sin filas agregadas todavía, el número no se retiene más que un grupo: otra estación
        // espera ese bloqueo para numerar. Se suelta entre dos sentencias y se vuelve a tomar.
        if (transaccion_ && agregadasGrupo_ == 0 && reloj_.elapsed() >= kMsPorGrupo) confirmar();
    }
    if (!transaccion_) {
        transaccion_.emplace(datos_.conexion());
        filasGrupo_ = 0;
        agregadasGrupo_ = 0;
        reloj_.start();
    }
    if (guardada_ == 0 && !conNumero_) tomarNumero();
    return numero_;
}

void GrupoTransmision::tomarNumero() {
    // Dentro del grupo, con el bloqueo de escritura: dos estaciones nunca toman el mismo número.
    // La fecha y la hora salen de una sola lectura del reloj del servidor.
    Conexion& c = datos_.conexion();
    try {
        RecordsetPtr rs;
        datos_.AbrirRecordset(
            QStringLiteral(
                "SELECT MAX(TRANSMISION) as transmision FROM MV_TRANSMISIONES WITH (UPDLOCK, HOLDLOCK)"),
            rs, nullptr, 0, 1, -1, true);
        numero_ = rs->EOF_()
                      ? 1
                      : Conversiones::CLng(
                            Conversiones::Val(TextoValor(rs->Field(QStringLiteral("transmision")))) + 1);
        datos_.CerrarRecordset(rs);
        const QDateTime ahora = FechaServidor();
        datos_.EjecutarSQL(
            QStringLiteral(
                "INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha, Hora, Responsable_envio, Anulado)") +
            QStringLiteral(" VALUES ('S',") + QString::number(numero_) + QStringLiteral(",'") +
            Regional::Formato(ahora, QStringLiteral("DD/MM/YYYY")) + QStringLiteral("','") +
            Regional::Formato(ahora, QStringLiteral("HH:MM")) + QStringLiteral("',") +
            datos_.FormatearValor(usuario_, QStringLiteral("'")) + QStringLiteral(",0)"));
    } catch (...) {
        transaccion_.reset();  // se deshace; la falla que llegó sigue su camino
        throw;
    }
    if (c.Errors().Count() > 0) {
        // La sentencia dejó su falla en la lista de errores; sin el registro no hay transmisión.
        const RegistroRechazado rechazo(c.Errors().Item(0).descripcion);
        deshacer();
        throw rechazo;
    }
    conNumero_ = true;
}

void GrupoTransmision::contar(bool agregada, bool puedeConfirmar) {
    if (porSentencia_) {
        if (!transaccion_) {
            if (agregada) ++filasGuardadas_;  // su sentencia ya se confirmó sola
            if (guardada_ != 0) ++filasSinDiario_;
            return;
        }
        if (agregada) {
            ++agregadasGrupo_;
            confirmar();
        }
        return;
    }
    ++filasGrupo_;
    if (agregada) ++agregadasGrupo_;
    if (puedeConfirmar && largo()) confirmar();
}

bool GrupoTransmision::largo() const {
    return transaccion_ && !porSentencia_ &&
           (filasGrupo_ >= kFilasPorGrupo || reloj_.elapsed() >= kMsPorGrupo);
}

void GrupoTransmision::confirmar() { cerrar(false); }

void GrupoTransmision::confirmarSentencia() {
    if (porSentencia_) cerrar(true);
}

void GrupoTransmision::cerrar(bool conFilasContadasDespues) {
    if (!transaccion_) return;
    if (antesDeConfirmar_) antesDeConfirmar_();
    if (!transaccion_) return;
    const bool conFilas = conFilasContadasDespues || guardada_ != 0 || agregadasGrupo_ > 0;
    const bool tomado = conNumero_;
    conNumero_ = false;
    if (!conFilas) {
        // Nada que guardar: ni el registro ni el número.
        deshacer();
        return;
    }
    try {
        transaccion_->confirmar();
    } catch (...) {
        if (tomado) sinConfirmar_ = numero_;
        agregadasGrupo_ = 0;
        // Con el enlace cortado no hay nada que deshacer aquí (ni se reconecta para eso): la
        // próxima operación vuelve a conectar.
        if (!datos_.conexion().proveedor()) transaccion_->darPorDeshecha();
        transaccion_.reset();
        throw;
    }
    transaccion_.reset();
    if (tomado) guardada_ = numero_;
    filasGuardadas_ += agregadasGrupo_;
    agregadasGrupo_ = 0;
    if (despuesDeConfirmar_) despuesDeConfirmar_();
    relojDiario_.start();
    // Las filas de la sentencia que confirmó el grupo se cuentan después: el diario las recibe
    // antes de la sentencia siguiente.
    if (conFilasContadasDespues) filasSinDiario_ = kFilasPorDiario;
}

void GrupoTransmision::ponerDiarioAlDia() {
    if (filasSinDiario_ == 0 || !despuesDeConfirmar_) return;
    if (filasSinDiario_ < kFilasPorDiario && relojDiario_.isValid() && relojDiario_.elapsed() < kMsPorGrupo)
        return;
    filasSinDiario_ = 0;
    relojDiario_.start();
    despuesDeConfirmar_();
}

void GrupoTransmision::deshacer() {
    try {
        transaccion_->deshacer();
    } catch (...) {
        transaccion_.reset();
        throw;
    }
    transaccion_.reset();
}

void GrupoTransmision::deshecho() {
    if (!transaccion_) return;
    conNumero_ = false;
    filasGrupo_ = 0;
    agregadasGrupo_ = 0;
    // Si la conexión ya no la tiene abierta (la sentencia que falló la deshizo), no se deshace
    // otra vez; si la tiene, se deshace aquí, sin lanzar.
    if (!datos_.conexion().enTransaccion()) transaccion_->darPorDeshecha();
    transaccion_.reset();
}

QString GrupoTransmision::textoGuardado() const {
    if (guardada_ == 0 && sinConfirmar_ != 0)
        return QStringLiteral(
                   "No se pudo confirmar la transmisión %1: ninguna fila quedó confirmada (revise si la "
                   "transmisión %1 existe antes de importar otra vez).")
            .arg(sinConfirmar_);
    if (guardada_ == 0) return QStringLiteral("No quedó ninguna transmisión: no se agregó ninguna fila.");
    return QStringLiteral("Quedó la transmisión %1 con %2 filas.").arg(guardada_).arg(filasGuardadas_);
}
