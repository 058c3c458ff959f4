#pragma once
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Un hilo que hace un trabajo por vez mientras quien se lo encarga sigue con lo suyo: la escritura
// de una tanda de filas mientras se leen las siguientes. Quien encarga espera el trabajo en curso
// antes de encargar otro o de tocar lo que ese trabajo usa (la conexión a la base): lo que hace el
// trabajo se ve entero después de esperar().
class HiloEscritura {
  public:
    HiloEscritura();
    // Espera el trabajo en curso y termina el hilo.
    ~HiloEscritura();
    HiloEscritura(const HiloEscritura&) = delete;
    HiloEscritura& operator=(const HiloEscritura&) = delete;

    // REQUIRES: ningún trabajo en curso.
    void encargar(std::function<void()> trabajo);
    // Espera el trabajo en curso, si hay uno. Relanza la excepción que el trabajo haya dejado escapar.
    void esperar();
    bool ocupado() const;

  private:
    void correr();

    mutable std::mutex m_;
    std::condition_variable cv_;
    std::function<void()> trabajo_;
    bool enCurso_ = false;
    bool fin_ = false;
    std::exception_ptr falla_;
    std::thread hilo_;
};
