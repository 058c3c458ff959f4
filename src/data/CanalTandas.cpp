#include "data/CanalTandas.h"

#include <utility>

void CanalTandas::abrir() {
    // El hilo está quieto: lo suyo también se puede dejar listo desde aquí.
    std::lock_guard l(m_);
    puesta_ = nullptr;
    hayHecha_ = false;
    cerrado_ = false;
    terminado_ = false;
    valores_ = nullptr;
    filas_ = dadas_ = 0;
    resultados_.clear();
    enTanda_ = false;
}

void CanalTandas::poner(const std::vector<SentenciaPreparada::ValorListo>* valores, std::size_t filas) {
    {
        std::lock_guard l(m_);
        puesta_ = valores;
        filasPuesta_ = filas;
        hayHecha_ = false;
    }
    cv_.notify_all();
}

std::vector<char> CanalTandas::esperar() {
    std::unique_lock l(m_);
    cv_.wait(l, [this] { return hayHecha_ || terminado_; });
    puesta_ = nullptr;
    if (!hayHecha_) return {};  // el hilo terminó antes de tomarla
    hayHecha_ = false;
    return std::exchange(hecha_, {});
}

void CanalTandas::cerrar() {
    {
        std::lock_guard l(m_);
        cerrado_ = true;
    }
    cv_.notify_all();
}

const SentenciaPreparada::ValorListo* CanalTandas::siguiente() {
    if (enTanda_ && dadas_ < filas_) return valores_ + dadas_++ * columnas_;
    std::unique_lock l(m_);
    cv_.wait(l, [this] { return (puesta_ && filasPuesta_ > 0) || cerrado_; });
    if (!puesta_ || filasPuesta_ == 0) return nullptr;
    valores_ = puesta_->data();
    filas_ = filasPuesta_;
    puesta_ = nullptr;
    dadas_ = 0;
    resultados_.clear();
    resultados_.reserve(filas_);
    enTanda_ = true;
    return valores_ + dadas_++ * columnas_;
}

void CanalTandas::insertada(bool si) {
    resultados_.push_back(si ? 1 : 0);
    if (resultados_.size() < filas_) return;
    {
        std::lock_guard l(m_);
        hecha_ = std::exchange(resultados_, {});
        hayHecha_ = true;
        enTanda_ = false;
    }
    cv_.notify_all();
}

void CanalTandas::terminar() {
    {
        std::lock_guard l(m_);
        if (enTanda_) {
            hecha_ = std::exchange(resultados_, {});
            hayHecha_ = true;
            enTanda_ = false;
        } else if (puesta_) {
            hecha_.clear();  // ni la tomó: ninguna fila tiene resultado
            hayHecha_ = true;
            puesta_ = nullptr;
        }
        terminado_ = true;
    }
    cv_.notify_all();
}
