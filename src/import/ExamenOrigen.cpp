#include "import/ExamenOrigen.h"

#include "ado/Conexion.h"
#include "platform/ErrorEjecucion.h"

std::optional<QString> ExaminarOrigenEntero(Conexion& origen, const QString& tabla) {
    if (!origen.abierta()) return std::nullopt;
    try {
        origen.examinarTabla(tabla);
    } catch (const ErrorEjecucion& e) {
        return e.descripcion();
    }
    return std::nullopt;
}
