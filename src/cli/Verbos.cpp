#include "cli/Verbos.h"

const std::vector<Verbo>& Verbos() {
    // Para agregar un verbo: su archivo con su función VerboX() y una línea aquí.
    static const std::vector<Verbo> verbos = {VerboTablas(),        VerboVista(),  VerboImportar(),
                                              VerboTransmisiones(), VerboFilas(),  VerboSerie(),
                                              VerboHistorial(),     VerboAnular(), VerboUsuario()};
    return verbos;
}

QStringList Verbo::conValor() const {
    QStringList nombres;
    for (const Opcion& o : opciones) {
        if (!o.esBandera()) nombres << o.nombre;
    }
    return nombres;
}

QStringList Verbo::banderas() const {
    QStringList nombres;
    for (const Opcion& o : opciones) {
        if (o.esBandera()) nombres << o.nombre;
    }
    return nombres;
}

bool Verbo::tomaArchivo() const { return uso.section(' ', 1, 1) == QLatin1String("ARCHIVO"); }
