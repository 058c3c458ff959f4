#pragma once
#include <QtGlobal>
#include <functional>

// Qué clic en "Importar" puede empezar una corrida. Mientras corre una, el botón dice "Detener":
// un clic apretado entonces es para detenerla, aunque se suelte (o se atienda) cuando ya terminó;
// y un clic dentro del medio segundo que sigue al fin de una corrida es el segundo de un doble
// clic o un "Detener" tardío. Ninguno de los dos empieza otra corrida.
class GuardiaClics {
  public:
    // El reloj da milisegundos que sólo avanzan; por defecto, el monotónico del sistema.
    using Reloj = std::function<qint64()>;
    static constexpr qint64 kMargenMs = 500;

    explicit GuardiaClics(Reloj reloj = {});

    // El botón se apretó; ocupado: en ese momento corría una operación (el botón decía "Detener").
    void apretado(bool ocupado);
    // Al atender el clic sin operación en curso: si puede empezar una corrida. Olvida lo apretado.
    bool puedeEmpezar();
    // El clic se atendió como "Detener": lo apretado ya no cuenta.
    void usado() { apretadoComoDetener_ = false; }
    // Terminó una corrida (o cualquier operación que mostró "Detener").
    void termino();

  private:
    Reloj reloj_;
    bool apretadoComoDetener_ = false;
    qint64 fin_ = -1;  // cuándo terminó la última corrida; -1: ninguna
};
