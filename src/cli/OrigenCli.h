#pragma once
#include <QString>
#include <QStringList>

#include "ado/ArchivoOrigen.h"

class Conexion;

// El archivo del proveedor abierto y listado como lo hace la ventana de importación.

// El archivo de la ruta dada, con su ruta absoluta y su clase. Lanza ErrorEjecucion si el archivo
// no está (o es un enlace roto), no es un archivo o su extensión no es de ninguna clase conocida.
ArchivoOrigen ArchivoDeLineaDeComandos(const QString& ruta);

// Abre la conexión sobre el archivo con el texto de conexión de su clase.
void AbrirOrigen(Conexion& conexion, const ArchivoOrigen& archivo);
