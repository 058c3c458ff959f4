#include "ado/NombreSinMayusculas.h"

NombreHallado BuscarNombre(int cantidad, const std::function<bool(int, Qt::CaseSensitivity)>& coincide) {
    NombreHallado hallado;
    for (int i = 0; i < cantidad; ++i) {
        if (coincide(i, Qt::CaseSensitive)) {
            hallado.indice = i;
            return hallado;
        }
    }
    for (int i = 0; i < cantidad; ++i) {
        if (coincide(i, Qt::CaseInsensitive)) hallado.parecidos.append(i);
    }
    if (hallado.parecidos.size() == 1) {
        hallado.indice = hallado.parecidos.first();
        hallado.parecidos.clear();
    }
    return hallado;
}
