#include "ado/ProveedorPendiente.h"
#include "ado/Proveedores.h"

std::unique_ptr<Proveedor> CrearProveedorAccess() {
    return std::make_unique<ProveedorPendiente>(QStringLiteral("Proveedor de Access"), QStringLiteral("bases .mdb"));
}
