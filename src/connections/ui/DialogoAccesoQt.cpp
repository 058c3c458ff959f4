#include "connections/ui/DialogoAccesoQt.h"

#include "connections/ui/frmAcceso.h"

DialogoAccesoQt::DialogoAccesoQt() = default;
DialogoAccesoQt::~DialogoAccesoQt() = default;

void DialogoAccesoQt::mostrarModal(ModeloAcceso& modelo) {
    if (!ventana_) {
        ventana_ = std::make_unique<frmAcceso>(modelo);
        ventana_->Centrar();
    }
    ventana_->Pintar();
    ventana_->exec();
}
