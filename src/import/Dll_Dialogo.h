#pragma once
#include <QString>
#include <memory>
#include <optional>

// Quien muestra el diálogo de abrir archivo: la ventana de Qt o, en las pruebas, un guion.
class SelectorArchivo {
  public:
    virtual ~SelectorArchivo() = default;
    // La ruta elegida, o nada si el operador canceló.
    virtual std::optional<QString> elegir(const QString& titulo, const QString& carpetaInicial) = 0;
};

// El diálogo de elección de archivo de la ventana.
class Dll_Dialogo {
  public:
    explicit Dll_Dialogo(std::unique_ptr<SelectorArchivo> selector) : selector_(std::move(selector)) {}

    QString TituloDialogo;
    bool CancelarConError = false;
    QString CarpetaInicial;
    QString NombreArchivo;

    // El número de la falla que lanza un diálogo cancelado con CancelarConError.
    int ErrorCancelacion() const { return 32755; }

    // Muestra el diálogo y deja la ruta elegida en NombreArchivo. Cancelado: con CancelarConError
    // lanza ErrorEjecucion(ErrorCancelacion()); si no, NombreArchivo queda vacío.
    void MostrarAbrir();

  private:
    std::unique_ptr<SelectorArchivo> selector_;
};
