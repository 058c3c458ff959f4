#pragma once
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "ado/Proveedor.h"

// Entre la corrida y el hilo de la base: la corrida pone una tanda de filas por vez y el hilo la
// escribe fila por fila, anotando si cada una quedó insertada. Una tanda queda hecha cuando todas
// sus filas tienen su resultado, o antes si el hilo deja de escribir (una fila falló). Mientras
// el hilo espera la tanda siguiente, la sentencia en que escribe sigue abierta; cerrar() le dice
// que no vienen más.
//
// Las filas de una tanda son columnas valores seguidos cada una; el vector es de la corrida, que
// no lo toca mientras la tanda está en el canal.
class CanalTandas : public FlujoFilas {
  public:
    explicit CanalTandas(int columnas) : columnas_(static_cast<std::size_t>(columnas)) {}

    // --- La corrida ---
    // Empieza una sentencia: el hilo tomará tandas hasta cerrar() o terminar().
    void abrir();
    // Pone una tanda de filas. REQUIRES: la anterior ya se esperó.
    void poner(const std::vector<SentenciaPreparada::ValorListo>* valores, std::size_t filas);
    // Espera que la tanda puesta quede hecha y devuelve, de cada fila con resultado y en orden, 1
    // si quedó insertada. Menos resultados que filas: el hilo dejó de escribir en la primera fila
    // sin resultado.
    std::vector<char> esperar();
    // No vienen más tandas: el hilo termina la que tiene y la sentencia, sin más filas.
    void cerrar();

    // --- El hilo ---
    const SentenciaPreparada::ValorListo* siguiente() override;
    void insertada(bool si) override;
    // El hilo dejó de escribir (terminó la sentencia, o falló): quien espera la tanda no espera más.
    void terminar();

  private:
    const std::size_t columnas_;
    std::mutex m_;
    std::condition_variable cv_;
    // Compartido, bajo m_.
    const std::vector<SentenciaPreparada::ValorListo>* puesta_ = nullptr;  // la tanda que espera al hilo
    std::size_t filasPuesta_ = 0;
    std::vector<char> hecha_;  // los resultados de la tanda que terminó
    bool hayHecha_ = false;
    bool cerrado_ = false;
    bool terminado_ = false;
    // Del hilo (sin candado): la tanda que escribe.
    const SentenciaPreparada::ValorListo* valores_ = nullptr;
    std::size_t filas_ = 0;
    std::size_t dadas_ = 0;
    std::vector<char> resultados_;
    bool enTanda_ = false;
};
