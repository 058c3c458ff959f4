#pragma once
#include <QString>
#include <optional>

// Los orígenes de archivo sólo entienden la consulta que el programa les manda:
// "SELECT * FROM [nombre]" (también sin corchetes, con comillas dobles o acentos graves, en
// cualquier combinación de mayúsculas y con blancos alrededor; dentro de los corchetes un "]" va
// doblado). Devuelve el nombre de la tabla, o nada si la sentencia es otra cosa.
std::optional<QString> TablaDeConsulta(const QString& sql);

// Descripción de la falla para una sentencia que el origen no entiende.
QString DescripcionConsultaNoAdmitida(const QString& sql);
