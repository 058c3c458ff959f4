#pragma once
#include <QString>
#include <QVariant>
#include <optional>

// El cartel de progreso, visto desde quien trabaja: se abre con un título, se actualizan sus
// tres líneas (y se sabe si el operador pidió cancelar) y se cierra.
class Cartel {
  public:
    virtual ~Cartel() = default;
    // Abre el cartel con el título; muestra el botón de cancelar si permiteCancelar.
    virtual void CartelInicio(const QString& titulo, bool permiteCancelar) = 0;
    // Cambia las líneas dadas (nula: texto vacío; sin valor: la línea queda) y deja que la
    // ventana procese sus eventos. cancelado: si el operador pulsó cancelar.
    virtual void CartelMostrar(bool& cancelado, const std::optional<QVariant>& l1 = std::nullopt,
                               const std::optional<QVariant>& l2 = std::nullopt,
                               const std::optional<QVariant>& l3 = std::nullopt) = 0;
    // Cierra el cartel. Sin cartel abierto no hace nada.
    virtual void CartelCerrar() = 0;
};

// Cartel que no muestra nada (programa de línea de comandos).
class CartelMudo : public Cartel {
  public:
    void CartelInicio(const QString&, bool) override {}
    void CartelMostrar(bool& cancelado, const std::optional<QVariant>&, const std::optional<QVariant>&,
                       const std::optional<QVariant>&) override {
        cancelado = false;
    }
    void CartelCerrar() override {}
};
