#pragma once
#include <QString>
#include <QStringList>
#include <memory>

#include "ado/FuenteFilas.h"

// Un libro .xls abierto con FreeXL: la vía de respaldo del proveedor de .xls, para los libros que
// el lector propio rechaza. Se cierra cuando lo suelta el último que lo usa. Las fallas lanzan
// ErrorEjecucion que nombra el archivo y la causa.
using LibroFreeXL = std::shared_ptr<const void>;

// Abre el libro (que ya se comprobó que existe y se puede leer).
LibroFreeXL AbrirLibroFreeXL(const QString& ruta);
// Los nombres de sus hojas, en orden.
QStringList HojasFreeXL(const LibroFreeXL& libro, const QString& ruta);
// Las filas de la hoja número hoja (desde 0) como tabla.
std::unique_ptr<FuenteFilas> CrearFuenteFreeXL(LibroFreeXL libro, unsigned short hoja, const QString& ruta);
