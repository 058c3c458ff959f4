#include "ado/excel/HojaXmlEnHilo.h"

#include <utility>

HojaXmlEnHilo::HojaXmlEnHilo(std::function<std::unique_ptr<FlujoBytes>()> abrir, QString libro, QString parte)
    : hoja_(std::move(abrir), std::move(libro), std::move(parte)), hilo_([this] { leer(); }) {}

HojaXmlEnHilo::~HojaXmlEnHilo() {
    {
        std::lock_guard l(m_);
        parar_ = true;
    }
    cv_.notify_all();
    hilo_.join();
}

void HojaXmlEnHilo::leer() {
    for (;;) {
        Tanda t;
        {
            std::lock_guard l(m_);
            if (parar_) return;
            if (!libres_.empty()) {
                t = std::move(libres_.back());
                libres_.pop_back();
            }
        }
        if (t.filas.size() < kFilasPorTanda) t.filas.resize(kFilasPorTanda);
        t.n = 0;
        t.bytes = 0;
        bool fin = false;
        std::exception_ptr falla;
        try {
            while (t.n < kFilasPorTanda && t.bytes < kBytesPorTanda) {
                if (!hoja_.siguiente(t.filas[t.n])) {
                    fin = true;
                    break;
                }
                for (const CeldaXml& c : t.filas[t.n].celdas) t.bytes += c.valor.size();
                ++t.n;
            }
        } catch (...) {
            falla = std::current_exception();
            fin = true;
        }
        {
            std::unique_lock l(m_);
            cv_.wait(l, [this] {
                return parar_ || listas_.empty() ||
                       (listas_.size() < kTandasAdelantadas && bytesListas_ < kBytesAdelantados);
            });
            if (parar_) return;
            ultimaDeclarada_ = hoja_.ultimaFilaDeclarada();
            if (t.n > 0) {
                bytesListas_ += t.bytes;
                listas_.push_back(std::move(t));
            }
            if (fin) {
                fin_ = true;
                falla_ = falla;
            }
        }
        cv_.notify_all();
        if (fin) return;
    }
}

bool HojaXmlEnHilo::siguiente(FilaXml& fila) {
    for (;;) {
        if (pos_ < actual_.n) {
            // La fila pasa a quien la pide; la suya, vacía, queda en la tanda para reusar su memoria.
            std::swap(fila, actual_.filas[pos_++]);
            return true;
        }
        std::unique_lock l(m_);
        // Una tanda de filas enormes no se guarda: su memoria se suelta.
        if (!actual_.filas.empty() && actual_.bytes <= kBytesPorTanda) libres_.push_back(std::move(actual_));
        actual_ = {};
        pos_ = 0;
        cv_.wait(l, [this] { return !listas_.empty() || fin_; });
        if (!listas_.empty()) {
            actual_ = std::move(listas_.front());
            listas_.pop_front();
            bytesListas_ -= actual_.bytes;
            l.unlock();
            cv_.notify_all();  // hay lugar para otra tanda
            continue;
        }
        if (falla_) std::rethrow_exception(falla_);
        return false;
    }
}

std::optional<qint64> HojaXmlEnHilo::ultimaFilaDeclarada() {
    std::lock_guard l(m_);
    return ultimaDeclarada_;
}
