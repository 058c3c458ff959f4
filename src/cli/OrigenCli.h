#pragma once
#include <QString>
#include <QStringList>

#include "ado/ClasesOrigen.h"

class Conexion;

// El archivo del proveedor abierto y listado como lo hace la ventana de importación.

// El archivo de la ruta dada, con su ruta absoluta y su clase. Lanza ErrorEjecucion si el archivo
// no está, no es un archivo o su extensión no es de ninguna clase conocida.
ArchivoOrigen ArchivoDeLineaDeComandos(const QString& ruta);

// Abre la conexión sobre el archivo con el texto de conexión de su clase.
void AbrirOrigen(Conexion& conexion, const ArchivoOrigen& archivo);

// La sentencia que lee la tabla: "SELECT * FROM [tabla]"; de un dbf sin tabla elegida, la de la
// ventana, "Select * from [nombre base]".
QString ConsultaOrigen(const ArchivoOrigen& archivo, const QString& tabla, bool tablaElegida);
