#pragma once
#include <QIODevice>
#include <QString>
#include <optional>

// Lo que decide una pasada por el archivo de texto entero, antes de importar: la lectura no
// confía en lo que sólo vio al principio (unas acentuadas en la fila 12.000 o un byte nulo al
// final cambian la decisión).
struct ExamenTexto {
    int codigoPagina = 65001;  // 65001 si todo el archivo es UTF-8 válido; si no, 1252
    qint64 bytes = 0;          // bytes examinados
    // Las filas de datos que dará la lectura: los registros después del encabezado hasta el último
    // que no está en blanco (una línea en blanco en medio es una fila; las del final no).
    qint64 filas = 0;
};

// Examina el archivo entero con el delimitador dado (el mismo que usará la lectura). Devuelve la
// decisión, o en falla la causa en castellano con el número de línea, sin nombrar el archivo:
// un byte nulo, la marca de UTF-8 en un archivo que no lo es, una comilla que abre un campo y
// no se cierra, un registro de más de maxRegistro bytes. codigoPagina: la que fija schema.ini,
// si fija una (entonces la codificación no se decide).
struct ResultadoExamen {
    std::optional<ExamenTexto> examen;
    QString falla;
};
ResultadoExamen ExaminarTexto(QIODevice& origen, char delimitador, std::optional<int> codigoPagina,
                              qint64 maxRegistro);
