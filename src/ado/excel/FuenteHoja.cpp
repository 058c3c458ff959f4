#include "ado/excel/FuenteHoja.h"

#include "ado/Valores.h"

namespace {
bool Vacio(const QVariant& v) {
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}
}  // namespace

bool FuenteHoja::vacia(const FilaHoja& fila) const {
    const std::size_t n = std::min(fila.celdas.size(), static_cast<std::size_t>(columnas()));
    for (std::size_t i = 0; i < n; ++i) {
        if (!Vacio(fila.celdas[i])) return false;
    }
    return true;
}

void FuenteHoja::leerCabecera() {
    FilaHoja cabecera;
    int ancho = 0;
    while (leerFila(cabecera)) {
        for (std::size_t i = 0; i < cabecera.celdas.size(); ++i) {
            if (!Vacio(cabecera.celdas[i])) ancho = static_cast<int>(i) + 1;
        }
        if (ancho > 0) break;
    }
    if (ancho == 0) {
        nombres_ = {QStringLiteral("F1")};
    } else {
        for (int i = 0; i < ancho; ++i) {
            const QVariant& v = cabecera.celdas[static_cast<std::size_t>(i)];
            nombres_.append(Vacio(v) ? QStringLiteral("F%1").arg(i + 1) : TextoValor(v));
        }
    }
    ultima_ = cabecera.numero;
    if (ancho > 0) filaCabecera_ = cabecera.numero;
    leida_ = true;
}

std::optional<qint64> FuenteHoja::total() const {
    if (!ultimaDeclarada_) return std::nullopt;
    if (filaCabecera_ == 0) return 0;  // sin cabecera no hay filas
    return std::max<qint64>(0, *ultimaDeclarada_ - filaCabecera_);
}

bool FuenteHoja::siguiente(std::vector<QVariant>& fila) {
    const std::size_t n = nombres_.size();
    if (vaciasPorDar_ > 0) {
        --vaciasPorDar_;
        fila.assign(n, QVariant());
        return true;
    }
    if (hayGuardada_) {
        hayGuardada_ = false;
        fila = std::move(guardada_.celdas);
        fila.resize(n);
        return true;
    }
    for (;;) {
        if (!leerFila(actual_)) return false;
        // Los números que el archivo salta son filas vacías; uno que retrocede se toma como el siguiente.
        const qint64 numero = std::max(actual_.numero, ultima_ + 1);
        vaciasSueltas_ += numero - ultima_ - 1;
        ultima_ = numero;
        if (vacia(actual_)) {
            ++vaciasSueltas_;
            continue;
        }
        if (vaciasSueltas_ > 0) {
            vaciasPorDar_ = vaciasSueltas_ - 1;
            vaciasSueltas_ = 0;
            std::swap(guardada_, actual_);
            hayGuardada_ = true;
            fila.assign(n, QVariant());
            return true;
        }
        std::swap(fila, actual_.celdas);  // el vector de quien llama queda para la próxima lectura
        fila.resize(n);
        return true;
    }
}
