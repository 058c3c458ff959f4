#pragma once
#include <QString>
#include <QVariant>

// El texto de la serie de una fila del origen (su campo 1), como la guarda la importación, la
// cuenta la prueba y la anota el archivo de rechazos. Una serie que el origen da como número de
// coma flotante desde 2^53 (un REAL de SQLite, un número de .xls) no se sabe cuál era: sus
// últimas cifras son las del doble, no las del proveedor. Esa fila se rechaza con su número, no se
// guarda cambiada. Tampoco una celda de error (#N/A) ni un verdadero/falso: no son series; la
// falla nombra la fila y la columna (desde 0). Lanza ErrorEjecucion.
QString SerieDeFila(const QVariant& valor, qint64 fila, int columna);
