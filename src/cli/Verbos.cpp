#include "cli/Verbos.h"

const std::vector<Verbo>& Verbos() {
    // Para agregar un verbo: su archivo con su función VerboX() y una línea aquí.
    static const std::vector<Verbo> verbos = {VerboTablas(),        VerboVista(), VerboImportar(),
                                              VerboTransmisiones(), VerboFilas(), VerboSerie(),
                                              VerboUsuario()};
    return verbos;
}
