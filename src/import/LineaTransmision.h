#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct CorridaDiario;

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

// Las partes que el diario de importaciones agrega a la línea: el archivo, las cuentas de la
// corrida, cómo terminó y, si se anuló, cuándo y quién. Sin corrida (una transmisión que este
// programa no tomó, o un diario que no se pudo leer), sólo "anulada" si la lista la marca así.
QStringList PartesDelDiario(const std::optional<CorridaDiario>& corrida, bool anulada);
