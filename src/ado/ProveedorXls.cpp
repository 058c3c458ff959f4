#include "ado/ProveedorPendiente.h"
#include "ado/Proveedores.h"

std::unique_ptr<Proveedor> CrearProveedorXls() {
    return std::make_unique<ProveedorPendiente>(QStringLiteral("Proveedor de Excel"), QStringLiteral("libros .xls"));
}
