#include "ado/ProveedorPendiente.h"
#include "ado/Proveedores.h"

std::unique_ptr<Proveedor> CrearProveedorTexto() {
    return std::make_unique<ProveedorPendiente>(QStringLiteral("Proveedor de texto"), QStringLiteral("archivos de texto"));
}
