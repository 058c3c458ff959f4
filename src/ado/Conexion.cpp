#include "ado/Conexion.h"

#include "ado/FuenteLista.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kAdo = QStringLiteral("ADO");
}

Conexion::Conexion() = default;

Conexion::~Conexion() {
    if (abierta()) Close();
}

void Conexion::exigirAbierta() const {
    if (!proveedor_) {
        throw ErrorEjecucion(Errores::ConexionCerrada,
                             QStringLiteral("No se permite la operación: la conexión está cerrada."), kAdo);
    }
}

void Conexion::Open(const QString& texto, const QString&, const QString&, int) {
    if (proveedor_) {
        throw ErrorEjecucion(Errores::ObjetoAbierto,
                             QStringLiteral("No se permite la operación: la conexión ya está abierta."), kAdo);
    }
    errores_.Clear();
    const TextoConexion conexion(texto);
    auto proveedor = CrearProveedor(conexion);
    if (!proveedor) {
        const QString d = QStringLiteral("No se encontró un proveedor de datos para la conexión \"%1\".").arg(texto);
        errores_.agregar({d, 3706, kAdo, {}});
        throw ErrorEjecucion(3706, d, kAdo);
    }
    try {
        proveedor->fijarTiempoEspera(tiempoEspera_);
        proveedor->abrir(conexion);
    } catch (const ErrorEjecucion& e) {
        const int32_t nativo = e.numero() != 0 ? e.numero() : Errores::ProveedorFallo;
        errores_.agregar({e.descripcion(), nativo, e.origen().isEmpty() ? proveedor->nombre() : e.origen(), {}});
        proveedor->cerrar();
        throw ErrorEjecucion(Errores::ProveedorFallo, e.descripcion(),
                             e.origen().isEmpty() ? proveedor->nombre() : e.origen());
    }
    proveedor_ = std::move(proveedor);
    texto_ = texto;
}

void Conexion::Close() {
    if (!proveedor_) {
        throw ErrorEjecucion(Errores::ObjetoCerrado,
                             QStringLiteral("No se permite la operación: la conexión está cerrada."), kAdo);
    }
    const auto abiertos = recordsets_;
    for (Recordset* rs : abiertos) rs->cerrarPorConexion();
    recordsets_.clear();
    proveedor_->cerrar();
    proveedor_.reset();
}

void Conexion::Execute(const QString& sql) {
    exigirAbierta();
    errores_.Clear();
    proveedor_->ejecutar(sql, errores_);
}

RecordsetPtr Conexion::abrirRecordset(const QString& sql, int cursor, int bloqueo) {
    exigirAbierta();
    errores_.Clear();
    const bool actualizable = cursor >= 1 && bloqueo >= 2;
    try {
        return std::make_unique<Recordset>(proveedor_->consultar(sql, actualizable), this);
    } catch (const ErrorEjecucion& e) {
        // La lista recibe cada registro del motor cuando dio varios; si no, la falla lanzada.
        auto registros = proveedor_->tomarDiagnosticos();
        if (registros.empty()) {
            errores_.agregar({e.descripcion(), e.numero() != 0 ? e.numero() : Errores::ProveedorFallo,
                              e.origen().isEmpty() ? proveedor_->nombre() : e.origen(), {}});
        }
        for (auto& r : registros) errores_.agregar(std::move(r));
        throw;
    }
}

std::unique_ptr<SentenciaPreparada> Conexion::preparar(const QString& sql) {
    exigirAbierta();
    return proveedor_->preparar(sql);
}

int64_t Conexion::ejecutar(SentenciaPreparada& sentencia, const std::vector<QVariant>& valores) {
    exigirAbierta();
    errores_.Clear();
    return sentencia.ejecutar(valores, errores_);
}

RecordsetPtr Conexion::OpenSchemaTablas() {
    exigirAbierta();
    errores_.Clear();
    std::vector<std::vector<QVariant>> filas;
    for (const QString& t : proveedor_->tablas()) filas.push_back({QVariant(t)});
    return std::make_unique<Recordset>(std::make_unique<FuenteLista>(QStringList{QStringLiteral("TABLE_NAME")}, std::move(filas)),
                                       this);
}

void Conexion::BeginTrans() {
    exigirAbierta();
    proveedor_->empezarTransaccion();
}
void Conexion::CommitTrans() {
    exigirAbierta();
    proveedor_->confirmarTransaccion();
}
void Conexion::RollbackTrans() {
    exigirAbierta();
    proveedor_->deshacerTransaccion();
}

void Conexion::setCommandTimeout(int segundos) {
    tiempoEspera_ = segundos;
    if (proveedor_) proveedor_->fijarTiempoEspera(segundos);
}

void Conexion::setIsolationLevel(int nivel) {
    aislamiento_ = nivel;
    if (proveedor_) proveedor_->fijarAislamiento(nivel);
}

void Conexion::setDefaultDatabase(const QString& base) {
    exigirAbierta();
    baseDefecto_ = base;
}
