#include "ado/ProveedorPendiente.h"
#include "ado/Proveedores.h"

std::unique_ptr<Proveedor> CrearProveedorOdbc() {
    return std::make_unique<ProveedorPendiente>(QStringLiteral("Proveedor ODBC"), QStringLiteral("bases por ODBC"));
}
