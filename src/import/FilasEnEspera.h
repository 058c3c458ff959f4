#pragma once
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "import/Rechazos.h"

class Recordset;

// Las filas leídas cuyo resultado se sabe después de leer otras (la escritura en tandas o en
// lotes, las respuestas de la prueba): sus campos se guardan hasta entonces, en el orden en que se
// leyeron, que es el de los resultados, para decir la fila entera si no se agrega. Cada fila de
// una importación pasa por aquí: la lista de campos de una fila que se agregó se vuelve a usar
// para una de las siguientes, sin pedir memoria por fila.
class FilasEnEspera {
  public:
    bool vacia() const { return filas_.empty(); }
    // La primera que espera. REQUIRES: !vacia().
    qint64 primera() const { return filas_.front().fila; }
    // Guarda los campos de la fila actual. REQUIRES: recordset abierto y no en EOF.
    void agregar(qint64 fila, const Recordset& rs);
    // Saca la fila (casi siempre la primera: los resultados llegan en orden). Con comoRechazo, la
    // devuelve como "serie ya guardada" con sus campos; si no, la olvida. Nada si no esperaba.
    std::optional<Rechazo> sacar(qint64 fila, bool comoRechazo);
    // Saca la primera, como sacar(primera(), true). REQUIRES: !vacia().
    Rechazo sacarPrimera();
    // Olvida todas.
    void olvidar() { filas_.clear(); }

  private:
    struct Espera {
        qint64 fila;
        QStringList campos;
    };
    void reciclar(QStringList& campos);

    std::deque<Espera> filas_;
    std::vector<QStringList> libres_;  // listas vacías con lugar, para las filas siguientes
};
