#include "ado/Recordset.h"

#include "ado/Conexion.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kAdo = QStringLiteral("ADO");
const QVariant kNulo;  // lo que da un campo que la fila no trae
}  // namespace

Recordset::Recordset(std::unique_ptr<FuenteFilas> fuente, Conexion* duena)
    : fuente_(std::move(fuente)), duena_(duena) {
    leer();  // antes de ligarse: si la primera fila falla, la conexión no queda con un puntero suelto
    if (duena_) duena_->ligar(this);
}

Recordset::~Recordset() {
    if (duena_) duena_->desligar(this);
}

void Recordset::exigirAbierto() const {
    if (!fuente_) {
        throw ErrorEjecucion(Errores::ObjetoCerrado,
                             QStringLiteral("No se permite la operación: el conjunto de filas está cerrado."),
                             kAdo);
    }
}

void Recordset::leer() {
    eof_ = !fuente_->siguiente(fila_);
    if (eof_) fila_.clear();
}

bool Recordset::EOF_() const {
    exigirAbierto();
    return eof_;
}

void Recordset::MoveNext() {
    exigirAbierto();
    if (eof_) {
        throw ErrorEjecucion(3021, QStringLiteral("No hay fila actual: se llegó al final de las filas."),
                             kAdo);
    }
    leer();
}

int Recordset::FieldCount() const {
    exigirAbierto();
    return fuente_->columnas();
}

QString Recordset::FieldName(int i) const {
    exigirAbierto();
    if (i < 0 || i >= fuente_->columnas()) {
        throw ErrorEjecucion(3265,
                             QStringLiteral("El origen no tiene el campo %1: tiene %2 campo(s).")
                                 .arg(i + 1)
                                 .arg(fuente_->columnas()),
                             kAdo);
    }
    return fuente_->nombreColumna(i);
}

int Recordset::indiceCampo(const QString& nombre) const {
    exigirAbierto();
    for (int i = 0; i < fuente_->columnas(); ++i) {
        if (fuente_->nombreColumna(i).compare(nombre, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

const QVariant& Recordset::Field(int i) const {
    exigirAbierto();
    if (i < 0 || i >= fuente_->columnas()) {
        throw ErrorEjecucion(
            3265,
            QStringLiteral("El origen no tiene el campo %1: tiene %2 campo(s); hacen falta al menos %1.")
                .arg(i + 1)
                .arg(fuente_->columnas()),
            kAdo);
    }
    if (agregando_) {
        for (const auto& [n, v] : cambios_) {
            if (n.compare(fuente_->nombreColumna(i), Qt::CaseInsensitive) == 0) return v;
        }
        return kNulo;
    }
    if (eof_)
        throw ErrorEjecucion(3021, QStringLiteral("No hay fila actual: se llegó al final de las filas."),
                             kAdo);
    return static_cast<std::size_t>(i) < fila_.size() ? fila_[static_cast<std::size_t>(i)] : kNulo;
}

const QVariant& Recordset::Field(const QString& nombre) const {
    const int i = indiceCampo(nombre);
    if (i < 0) {
        throw ErrorEjecucion(
            3265, QStringLiteral("No existe el campo \"%1\" en el conjunto de filas.").arg(nombre), kAdo);
    }
    return Field(i);
}

std::optional<qint64> Recordset::total() const {
    exigirAbierto();
    return fuente_->total();
}

void Recordset::AddNew() {
    exigirAbierto();
    if (!fuente_->actualizable()) fuente_->guardar({}, true);  // lanza: sólo lectura
    agregando_ = true;
    cambios_.clear();
}

void Recordset::SetField(const QString& nombre, const QVariant& valor) {
    exigirAbierto();
    if (indiceCampo(nombre) < 0) {
        throw ErrorEjecucion(
            3265, QStringLiteral("No existe el campo \"%1\" en el conjunto de filas.").arg(nombre), kAdo);
    }
    if (!agregando_ && eof_) {
        throw ErrorEjecucion(3021, QStringLiteral("No hay fila actual para cambiar."), kAdo);
    }
    for (auto& [n, v] : cambios_) {
        if (n.compare(nombre, Qt::CaseInsensitive) == 0) {
            v = valor;
            return;
        }
    }
    cambios_.emplace_back(nombre, valor);
}

void Recordset::Update() {
    exigirAbierto();
    if (!agregando_ && cambios_.empty()) return;
    fuente_->guardar(cambios_, agregando_);
    if (!agregando_) {
        for (const auto& [n, v] : cambios_) {
            const int i = indiceCampo(n);
            if (i >= 0 && static_cast<std::size_t>(i) < fila_.size()) fila_[static_cast<std::size_t>(i)] = v;
        }
    }
    agregando_ = false;
    cambios_.clear();
}

void Recordset::cerrarPorConexion() {
    fuente_.reset();
    fila_.clear();
    eof_ = true;
    duena_ = nullptr;
}

void Recordset::Close() {
    exigirAbierto();
    fuente_.reset();
    fila_.clear();
    eof_ = true;
    if (duena_) {
        duena_->desligar(this);
        duena_ = nullptr;
    }
}

Recordset& RecordsetPtr::exigir() const {
    if (!rs_) {
        throw ErrorEjecucion(
            Errores::VariableNoEstablecida,
            QStringLiteral(
                "No hay un conjunto de filas abierto en la variable (variable de objeto no establecida)."),
            kAdo);
    }
    return *rs_;
}
