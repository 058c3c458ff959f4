// garantias-cli usuario alta|baja|lista [NOMBRE] --conexion "CADENA DE LANZAMIENTO": los usuarios
// de la aplicación en la base de la suite. Se conecta como el programa de ventanas: la misma
// lectura de la cadena de lanzamiento, las mismas reglas de conexión y el mismo ingreso (sin
// cuadro de acceso: un ingreso rechazado termina con su mensaje).
#include <QProcessEnvironment>

#include "cli/LeerClave.h"
#include "cli/Verbos.h"
#include "platform/ErrorEjecucion.h"
#include "startup/InicioAplicacion.h"
#include "startup/UsuariosAplicacion.h"

namespace {
const char* const kUso = "usuario alta NOMBRE | usuario baja NOMBRE | usuario lista  [--conexion CADENA]";

QString CadenaLanzamiento(const Argumentos& a) {
    if (a.tiene(QStringLiteral("conexion"))) return a.opcion(QStringLiteral("conexion"));
    const QString entorno = qEnvironmentVariable("GARANTIAS_CONEXION");
    if (!entorno.trimmed().isEmpty()) return entorno;
    throw ErrorUso(
        QStringLiteral("falta la cadena de lanzamiento: --conexion \"@server=; @dbname= BASE; @usuario= U; "
                       "@Password= P;\" (o la variable GARANTIAS_CONEXION)"));
}

int Correr(const Argumentos& a, Salida& salida) {
    const QString accion = a.sueltos.value(0);
    const bool conNombre = accion == QLatin1String("alta") || accion == QLatin1String("baja");
    if (!(conNombre && a.sueltos.size() == 2) &&
        !(accion == QLatin1String("lista") && a.sueltos.size() == 1)) {
        throw ErrorUso(QStringLiteral("uso: %1").arg(QLatin1String(kUso)));
    }
    const QString cadena = CadenaLanzamiento(a);
    // La clave se pide antes de conectar: una entrada que falta no deja nada a medias.
    QString clave;
    if (accion == QLatin1String("alta")) {
        clave = LeerClave(QStringLiteral("Clave de %1: ").arg(a.sueltos[1]));
    }
    InicioAplicacion(cadena);  // termina el proceso si no conecta o si el ingreso se rechaza
    if (accion == QLatin1String("alta")) {
        AltaUsuario(a.sueltos[1], clave);
        salida.linea(QStringLiteral("Usuario %1 dado de alta.").arg(a.sueltos[1].trimmed()));
    } else if (accion == QLatin1String("baja")) {
        BajaUsuario(a.sueltos[1]);
        salida.linea(QStringLiteral("Usuario %1 dado de baja.").arg(a.sueltos[1].trimmed()));
    } else {
        for (const QString& linea : ListaUsuarios()) salida.linea(linea);
    }
    return Codigo::Bien;
}
}  // namespace

Verbo VerboUsuario() {
    return {
        QStringLiteral("usuario"),
        QString::fromLatin1(kUso),
        QStringLiteral(
            "Da de alta (con su clave, pedida sin eco o leída de una línea de la entrada), da de baja o "
            "lista los usuarios de la aplicación (sistema ORVA). La cadena de lanzamiento, con --conexion o "
            "GARANTIAS_CONEXION, debe ser la de un usuario que pueda entrar."),
        {OpcionConexion()},
        &Correr,
        {QStringLiteral("alta"), QStringLiteral("baja"), QStringLiteral("lista")}};
}
