#include "ado/Conexion.h"

#include <utility>

#include "ado/FuenteLista.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kAdo = QStringLiteral("ADO");
}

// Una sentencia preparada que sigue a su conexión: si el enlace se perdió y la conexión se volvió a
// abrir, la corrida siguiente la prepara de nuevo sobre el enlace nuevo (el perdido se la llevó).
class Conexion::SentenciaDeConexion : public SentenciaPreparada {
  public:
    SentenciaDeConexion(QString sql, std::unique_ptr<SentenciaPreparada> interna, uint64_t apertura)
        : sql_(std::move(sql)), interna_(std::move(interna)), apertura_(apertura) {}

    // Antes de correrla por la conexión abierta en la apertura dada.
    void seguir(Proveedor& proveedor, uint64_t apertura) {
        if (apertura == apertura_) return;
        interna_ = proveedor.preparar(sql_);
        apertura_ = apertura;
    }

    int64_t ejecutar(const std::vector<QVariant>& valores, ListaErrores& errores) override {
        return interna_->ejecutar(valores, errores);
    }
    int64_t ejecutarListos(const std::vector<ValorListo>& valores, ListaErrores& errores) override {
        return interna_->ejecutarListos(valores, errores);
    }
    std::vector<QVariant> resultado() const override { return interna_->resultado(); }
    bool sinCuenta() const override { return interna_->sinCuenta(); }

  private:
    QString sql_;
    std::unique_ptr<SentenciaPreparada> interna_;
    uint64_t apertura_;
};

Conexion::Conexion() = default;

Conexion::~Conexion() {
    if (abierta()) Close();
}

void Conexion::esperarOtroHilo() {
    if (!liberar_) return;
    const auto liberar = std::exchange(liberar_, nullptr);
    liberar();
}

void Conexion::atenderPerdida() {
    if (!proveedor_ || !proveedor_->conexionPerdida()) return;
    const auto abiertos = recordsets_;
    for (Recordset* rs : abiertos) rs->cerrarPorConexion();
    recordsets_.clear();
    proveedor_->cerrar();
    proveedor_.reset();
    reconectar_ = true;
    if (enTransaccion_) transaccionPerdida_ = true;
    enTransaccion_ = false;
}

void Conexion::exigirAbierta() {
    esperarOtroHilo();
    atenderPerdida();
    if (!proveedor_ && reconectar_) {
        if (transaccionPerdida_) {
            throw ErrorEjecucion(
                Errores::ConexionCerrada,
                QStringLiteral("Se perdió la conexión con el servidor en medio de una transacción: el "
                               "servidor deshizo lo que ella tenía. Termine la operación y vuelva a "
                               "intentarla."),
                kAdo);
        }
        reconectar_ = false;
        Open(texto_);
    }
    if (!proveedor_) {
        throw ErrorEjecucion(Errores::ConexionCerrada,
                             QStringLiteral("No se permite la operación: la conexión está cerrada."), kAdo);
    }
}

void Conexion::Open(const QString& texto, const QString&, const QString&, int) {
    if (proveedor_) {
        throw ErrorEjecucion(Errores::ObjetoAbierto,
                             QStringLiteral("No se permite la operación: la conexión ya está abierta."),
                             kAdo);
    }
    errores_.Clear();
    const TextoConexion conexion(texto);
    auto proveedor = CrearProveedor(conexion);
    if (!proveedor) {
        const QString d =
            QStringLiteral("No se encontró un proveedor de datos para la conexión \"%1\".").arg(texto);
        errores_.agregar({d, 3706, kAdo, {}});
        throw ErrorEjecucion(3706, d, kAdo);
    }
    try {
        proveedor->fijarTiempoEspera(tiempoEspera_);
        proveedor->abrir(conexion);
    } catch (const ErrorEjecucion& e) {
        const int32_t nativo = e.numero() != 0 ? e.numero() : Errores::ProveedorFallo;
        errores_.agregar(
            {e.descripcion(), nativo, e.origen().isEmpty() ? proveedor->nombre() : e.origen(), {}});
        proveedor->cerrar();
        throw ErrorEjecucion(Errores::ProveedorFallo, e.descripcion(),
                             e.origen().isEmpty() ? proveedor->nombre() : e.origen());
    }
    proveedor_ = std::move(proveedor);
    ++apertura_;
    motor_ = proveedor_->motorBase();
    texto_ = texto;
    reconectar_ = false;
    enTransaccion_ = false;
    // El nivel de aislamiento que el programa fijó vale también para una conexión reabierta.
    if (aislamientoFijado_) proveedor_->fijarAislamiento(aislamiento_);
}

void Conexion::Close() {
    esperarOtroHilo();
    atenderPerdida();
    if (!proveedor_ && reconectar_) {
        // Ya la cerró la pérdida: cerrarla es quedarse así, sin reconectar.
        reconectar_ = false;
        transaccionPerdida_ = false;
        return;
    }
    if (!proveedor_) {
        throw ErrorEjecucion(Errores::ObjetoCerrado,
                             QStringLiteral("No se permite la operación: la conexión está cerrada."), kAdo);
    }
    const auto abiertos = recordsets_;
    for (Recordset* rs : abiertos) rs->cerrarPorConexion();
    recordsets_.clear();
    proveedor_->cerrar();
    proveedor_.reset();
    enTransaccion_ = false;
}

