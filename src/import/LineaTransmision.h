#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>

// La línea de información bajo la grilla de filas de "Consultar": lo que se sabe de la transmisión
// elegida. Empieza por su número y su cantidad de filas; cada parte de "mas" (el archivo del que
// vino, cómo terminó) se agrega detrás, en orden, separada por "; ".
struct InfoTransmision {
    int32_t numero = 0;
    int64_t filas = 0;
    QStringList mas;
};

// "Transmisión 14: 950.000 filas" o "Transmisión 3: 1 fila; <parte>; <parte>".
QString LineaTransmision(const InfoTransmision& info);
