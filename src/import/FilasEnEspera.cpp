#include "import/FilasEnEspera.h"

void FilasEnEspera::agregar(qint64 fila, const Recordset& rs) {
    QStringList campos;
    if (!libres_.empty()) {
        campos = std::move(libres_.back());
        libres_.pop_back();
    }
    CamposDeFila(rs, campos);
    filas_.push_back({fila, std::move(campos)});
}

void FilasEnEspera::reciclar(QStringList& campos) {
    campos.clear();  // suelta los textos, conserva el lugar
    libres_.push_back(std::move(campos));
}

std::optional<Rechazo> FilasEnEspera::sacar(qint64 fila, bool comoRechazo) {
    auto it = filas_.begin();
    while (it != filas_.end() && it->fila != fila) ++it;
    if (it == filas_.end()) return std::nullopt;
    std::optional<Rechazo> rechazo;
    if (comoRechazo) {
        rechazo.emplace();
        rechazo->fila = fila;
        rechazo->campos = std::move(it->campos);
        rechazo->motivo = MotivoRechazo::SerieGuardada;
    } else {
        reciclar(it->campos);
    }
    if (it == filas_.begin())
        filas_.pop_front();
    else
        filas_.erase(it);
    return rechazo;
}

Rechazo FilasEnEspera::sacarPrimera() { return *sacar(primera(), true); }
