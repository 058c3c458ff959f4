#include "import/TrampaOrigen.h"

#include "ado/Conexion.h"
#include "ado/Recordset.h"
#include "platform/Detencion.h"
#include "suite/Componentes.h"

Respuesta TrampaOrigen(Conexion& origen, const ErrorEjecucion& error) {
    if (error.numero() == Errores::ObjetoCerrado) return Respuesta::Saltar;
    // El operador pidió detener: la falla que siga (la lectura cortada) deja sin preguntar.
    if (error.numero() == Detencion::NumeroFalla || Detencion::Pedida()) return Respuesta::Abandonar;
    // Cerrar y repetir sólo si la conexión de origen estaba abierta: si no, repetir daría la
    // misma falla sin fin, y la falla va al operador como cualquier otra.
    if (error.numero() == Errores::ObjetoAbierto && origen.abierta()) {
        try {
            origen.Close();
        } catch (const ErrorEjecucion&) {
        }
        return Respuesta::Repetir;
    }
    return RespuestaDelOperador(Componentes::Funciones().ManejarError(error));
}

void CerrarOrigenDetenido(Recordset* lectura, Conexion& origen) {
    try {
        if (lectura && lectura->abierto()) lectura->Close();
    } catch (const ErrorEjecucion&) {
    }
    try {
        if (origen.abierta()) origen.Close();
    } catch (const ErrorEjecucion&) {
    }
}
