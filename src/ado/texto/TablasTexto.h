#pragma once
#include <QFileInfo>
#include <QString>
#include <optional>

// Cómo se llaman las tablas de una carpeta de archivos de texto, y qué archivo nombra cada una.

// El nombre de tabla de un archivo: su nombre con el último "." cambiado por "#"
// ("datos.2024.csv" da "datos.2024#csv"). Como la extensión no lleva "#", el último "#" del
// nombre de tabla es siempre ése: de la tabla se vuelve al archivo sin dudas.
QString TablaDeArchivoTexto(const QString& nombreArchivo);

// El archivo de una tabla, entre los de la carpeta (ArchivosDeCarpeta): por su nombre de tabla
// ("datos.2024#csv"), por su nombre de archivo ("datos.2024.csv") o por su nombre base
// ("datos.2024"; primero .csv, después .txt). En cada forma, el nombre exacto gana al que sólo
// difiere en mayúsculas.
std::optional<QFileInfo> ArchivoDeTablaTexto(const QFileInfoList& archivos, const QString& tabla);
