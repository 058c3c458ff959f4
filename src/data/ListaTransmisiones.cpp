#include "data/ListaTransmisiones.h"

#include "ado/Recordset.h"
#include "ado/Valores.h"
#include "data/Dll_Datos.h"

namespace {
// Cierra la lectura también si quien la recorre lanza.
struct LecturaAbierta {
    Dll_Datos& datos;
    RecordsetPtr rs;
    ~LecturaAbierta() {
        try {
            if (rs) datos.CerrarRecordset(rs);
        } catch (...) {
        }
    }
};
}  // namespace

void ListarTransmisiones(Dll_Datos& datos, const std::function<void(const TransmisionListada&)>& cada) {
    LecturaAbierta l{datos, nullptr};
    datos.AbrirRecordset(QStringLiteral("SELECT * FROM MV_TRANSMISIONES WHERE TIPO='S' ORDER BY FECHA "
                                        "DESC,HORA DESC,TRANSMISION DESC"),
                         l.rs, nullptr, 0, 1, -1, true);
    for (; !l.rs->EOF_(); l.rs->MoveNext()) {
        TransmisionListada t;
        t.numero = TextoValor(l.rs->Field(QStringLiteral("transmision")));
        t.usuario = TextoValor(l.rs->Field(QStringLiteral("responsable_envio")));
        t.fechaHora = TextoValor(l.rs->Field(QStringLiteral("fecha"))) + ' ' +
                      TextoValor(l.rs->Field(QStringLiteral("Hora")));
        t.anulada = NumeroValor(l.rs->Field(QStringLiteral("Anulado"))) != 0;
        cada(t);
    }
}

bool ExisteTransmision(Dll_Datos& datos, int64_t numero) {
    LecturaAbierta l{datos, nullptr};
    datos.AbrirRecordset(
        QStringLiteral("SELECT Transmision FROM MV_TRANSMISIONES WHERE TIPO='S' AND Transmision=") +
            QString::number(numero),
        l.rs, nullptr, 0, 1, -1, true);
    return !l.rs->EOF_();
}
