#pragma once
#include <memory>

#include "banner/Cartel.h"

class Lbf_CtrlDisplay;

// El cartel de progreso del programa de ventanas. Guarda sólo su ventana, creada (y cargada)
// por el primer miembro que la necesita y destruida por CartelCerrar; el siguiente uso empieza
// con una ventana nueva (contador y cancelación desde cero).
class Dll_Display : public Cartel {
  public:
    Dll_Display();
    ~Dll_Display() override;

    // Título de la ventana; botón de cancelar visible si permiteCancelar; la muestra sin
    // esperar y sin dueño. Reusa la ventana abierta (líneas y cancelación quedan). Las fallas
    // se ignoran.
    void CartelInicio(const QString& titulo, bool permiteCancelar) override;
    // Cambia las líneas dadas (nula: vacía; omitida: queda), repinta, informa si el título del
    // botón es "Abortado" y procesa los eventos pendientes. Sin CartelInicio previo crea la
    // ventana pero no la muestra. Las fallas llegan a quien llama.
    void CartelMostrar(bool& cancelado, const std::optional<QVariant>& l1 = std::nullopt,
                       const std::optional<QVariant>& l2 = std::nullopt,
                       const std::optional<QVariant>& l3 = std::nullopt) override;
    // Oculta y destruye la ventana. Sin ventana no hace nada. Las fallas se ignoran.
    void CartelCerrar() override;

    // La ventana abierta, o nullptr si no hay (para quien necesite mirarla, p. ej. pruebas).
    Lbf_CtrlDisplay* VentanaAbierta() const { return ventana_.get(); }

  private:
    // La ventana; la crea y la carga si no hay.
    Lbf_CtrlDisplay& Ventana();
    // Texto de una línea: nulo da el texto vacío; cualquier otro valor, su forma de texto.
    static QString TextoLinea(const QVariant& valor);

    std::unique_ptr<Lbf_CtrlDisplay> ventana_;
};
