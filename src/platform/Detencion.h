#pragma once
#include <cstdint>

// El pedido del operador de detener la operación larga en curso (el botón "Detener" de la
// ventana). Las corridas lo miran en sus puntos de detención, los mismos donde bombean eventos
// (Proceso::BombearEventos) y donde una señal de fin pendiente termina el proceso: un punto de
// detención con el pedido anotado lanza ErrorEjecucion NumeroFalla, que la trampa de la ventana
// toma como "dejar sin preguntar". Lo escrito hasta ahí lo conserva quien escribe (la corrida
// confirma su grupo antes de dejar).
namespace Detencion {

// El número de la falla que lanza un punto de detención (18: interrupción del operador).
inline constexpr int32_t NumeroFalla = 18;

// Anota el pedido. Sin operación en curso no hace nada: el pedido se olvida al empezar la próxima.
void Pedir();
bool Pedida();
// Olvida el pedido (al empezar una operación).
void Limpiar();

// Punto de detención: con el pedido anotado, lanza ErrorEjecucion NumeroFalla.
void Comprobar();

// Punto de detención para las lecturas largas (un archivo que no termina de llegar, una fila que
// tarda): a lo sumo cada 50 ms bombea eventos (el clic en "Detener" llega así) y comprueba.
void Latido();

}  // namespace Detencion
