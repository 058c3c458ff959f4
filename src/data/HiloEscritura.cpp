#include "data/HiloEscritura.h"

#include <utility>

HiloEscritura::HiloEscritura() : hilo_([this] { correr(); }) {}

HiloEscritura::~HiloEscritura() {
    {
        std::unique_lock l(m_);
        cv_.wait(l, [this] { return !enCurso_; });
        fin_ = true;
    }
    cv_.notify_all();
    hilo_.join();
}

void HiloEscritura::encargar(std::function<void()> trabajo) {
    {
        std::lock_guard l(m_);
        trabajo_ = std::move(trabajo);
        enCurso_ = true;
    }
    cv_.notify_all();
}

void HiloEscritura::esperar() {
    std::exception_ptr falla;
    {
        std::unique_lock l(m_);
        cv_.wait(l, [this] { return !enCurso_; });
        falla = std::exchange(falla_, nullptr);
    }
    if (falla) std::rethrow_exception(falla);
}

bool HiloEscritura::ocupado() const {
    std::lock_guard l(m_);
    return enCurso_;
}

void HiloEscritura::correr() {
    for (;;) {
        std::function<void()> trabajo;
        {
            std::unique_lock l(m_);
            cv_.wait(l, [this] { return fin_ || (enCurso_ && trabajo_); });
            if (fin_) return;
            trabajo = std::move(trabajo_);
            trabajo_ = nullptr;
        }
        std::exception_ptr falla;
        try {
            trabajo();
        } catch (...) {
            falla = std::current_exception();
        }
        {
            std::lock_guard l(m_);
            falla_ = falla;
            enCurso_ = false;
        }
        cv_.notify_all();
    }
}
