#pragma once
#include <QString>
#include <cstdint>

// Anular una transmisión que importó este programa: sus filas salen de AUX_GARANTIA (sus series
// se pueden importar de nuevo), su registro de MV_TRANSMISIONES queda con Anulado = 1 (sigue
// listado y su número no se vuelve a dar), el diario anota quién y cuándo, y el registro de
// acciones guarda la baja. Todo en una transacción: un corte en medio no deja nada hecho a medias.
//
// Sólo se anulan los números que el diario dice que tomó este programa, y nunca uno cuya corrida
// sigue en curso (agregaría filas bajo un número anulado).

struct EstadoAnulacion {
    enum Motivo {
        Lista,      // se puede anular (después de Anular: quedó anulada)
        NoExiste,   // no hay transmisión 'S' con ese número
        YaAnulada,  // ya tiene Anulado = 1
        Ajena,      // el diario no dice que la tomó este programa (o no hay diario)
        EnCurso,    // la corrida que la toma no terminó
        Fallo,      // la base rechazó algo: nada cambió
    };
    Motivo motivo = NoExiste;
    QString mensaje;  // para el operador, si no está Lista
    int32_t numero = 0;
    qint64 filas = 0;  // las de AUX_GARANTIA con ese número
    QString archivo;   // el archivo que la hizo, según el diario
    QString fecha;     // "DD/MM/AAAA HH:MM" del registro de la transmisión

    // "Se borrarán las 1.234 filas de la transmisión 7 (archivo prov.csv, 10/12/2026 13:45). ¿Anular?"
    // ("Se borrará la única fila de ..." si es una)
    QString pregunta() const;
};

// Mira si la transmisión se puede anular y qué se borraría. Nunca lanza: una falla de la base
// vuelve como Fallo.
EstadoAnulacion PrepararAnulacion(int32_t numero);

// La anula, si todavía se puede (lo vuelve a mirar dentro de la transacción, con el bloqueo de
// escritura). Lista: quedó anulada; otro motivo: nada cambió, el mensaje dice por qué.
EstadoAnulacion Anular(int32_t numero);