void Conexion::Execute(const QString& sql) {
    exigirAbierta();
    errores_.Clear();
    proveedor_->ejecutar(sql, errores_);
    atenderPerdida();
}

void Conexion::examinarTabla(const QString& tabla) {
    exigirAbierta();
    errores_.Clear();
    proveedor_->examinarTabla(tabla);
}

RecordsetPtr Conexion::abrirRecordset(const QString& sql, int cursor, int bloqueo) {
    const bool actualizable = cursor >= 1 && bloqueo >= 2;
    return abrir([&] { return proveedor_->consultar(sql, actualizable); });
}

RecordsetPtr Conexion::abrirTabla(const QString& tabla) {
    return abrir([&] { return proveedor_->leerTabla(tabla); });
}

RecordsetPtr Conexion::abrir(const std::function<std::unique_ptr<FuenteFilas>()>& fuente) {
    exigirAbierta();
    errores_.Clear();
    try {
        return std::make_unique<Recordset>(fuente(), this);
    } catch (const ErrorEjecucion& e) {
        // La lista recibe cada registro del motor cuando dio varios; si no, la falla lanzada.
        auto registros = proveedor_->tomarDiagnosticos();
        if (registros.empty()) {
            errores_.agregar({e.descripcion(),
                              e.numero() != 0 ? e.numero() : Errores::ProveedorFallo,
                              e.origen().isEmpty() ? proveedor_->nombre() : e.origen(),
                              {}});
        }
        for (auto& r : registros) errores_.agregar(std::move(r));
        atenderPerdida();
        throw;
    }
}

std::unique_ptr<SentenciaPreparada> Conexion::preparar(const QString& sql) {
    exigirAbierta();
    return std::make_unique<SentenciaDeConexion>(sql, proveedor_->preparar(sql), apertura_);
}

std::unique_ptr<SentenciaFlujo> Conexion::prepararFlujo(const QString& sql, int columnas) {
    exigirAbierta();
    return proveedor_->prepararFlujo(sql, columnas);
}

int64_t Conexion::ejecutar(SentenciaPreparada& sentencia, const std::vector<QVariant>& valores) {
    exigirAbierta();
    errores_.Clear();
    if (auto* propia = dynamic_cast<SentenciaDeConexion*>(&sentencia)) propia->seguir(*proveedor_, apertura_);
    const int64_t filas = sentencia.ejecutar(valores, errores_);
    atenderPerdida();
    return filas;
}

RecordsetPtr Conexion::OpenSchemaTablas() {
    exigirAbierta();
    errores_.Clear();
    std::vector<std::vector<QVariant>> filas;
    for (const QString& t : proveedor_->tablas()) filas.push_back({QVariant(t)});
    return std::make_unique<Recordset>(
        std::make_unique<FuenteLista>(QStringList{QStringLiteral("TABLE_NAME")}, std::move(filas)), this);
}

void Conexion::BeginTrans() {
    exigirAbierta();
    try {
        proveedor_->empezarTransaccion();
    } catch (const ErrorEjecucion&) {
        atenderPerdida();
        throw;
    }
    enTransaccion_ = true;
}

void Conexion::CommitTrans() {
    if (transaccionPerdida_) {
        transaccionPerdida_ = false;
        throw ErrorEjecucion(
            Errores::ConexionCerrada,
            QStringLiteral("No se pudo confirmar: se perdió la conexión con el servidor y él deshizo "
                           "la transacción, así que lo hecho en ella no quedó guardado."),
            kAdo);
    }
    exigirAbierta();
    enTransaccion_ = false;
    try {
        proveedor_->confirmarTransaccion();
    } catch (const ErrorEjecucion&) {
        atenderPerdida();
        throw;
    }
}

void Conexion::RollbackTrans() {
    if (transaccionPerdida_) {
        // El servidor la deshizo al perderse la conexión.
        transaccionPerdida_ = false;
        return;
    }
    exigirAbierta();
    enTransaccion_ = false;
    try {
        proveedor_->deshacerTransaccion();
    } catch (const ErrorEjecucion&) {
        atenderPerdida();
        throw;
    }
}

void Conexion::setCommandTimeout(int segundos) {
    esperarOtroHilo();
    tiempoEspera_ = segundos;
    if (proveedor_) proveedor_->fijarTiempoEspera(segundos);
}

void Conexion::setIsolationLevel(int nivel) {
    aislamiento_ = nivel;
    aislamientoFijado_ = true;
    esperarOtroHilo();
    if (proveedor_) proveedor_->fijarAislamiento(nivel);
}

void Conexion::setDefaultDatabase(const QString& base) {
    exigirAbierta();
    baseDefecto_ = base;
}
