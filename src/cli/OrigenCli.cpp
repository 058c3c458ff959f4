#include "cli/OrigenCli.h"

#include <QFileInfo>

#include "ado/CarpetaOrigen.h"
#include "ado/Conexion.h"
#include "platform/ErrorEjecucion.h"

ArchivoOrigen ArchivoDeLineaDeComandos(const QString& ruta) {
    if (const auto roto = EnlaceRoto(ruta)) throw ErrorEjecucion(Errores::ArgumentoInvalido, *roto);
    const QFileInfo info(ruta);
    if (!info.exists()) {
        throw ErrorEjecucion(Errores::ArgumentoInvalido,
                             QStringLiteral("no se encuentra el archivo \"%1\".").arg(ruta));
    }
    if (!info.isFile()) {
        throw ErrorEjecucion(Errores::ArgumentoInvalido,
                             QStringLiteral("\"%1\" no es un archivo.").arg(ruta));
    }
    // La ventana recibe rutas completas del diálogo; aquí pueden venir relativas.
    ArchivoOrigen archivo = ArchivoOrigen::De(info.absoluteFilePath());
    if (!archivo.conocido()) {
        throw ErrorEjecucion(
            Errores::ArgumentoInvalido,
            QStringLiteral("no se reconoce la clase de archivo de \"%1\" (extensión \"%2\"); se leen "
                           "archivos txt, csv, xls, xlsx, dbf, mdb y db.")
                .arg(ruta, info.suffix()));
    }
    return archivo;
}

void AbrirOrigen(Conexion& conexion, const ArchivoOrigen& archivo) { conexion.Open(archivo.textoConexion()); }
