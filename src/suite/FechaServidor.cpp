#include "suite/FechaServidor.h"

#include "platform/Regional.h"
#include "platform/Rutina.h"
#include "suite/Componentes.h"
#include "suite/Configuracion.h"
#include "suite/Sesion.h"

QDateTime FechaServidor() {
    Dll_Datos& datos = Componentes::Datos();
    QDateTime resultado = Regional::FechaCero();
    RecordsetPtr rs;
    Rutina reloj(TrampaOmitir());
    reloj
        .paso([&] {
            datos.AbrirRecordset(QStringLiteral("select  getDate() as fecha"), rs, nullptr, 0, 1, -1, true);
        })
        .paso([&] {
            if (!rs->EOF_()) {
                const QVariant v = rs->Field(QStringLiteral("fecha"));
                QDateTime f;
                if (v.typeId() == QMetaType::QDateTime)
                    f = v.toDateTime();
                else if (auto leida = Regional::LeerFechaHora(v.toString()))
                    f = *leida;
                // Escrita dd/mm/yyyy hh:mm:ss y leída de nuevo: sin fracciones de segundo.
                if (f.isValid())
                    resultado =
                        QDateTime(f.date(), QTime(f.time().hour(), f.time().minute(), f.time().second()));
            } else if (sesion().UTILIZARFECHADIA) {
                QString aux;
                const auto operacion =
                    Regional::LeerFechaHora(Cfg(QStringLiteral("FECHAOPERHASTA"), aux).trimmed());
                resultado = operacion ? *operacion : QDateTime::currentDateTime();
            } else {
                resultado = QDateTime::currentDateTime();
            }
        })
        .paso([&] { datos.CerrarRecordset(rs); });
    reloj.correr();
    return resultado;
}

QString FormatoFechaHora() { return QStringLiteral("dd/mm/yy hh:mm"); }
QString FormatoFecha() { return QStringLiteral("dd/mm/yy"); }
QString FormatoHora() { return QStringLiteral("hh:mm"); }
