#include "import/SerieDeFila.h"

#include "ado/NumeroExacto.h"
#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

QString SerieDeFila(const QVariant& valor, qint64 fila, int columna) {
    if (NumeroExacto::DobleInexacto(valor)) {
        throw ErrorEjecucion(
            Errores::Desbordamiento,
            QStringLiteral("La fila %1 trae la serie %2 como número de coma flotante: pasa de 15 cifras y "
                           "sus últimas cifras no son exactas, así que no se guarda. Guarde la serie como "
                           "texto (o como entero) en el archivo del proveedor.")
                .arg(fila)
                .arg(TextoValor(valor)));
    }
    // Una celda de error (#N/A, #REF!) o un verdadero/falso no son una serie: guardarlos haría
    // de "#N/A" la serie de todas las filas con ese error.
    const bool error = EsErrorDeCelda(valor);
    if (error || valor.typeId() == QMetaType::Bool) {
        throw ErrorEjecucion(
            Errores::TiposNoCoinciden,
            QStringLiteral(
                "La fila %1 trae en la columna %2 (la de la serie) %3 \"%4\", que no es una serie: "
                "no se guarda. Corrija esa celda en el archivo del proveedor.")
                .arg(fila)
                .arg(columna + 1)
                .arg(error ? QStringLiteral("una celda de error")
                           : QStringLiteral("un valor verdadero/falso"))
                .arg(TextoValor(valor)));
    }
    return TextoValor(valor);
}
