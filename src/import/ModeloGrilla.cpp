#include "import/ModeloGrilla.h"

#include "platform/ErrorEjecucion.h"

ModeloGrilla::ModeloGrilla(int filas, int columnas, QObject* padre)
    : QObject(padre), filas_(0), columnas_(0) {
    setCols(columnas);
    setRows(filas);
}

void ModeloGrilla::exigir(int fila, int columna) const {
    if (fila < 0 || fila >= filas_ || columna < 0 || columna >= columnas_) {
        throw ErrorEjecucion(
            381, QStringLiteral("La grilla no tiene la celda (%1, %2): tiene %3 filas y %4 columnas.")
                     .arg(fila)
                     .arg(columna)
                     .arg(filas_)
                     .arg(columnas_));
    }
}

void ModeloGrilla::setRows(int filas) {
    if (fuente_) {  // las filas de la fuente dejan de estar; la vacía del final queda
        fuente_ = nullptr;
        celdas_.resize(std::min<std::size_t>(celdas_.size(), 1));
        celdas_.emplace_back(static_cast<std::size_t>(columnas_));
    }
    filas_ = std::max(0, filas);
    celdas_.resize(static_cast<std::size_t>(filas_),
                   std::vector<QString>(static_cast<std::size_t>(columnas_)));
    marcadas_.resize(static_cast<std::size_t>(filas_), 0);
    Q_EMIT cambio();
}

void ModeloGrilla::setCols(int columnas) {
    columnas_ = std::max(0, columnas);
    for (auto& fila : celdas_) fila.resize(static_cast<std::size_t>(columnas_));
    anchos_.resize(static_cast<std::size_t>(columnas_), -1);
    Q_EMIT cambio();
}

QString ModeloGrilla::TextMatrix(int fila, int columna) const {
    exigir(fila, columna);
    if (fuente_ && fila > 0) {
        if (fila <= filasFuente_) return fuente_(fila - 1, columna);
        fila -= filasFuente_;
    }
    const auto& f = celdas_[static_cast<std::size_t>(fila)];
    return static_cast<std::size_t>(columna) < f.size() ? f[static_cast<std::size_t>(columna)] : QString();
}

void ModeloGrilla::setTextMatrix(int fila, int columna, const QString& texto) {
    exigir(fila, columna);
    if (fuente_ && fila > 0) {
        if (fila <= filasFuente_) return;  // las filas de la fuente no se escriben
        fila -= filasFuente_;
    }
    auto& f = celdas_[static_cast<std::size_t>(fila)];
    if (f.size() < static_cast<std::size_t>(columnas_)) f.resize(static_cast<std::size_t>(columnas_));
    f[static_cast<std::size_t>(columna)] = texto;
    Q_EMIT cambio();
}

int ModeloGrilla::buscar(int columna, const QString& texto, int desde) const {
    for (int f = desde; f < filas_; ++f) {
        if (TextMatrix(f, columna) == texto) return f;
    }
    return -1;
}

void ModeloGrilla::Clear() {
    if (fuente_) setRows(filas_ - filasFuente_);
    for (auto& fila : celdas_) {
        fila.assign(static_cast<std::size_t>(columnas_), QString());
    }
    marcadas_.assign(marcadas_.size(), 0);
    ++vaciados_;
    Q_EMIT cambio();
}

void ModeloGrilla::setMarcada(int fila, bool marcada) {
    exigir(fila, 0);
    // Las filas de una fuente no están en celdas_: la marca se guarda igual.
    if (static_cast<std::size_t>(fila) >= marcadas_.size())
        marcadas_.resize(static_cast<std::size_t>(fila) + 1, 0);
    marcadas_[static_cast<std::size_t>(fila)] = marcada ? 1 : 0;
    Q_EMIT cambio();
}

int ModeloGrilla::ColWidth(int columna) const {
    exigir(0, columna);
    return anchos_[static_cast<std::size_t>(columna)];
}

void ModeloGrilla::setColWidth(int columna, int twips) {
    if (columna < 0 || columna >= columnas_) {
        throw ErrorEjecucion(381, QStringLiteral("La grilla no tiene la columna %1: tiene %2 columnas.")
                                      .arg(columna)
                                      .arg(columnas_));
    }
    anchos_[static_cast<std::size_t>(columna)] = twips;
    Q_EMIT cambio();
}

void ModeloGrilla::setFuente(int cantidad, Celda celda) {
    setRows(2);
    fuente_ = std::move(celda);
    filasFuente_ = std::max(0, cantidad);
    filas_ = 2 + filasFuente_;
    Q_EMIT cambio();
}
