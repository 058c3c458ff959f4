#include "startup/ConectarEstadisticas.h"

#include <cstdio>

#include "data/AlmacenEmbebido.h"
#include "platform/Conversiones.h"
#include "platform/Proceso.h"
#include "platform/Rutina.h"
#include "suite/Componentes.h"
#include "suite/Configuracion.h"
#include "suite/Sesion.h"

void ConectarEstadisticas() {
    Dll_Datos& principal = Componentes::Datos();
    Dll_Datos& estadisticas = Componentes::DatosEstadisticas();
    Sesion& s = sesion();
    const QString kBase = AlmacenEmbebido::kEstadisticas;
    Rutina conectar(TrampaOmitir());
    conectar.paso([&] { s.TiempoEsperaComandos = 90; })
        .paso([&] {
            if (estadisticas.Conectado()) estadisticas.conexion().Close();
        })
        .paso([&] {
            estadisticas.ParametroConexion = principal.ParametroConexion;
            estadisticas.NombreServidor = principal.NombreServidor;
            estadisticas.NombreBase = kBase;
            estadisticas.NombreUsuario = kBase;
            estadisticas.ClaveUsuario = kBase;
        })
        .paso([&] { estadisticas.Conectar(false, 3, QString(), true, false); })
        .paso([&] {
            if (estadisticas.Conectado()) {
                estadisticas.conexion().setDefaultDatabase(kBase);
                return;
            }
            // Sin la base de estadísticas la configuración no se puede leer: el tiempo de espera
            // queda en 90 y la causa se dice una vez, con la ruta, en vez de un error de conexión
            // cerrada en cada lectura.
            const QByteArray texto =
                (QStringLiteral("%1: sin la base de estadísticas (se usa el tiempo de espera de 90 s): %2\n")
                     .arg(Proceso::NombreEjecutable(), estadisticas.UltimaFalla()))
                    .toUtf8();
            std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stderr);
            conectar.terminar();
        })
        .paso([&] {
            QString aux;
            s.TiempoEsperaComandos =
                Conversiones::CInt(Conversiones::Val(CfgQZ(QStringLiteral("TimeOut"), aux)));
        })
        .paso([&] {
            if (s.TiempoEsperaComandos == 0) {
                GrabaCfgQZ(QStringLiteral("TimeOut"), QVariant(static_cast<int>(s.TiempoEsperaComandos)),
                           QString(), false, QStringLiteral("BaseDeDatos"), true);
            }
        })
        .paso([&] {
            if (s.TiempoEsperaComandos == 0) s.TiempoEsperaComandos = 90;
        });
    conectar.correr();
}
