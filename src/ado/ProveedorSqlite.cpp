#include "ado/ProveedorPendiente.h"
#include "ado/Proveedores.h"

std::unique_ptr<Proveedor> CrearProveedorSuite() {
    return std::make_unique<ProveedorPendiente>(QStringLiteral("SQLite"), QStringLiteral("la base embebida"));
}
std::unique_ptr<Proveedor> CrearProveedorSqlite() {
    return std::make_unique<ProveedorPendiente>(QStringLiteral("SQLite"), QStringLiteral("bases .db"));
}
