#pragma once
#include "platform/Mensajes.h"

// Los cuadros de mensaje del programa de ventanas: un QMessageBox modal con los botones,
// el ícono y el botón por defecto del estilo pedido.
class MensajesQt : public ServicioMensajes {
  public:
    int mostrar(const QString& texto, int estilo, const QString& titulo) override;
};
