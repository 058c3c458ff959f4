#pragma once
#include <memory>

#include "connections/DialogoAccesoModelo.h"

class frmAcceso;

// El cuadro de acceso del programa de ventanas: la ventana frmAcceso, creada la primera vez que
// el ingreso la pide y guardada (oculta) hasta el final.
class DialogoAccesoQt : public DialogoAccesoModelo {
  public:
    DialogoAccesoQt();
    ~DialogoAccesoQt() override;

  protected:
    void mostrarModal(ModeloAcceso& modelo) override;

  private:
    std::unique_ptr<frmAcceso> ventana_;
};
