#pragma once
#include <QString>

// El texto de la barra de progreso de la importación, propio de la ventana: filas hechas de total
// con separador de miles ("1.234 de 426.550 filas"), o sólo las hechas si el origen no sabe
// cuántas tiene (total < 0: "1.234 filas"; "1 fila").
QString TextoProgreso(qint64 hechas, qint64 total);
