// El tope de memoria de los ejecutables de prueba (comun/Pruebas.h): una prueba que crece sin fin
// debe fallar enseguida con std::bad_alloc, no llenar la máquina.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "comun/Pruebas.h"

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// Que el compilador no quite un pedido de memoria que nadie lee.
void Usar(void* p) { asm volatile("" : : "g"(p) : "memory"); }

rlim_t TopeActual() {
    rlimit tope{};
    EXPECT_EQ(::getrlimit(RLIMIT_AS, &tope), 0);
    return tope.rlim_cur;
}

}  // namespace

TEST(TopeDeMemoria, SinVariableEsElTopeDeLasPruebas) {
    if (std::getenv("GARANTIAS_TOPE_MEMORIA")) GTEST_SKIP() << "GARANTIAS_TOPE_MEMORIA lo cambia";
    const rlim_t tope = TopeActual();
    if (tope == RLIM_INFINITY) GTEST_SKIP() << "sin tope: compilado con sanitizadores";
    EXPECT_LE(tope, static_cast<rlim_t>(kTopeMemoriaPruebasMiB) * kMiB);
}

// Los dos modos de crecer: un pedido grande de una vez y muchos pedidos que juntos pasan el tope
// (lo que hace un vector o una lista que no deja de crecer). Las páginas no se tocan: sin el tope
// el sistema las daría sin ocupar memoria de verdad.
TEST(TopeDeMemoria, PasarloFallaEnseguida) {
    const rlim_t tope = TopeActual();
    if (tope == RLIM_INFINITY) GTEST_SKIP() << "sin tope (GARANTIAS_TOPE_MEMORIA=0 o sanitizadores)";

    EXPECT_THROW(
        {
            std::unique_ptr<char[]> p(new char[tope + 1024 * kMiB]);
            Usar(p.get());
        },
        std::bad_alloc);

    std::vector<std::unique_ptr<char[]>> trozos;
    trozos.reserve(tope / (64 * kMiB) + 2);
    EXPECT_THROW(
        for (rlim_t pedido = 0; pedido <= tope; pedido += 64 * kMiB) {
            trozos.emplace_back(new char[64 * kMiB]);
            Usar(trozos.back().get());
        },
        std::bad_alloc);
    EXPECT_LT(trozos.size() * 64 * kMiB, tope);
}
