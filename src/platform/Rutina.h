#pragma once
#include <functional>
#include <vector>

#include "platform/ErrorEjecucion.h"

// Lo que la trampa de una rutina contesta ante una falla de uno de sus pasos.
enum class Respuesta { Repetir, Saltar, Abandonar };

using Trampa = std::function<Respuesta(const ErrorEjecucion&)>;

// Trampa de las rutinas que pasan por alto toda falla: el paso que falla se salta.
Trampa TrampaOmitir();

// Lo que una trampa hace con la respuesta del operador al cuadro de error: 4 (Reintentar) repite
// el paso, 5 (Omitir) sigue con el siguiente, cualquier otra deja la rutina.
Respuesta RespuestaDelOperador(int respuestaMensaje);

// Una sola sentencia bajo la trampa, para las que van dentro de un ciclo (una celda por campo,
// por ejemplo): Repetir la corre otra vez, Saltar sigue con la que viene. Devuelve false
// cuando la trampa contestó Abandonar.
bool Sentencia(const Trampa& trampa, const std::function<void()>& cuerpo);

// Una rutina escrita como sus pasos en orden, corridos bajo una trampa. Cada paso es un
// tramo de código al grano de la descripción del sistema ("el paso que falla se salta").
// Un paso puede saltar a otro paso (irA) o terminar la rutina (terminar). Las fallas que no
// son ErrorEjecucion (por ejemplo el fin del proceso en pruebas) no pasan por la trampa.
class Rutina {
  public:
    explicit Rutina(Trampa trampa);

    // Agrega un paso al final.
    Rutina& paso(std::function<void()> cuerpo);

    // Cuántos pasos tiene: el índice que tendrá el próximo paso que se agregue.
    std::size_t cantidad() const { return pasos_.size(); }

    // Desde un paso: el próximo paso será el de índice n (desde 0).
    void irA(std::size_t n);
    // Desde un paso: la rutina termina después de este paso, como si hubiera llegado al final.
    void terminar();
    // Desde un paso: la rutina se abandona como si la trampa hubiera contestado Abandonar.
    void abandonar();

    // Corre los pasos. Devuelve false cuando la rutina se abandonó.
    bool correr();

  private:
    Trampa trampa_;
    std::vector<std::function<void()>> pasos_;
    std::size_t siguiente_ = 0;
    bool fin_ = false;
    bool abandonada_ = false;
};
