#pragma once
#include "connections/ModeloAcceso.h"
#include "startup/Login.h"

// El cuadro de acceso del ingreso sobre el modelo frmAcceso: lo carga una vez, llena sus cajas
// como las llena el ingreso y deja que una vista (la ventana Qt, o un guion en las pruebas) lo
// muestre modal hasta que "Conectar" o "Cancelar" lo oculten.
class DialogoAccesoModelo : public DialogoAcceso {
  public:
    void MostrarModal(const QString& base, const QString& servidor, const QString& usuario,
                      const QString& clave) override;
    QString TxtDbName() const override { return modelo_.valor(Caja::TxtDbName); }
    QString TxtServidor() const override { return modelo_.valor(Caja::TxtServidor); }

    ModeloAcceso& modelo() { return modelo_; }

  protected:
    // Muestra el cuadro y vuelve cuando el modelo dejó de estar visible. REQUIRES: cargado.
    virtual void mostrarModal(ModeloAcceso& modelo) = 0;

  private:
    ModeloAcceso modelo_;
};
