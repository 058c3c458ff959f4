#include "cli/BarraProgreso.h"

#include <unistd.h>

#include <cstdio>
#include <string>

BarraProgreso::BarraProgreso() : terminal_(isatty(STDERR_FILENO) != 0) {}
BarraProgreso::~BarraProgreso() { terminar(); }

void BarraProgreso::avanzar(int64_t hechas, int64_t total) {
    if (!terminal_) return;
    if (reloj_.isValid() && reloj_.elapsed() < 100 && hechas != total) return;
    reloj_.start();
    constexpr int kAncho = 30;
    if (total > 0) {
        const int llenas = static_cast<int>(hechas * kAncho / total);
        std::fprintf(stderr, "\r[%.*s%*s] %3d%% %lld/%lld filas", llenas, "##############################",
                     kAncho - llenas, "", static_cast<int>(hechas * 100 / total),
                     static_cast<long long>(hechas), static_cast<long long>(total));
    } else {
        // Con espacios hasta el ancho de la barra con total, por si la reemplaza (un total que se
        // dejó de saber).
        std::fprintf(stderr, "\r%-60s", (std::to_string(hechas) + " filas").c_str());
    }
    std::fflush(stderr);
    dibujada_ = true;
}

void BarraProgreso::terminar() {
    if (dibujada_) std::fputc('\n', stderr);
    dibujada_ = false;
}
