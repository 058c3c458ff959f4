#pragma once
#include <QDir>
#include <QFileInfoList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// Ayudas de los proveedores de archivos, sobre todo de los que abren una carpeta (texto y dBase).

// Número de la falla "la tabla no existe" (DB_E_NOTABLE de OLE DB).
inline constexpr int32_t kTablaInexistente = -2147217865;

// La carpeta que nombra un texto de conexión, tal como la escribe el programa: admite una barra
// final ("/" o "\") y, si así no existe, las barras invertidas de una ruta escrita en Windows.
QString CarpetaDeConexion(const QString& valor);

// La carpeta del valor "clave" del texto de conexión, comprobada: existe, es una carpeta y se
// puede leer. Si no, lanza ErrorEjecucion (origen: proveedor) con la causa; contenido dice qué
// guarda la carpeta ("los archivos de texto", "las tablas .dbf").
QString CarpetaComprobada(const QString& valor, const QString& clave, const QString& contenido,
                          const QString& proveedor);

// Los archivos de la carpeta cuya extensión es una de las dadas (sin distinguir mayúsculas),
// ordenados por nombre sin distinguir mayúsculas (el orden no depende del sistema de archivos).
// Un enlace simbólico cuenta como el archivo al que apunta; uno roto también se lista, para que
// leerlo dé su falla (EnlaceRoto) en vez de "no se encuentra".
QFileInfoList ArchivosDeCarpeta(const QDir& carpeta, const QStringList& extensiones);

// El archivo cuyo nombre (el que da nombreDe) es el dado: primero el igual, después el igual sin
// los blancos de los extremos y, si no, el único que sólo difiere en mayúsculas. Así, de "Datos" y
// "datos", cada nombre halla el suyo; "DATOS" no elige entre los dos: lanza ErrorEjecucion que
// los nombra.
std::optional<QFileInfo> ArchivoDeNombre(const QFileInfoList& archivos, const QString& nombre,
                                         const std::function<QString(const QFileInfo&)>& nombreDe);

// Si la ruta es un enlace simbólico que apunta a algo que no existe, la descripción de la falla
// ("El archivo \"x.csv\" es un enlace a \"...\", que no existe."); si no, nada.
std::optional<QString> EnlaceRoto(const QString& ruta);
