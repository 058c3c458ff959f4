#pragma once
#include <QString>

class Conexion;

// La base de la suite embebida: un archivo SQLite por nombre de base en la carpeta de datos, la
// de estadísticas ("QZ_ESTADISTICAS") al lado. Los nombres se comparan sin distinguir mayúsculas.
namespace AlmacenEmbebido {

inline const QString kEstadisticas = QStringLiteral("QZ_ESTADISTICAS");

// Un nombre simple: no vacío, sin separadores de ruta, sin "..", sin caracteres de control.
bool NombreValido(const QString& nombre);

// El archivo de la base en la carpeta: el que ya existe con ese nombre (sin distinguir
// mayúsculas) o, si no hay, carpeta + nombre + ".db". REQUIRES: NombreValido(nombre).
QString Archivo(const QString& carpeta, const QString& nombre);

// Si la base existe (nunca la crea).
bool Existe(const QString& carpeta, const QString& nombre);

// Abre la base en la conexión; si no existe, la crea con sus tablas (la carpeta también).
// Lanza ErrorEjecucion con la causa: nombre no válido, carpeta que no se puede crear o escribir,
// archivo dañado (que no se toca).
void Abrir(Conexion& conexion, const QString& carpeta, const QString& nombre);

}  // namespace AlmacenEmbebido
