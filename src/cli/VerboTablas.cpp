// garantias-cli tablas ARCHIVO: las hojas o tablas del archivo, una por línea, como las lista la
// ventana.
#include "ado/Conexion.h"
#include "cli/OrigenCli.h"
#include "cli/Verbos.h"

namespace {
int Correr(const Argumentos& a, Salida& salida) {
    if (a.sueltos.size() != 1) throw ErrorUso(QStringLiteral("tablas lleva un archivo: tablas ARCHIVO"));
    const ArchivoOrigen archivo = ArchivoDeLineaDeComandos(a.sueltos[0]);
    Conexion conexion;
    AbrirOrigen(conexion, archivo);
    for (const QString& tabla : archivo.tablasListadas(conexion)) salida.linea(tabla);
    return Codigo::Bien;
}
}  // namespace

Verbo VerboTablas() {
    return {
        QStringLiteral("tablas"),
        QStringLiteral("tablas ARCHIVO"),
        QStringLiteral("Muestra las hojas o tablas del archivo, una por línea, como las lista la ventana."),
        {},
        &Correr};
}
