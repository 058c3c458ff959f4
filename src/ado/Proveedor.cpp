#include "ado/Proveedor.h"

#include "platform/ErrorEjecucion.h"

void FuenteFilas::guardar(const std::vector<std::pair<QString, QVariant>>&, bool) {
    throw ErrorEjecucion(3251, QStringLiteral("El origen es de sólo lectura: no admite agregar ni cambiar filas."),
                         QStringLiteral("ADO"));
}

void Proveedor::ejecutar(const QString&, ListaErrores& errores) {
    errores.agregar({QStringLiteral("El origen es de sólo lectura: no admite cambios."), 3251, nombre(), {}});
}

void Proveedor::empezarTransaccion() {}
void Proveedor::confirmarTransaccion() {}
void Proveedor::deshacerTransaccion() {}
void Proveedor::fijarTiempoEspera(int) {}
void Proveedor::fijarAislamiento(int) {}
