#pragma once
#include <QString>
#include <QStringList>

class Conexion;

// El archivo del proveedor abierto y listado como lo hace la ventana de importación.

// Abre la conexión sobre el archivo con el texto de conexión de su clase. Lanza ErrorEjecucion
// si el archivo no está, si su extensión no es de ninguna clase conocida o si el proveedor falla.
void AbrirOrigen(Conexion& conexion, const QString& ruta);

// Las hojas o tablas que lista la ventana, en su orden: las del proveedor que pasan el filtro de
// la clase; para txt y csv, después, el nombre base; para dbf, sólo el nombre base (la tabla se
// abre para comprobar que se lee). REQUIRES: conexion abierta con AbrirOrigen(ruta).
QStringList TablasOrigen(Conexion& conexion, const QString& ruta);

// La sentencia que lee la tabla: "SELECT * FROM [tabla]"; de un dbf sin tabla elegida, la de la
// ventana, "Select * from [nombre base]".
QString ConsultaOrigen(const QString& ruta, const QString& tabla, bool tablaElegida);

// La tabla que se lee si no se nombra ninguna: para txt y csv la del propio archivo
// ("datos#csv", aunque la carpeta tenga otros); para las demás clases, la primera listada.
QString TablaPorDefecto(const QString& ruta, const QStringList& tablas);
