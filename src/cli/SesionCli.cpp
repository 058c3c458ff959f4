#include "cli/SesionCli.h"

#include "startup/InicioAplicacion.h"

void IniciarSesionCli(const Argumentos& argumentos) {
    QString cadena = argumentos.opcion(QStringLiteral("conexion"));
    if (cadena.isEmpty()) cadena = qEnvironmentVariable("GARANTIAS_CONEXION");
    if (cadena.trimmed().isEmpty()) {
        throw ErrorUso(QStringLiteral(
            "falta la conexión: --conexion \"@Server=; @dbname= ...;\" o la variable GARANTIAS_CONEXION"));
    }
    InicioAplicacion(cadena);
}
