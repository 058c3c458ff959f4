#include "suite/RegistroErrorTabla.h"

#include <QDateTime>

#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "platform/Rutina.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"
#include "suite/Sesion.h"

void GrabarErrorTabla(const QString& sentencia, QString& proceso, int32_t numero,
                      const QString& descripcion) {
    Dll_Datos& datos = Componentes::Datos();
    RecordsetPtr rs;
    Rutina grabar(TrampaOmitir());
    grabar
        .paso([&] {
            if (proceso.isEmpty()) proceso = Proceso::NombreEjecutable();
        })
        .paso([&] {
            datos.AbrirRecordset(QStringLiteral("select  top 1 * from AUX_ERR  with(nolock) "), rs, nullptr,
                                 2, 3, -1, true);
        })
        .paso([&] { rs->AddNew(); })
        // Una columna que falta o que rechaza su valor no impide grabar las demás.
        .paso([&] { rs->SetField(QStringLiteral("Proceso"), Proceso::NombreEjecutable()); })
        .paso([&] {
            rs->SetField(QStringLiteral("fecha"),
                         Regional::Formato(QDateTime::currentDateTime(), FormatoFechaHora()));
        })
        .paso([&] { rs->SetField(QStringLiteral("Error"), numero); })
        .paso([&] {
            rs->SetField(QStringLiteral("Descripcion"),
                         Componentes::Funciones().LimitarLargo(descripcion, 250));
        })
        .paso([&] { rs->SetField(QStringLiteral("SQL"), sentencia); })
        .paso([&] { rs->SetField(QStringLiteral("PC"), Componentes::Sistema().NombreEquipo()); })
        .paso([&] { rs->SetField(QStringLiteral("Usuario"), sesion().Usuario); })
        .paso([&] { rs->Update(); })
        .paso([&] { datos.CerrarRecordset(rs); });
    grabar.correr();
}
