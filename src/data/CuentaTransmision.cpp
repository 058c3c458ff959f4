#include "data/CuentaTransmision.h"

#include "ado/Recordset.h"
#include "ado/Valores.h"
#include "data/Dll_Datos.h"

int64_t FilasDeTransmision(Dll_Datos& datos, int32_t numero) {
    RecordsetPtr rs;
    datos.AbrirRecordset(
        QStringLiteral("SELECT COUNT(*) AS filas FROM AUX_GARANTIA WHERE NroTransmision=%1").arg(numero), rs,
        nullptr, 0, 1, -1, true);
    int64_t filas = 0;
    try {
        if (!rs->EOF_()) filas = TextoValor(rs->Field(0)).toLongLong();
    } catch (...) {
        datos.CerrarRecordset(rs);
        throw;
    }
    datos.CerrarRecordset(rs);
    return filas;
}
