#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

#include "ado/texto/LectorCsv.h"

// Lo que un schema.ini de la carpeta dice de uno de sus archivos: sección [archivo.csv] con
// Format (CSVDelimited, TabDelimited, Delimited(x), FixedLength), ColNameHeader, CharacterSet
// (ANSI, OEM, UTF-8, o un número de página) y Col1=Nombre Tipo... para nombrar los campos.
struct EsquemaArchivo {
    OpcionesCsv opciones;
    bool anchoFijo = false;  // Format=FixedLength: este lector no lo admite
};

// contenido: el schema.ini entero (es pequeño). Sin valor si no tiene sección para el archivo
// (los nombres de sección se comparan sin distinguir mayúsculas).
std::optional<EsquemaArchivo> EsquemaDeArchivo(const QByteArray& contenido, const QString& archivo);
