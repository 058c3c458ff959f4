#pragma once
#include <QString>
#include <cstdint>

#include "data/ConstructorSentencias.h"

// Corre las sentencias no vacías como un solo script dentro de una transacción en la conexión
// principal: "BEGIN TRANSACTION ", CR, CR, cada sentencia tras un CR, y un CR final (script
// recibe el texto enviado). Con errores en la conexión: ROLLBACK, fila en AUX_ERR, mensaje con
// las líneas "nativo : descripción" (con dos o más errores, el último no se cuenta) mostrado
// en un cuadro "Aviso al Operador!" si mostrarMensaje; 2627 y 547 se silencian con sus
// banderas (mensaje = la descripción sola). Sin errores: COMMIT. Sin sentencias no envía nada.
// hayError empieza en false; codigoError (nativo del primer error, 0 sin error) se escribe
// sólo si la rutina llega al final. Otras fallas van al aviso de error ("GActualizarDatoScript"):
// 4 repite el paso, 5 sigue, otra respuesta sale; ninguna salida deja la transacción abierta.
void GActualizarDatoScript(const ListaSentencias& sentencias, bool& hayError, int32_t& codigoError,
                           bool ignorarDuplicado, bool ignorarReferencia, QString& script, QString& mensaje,
                           bool mostrarMensaje);
