#pragma once
#include <QDir>
#include <QFileInfoList>
#include <QString>
#include <QStringList>
#include <cstdint>

// Ayudas de los proveedores cuyo origen es una carpeta de archivos (texto y dBase).

// Número de la falla "la tabla no existe" (DB_E_NOTABLE de OLE DB).
inline constexpr int32_t kTablaInexistente = -2147217865;

// La carpeta que nombra un texto de conexión, tal como la escribe el programa: admite una barra
// final ("/" o "\") y, si así no existe, las barras invertidas de una ruta escrita en Windows.
QString CarpetaDeConexion(const QString& valor);

// La carpeta del valor "clave" del texto de conexión, comprobada: existe, es una carpeta y se
// puede leer. Si no, lanza ErrorEjecucion (origen: proveedor) con la causa; contenido dice qué
// guarda la carpeta ("los archivos de texto", "las tablas .dbf").
QString CarpetaComprobada(const QString& valor, const QString& clave, const QString& contenido, const QString& proveedor);

// Los archivos de la carpeta cuya extensión es una de las dadas (sin distinguir mayúsculas),
// ordenados por nombre sin distinguir mayúsculas (el orden no depende del sistema de archivos).
QFileInfoList ArchivosDeCarpeta(const QDir& carpeta, const QStringList& extensiones);
