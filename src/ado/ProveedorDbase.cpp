#include "ado/ProveedorPendiente.h"
#include "ado/Proveedores.h"

std::unique_ptr<Proveedor> CrearProveedorDbase() {
    return std::make_unique<ProveedorPendiente>(QStringLiteral("Proveedor de dBase"), QStringLiteral("tablas .dbf"));
}
