#pragma once
#include <QString>

// Archivos de proveedor para medir la importación: títulos "eca1,serie,modelo,otro,activacion",
// series al azar de 12 cifras y una fila de cada 20 que repite la serie de una fila anterior (5%).
// La misma semilla da las mismas filas en csv, xlsx, dbf (dBase III, campos de caracteres) y db
// (SQLite, tabla "garantias", columnas de texto). Devuelven la descripción de la falla, o
// vacío.
QString GenerarCsvImportar(const QString& ruta, qint64 filas, quint64 semilla);
QString GenerarXlsxImportar(const QString& ruta, qint64 filas, quint64 semilla);
QString GenerarDbfImportar(const QString& ruta, qint64 filas, quint64 semilla);
QString GenerarDbImportar(const QString& ruta, qint64 filas, quint64 semilla);
