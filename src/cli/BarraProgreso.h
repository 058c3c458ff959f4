#pragma once
#include <QElapsedTimer>
#include <cstdint>

// Una barra de progreso en la terminal (salida de errores), redibujada a lo sumo diez veces por
// segundo. Si la salida de errores no es una terminal, no dibuja nada.
class BarraProgreso {
  public:
    BarraProgreso();
    ~BarraProgreso();
    // total < 0: el origen no sabe cuántas filas tiene (se muestran sólo las hechas).
    void avanzar(int64_t hechas, int64_t total);
    void terminar();

  private:
    bool terminal_;
    bool dibujada_ = false;
    QElapsedTimer reloj_;
};
