#include "import/SerieDeFila.h"

#include "ado/NumeroExacto.h"
#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

QString SerieDeFila(const QVariant& valor, qint64 fila) {
    if (NumeroExacto::DobleInexacto(valor)) {
        throw ErrorEjecucion(
            Errores::Desbordamiento,
            QStringLiteral("La fila %1 trae la serie %2 como número de coma flotante: pasa de 15 cifras y "
                           "sus últimas cifras no son exactas, así que no se guarda. Guarde la serie como "
                           "texto (o como entero) en el archivo del proveedor.")
                .arg(fila)
                .arg(TextoValor(valor)));
    }
    return TextoValor(valor);
}
