#pragma once
#include "ado/Proveedor.h"
#include "platform/ErrorEjecucion.h"

// Proveedor de una clase de origen que este programa todavía no lee: abrir falla con claridad.
class ProveedorPendiente : public Proveedor {
  public:
    explicit ProveedorPendiente(QString nombre, QString clase)
        : nombre_(std::move(nombre)), clase_(std::move(clase)) {}
    QString nombre() const override { return nombre_; }
    void abrir(const TextoConexion&) override {
        throw ErrorEjecucion(Errores::ProveedorFallo,
                             QStringLiteral("Esta versión del programa no puede leer %1.").arg(clase_),
                             nombre_);
    }
    void cerrar() override {}
    QStringList tablas() override { return {}; }
    std::unique_ptr<FuenteFilas> consultar(const QString&, bool) override {
        throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("El origen no está abierto."), nombre_);
    }

  private:
    QString nombre_;
    QString clase_;
};
