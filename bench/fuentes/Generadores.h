#pragma once
#include <QString>

// Archivos de proveedor de prueba, de tantas filas como se pida: eca, serie (con ceros a la
// izquierda), modelo, fecha de venta y activación. Devuelven una descripción de la falla, o vacío.
QString GenerarCsv(const QString& ruta, qint64 filas);
QString GenerarXlsx(const QString& ruta, qint64 filas);
QString GenerarDbf(const QString& ruta, qint64 filas);
QString GenerarDb(const QString& ruta, qint64 filas);
