#pragma once

// Las filas de datos que muestra la vista previa de una hoja o tabla: la grilla de la ventana
// (con su fila de títulos y la vacía del final, 21 filas) y "garantias-cli vista".
constexpr int kFilasVistaPrevia = 19;
