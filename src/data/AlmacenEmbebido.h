#pragma once
#include <QString>
#include <functional>

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

// Abre la base en la conexión; si no existe, la crea con sus tablas (la carpeta también, 0700; la
// base nace 0600) y lo avisa. Antes quita los restos de creaciones cortadas. Un archivo que ya
// está y no es una base de la suite (vacío, sin tablas, de otra cosa, un enlace a nada) nunca se
// reescribe. Una base hecha antes pasa al esquema que leen otras herramientas.
// Lanza ErrorEjecucion con la causa y la ruta: nombre no válido, disco lleno, sin permiso de
// escritura, la base está dañada, la base está en uso por otra estación.
void Abrir(Conexion& conexion, const QString& carpeta, const QString& nombre);

// Lo que se hace al crear una base (por defecto: lo dice por la salida de errores, con la ruta).
void FijarAvisoCreacion(std::function<void(const QString& nombre, const QString& archivo)> aviso);

}  // namespace AlmacenEmbebido
