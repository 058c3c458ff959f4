#include "import/ExamenOrigen.h"

#include "ado/Conexion.h"
#include "platform/ErrorEjecucion.h"

std::optional<QString> ExaminarOrigenEntero(Conexion& origen, const QString& sentencia) {
    if (!origen.abierta()) return std::nullopt;
    try {
        origen.examinarOrigen(sentencia);
    } catch (const ErrorEjecucion& e) {
        return e.descripcion();
    }
    return std::nullopt;
}
