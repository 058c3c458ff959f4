#include "config/RegistrarAcceso.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <cstdio>

#include "data/ConstructorSentencias.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "platform/Rutina.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"
#include "suite/ScriptTransaccion.h"
#include "suite/Sesion.h"

namespace {

// La rutina es común a los programas de la suite, y su tabla habla de otros programas: alias
// (ejecutable -> proceso con el que se guardan sus permisos), ejecutables que no buscan tarea y
// ejecutables que nunca se anotan. Este programa no está en ninguna, así que quedan vacías.
const QHash<QString, QString>& AliasDeProceso() {
    static const QHash<QString, QString> alias;
    return alias;
}
const QSet<QString>& SinBusquedaDeTarea() {
    static const QSet<QString> ejecutables;
    return ejecutables;
}
const QSet<QString>& NuncaAnotados() {
    static const QSet<QString> ejecutables;
    return ejecutables;
}

// El número con que la base dice que se venció la espera de un bloqueo ajeno.
constexpr int32_t kEsperaVencida = 1222;

bool Igual(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

void RegistrarAcceso(const QString& formulario) {
    Dll_Datos& datos = Componentes::Datos();
    Sesion& s = sesion();
    const QString ejecutable = Proceso::NombreEjecutable();
    const QString clave = ejecutable.toUpper();
    QString proceso;
    QString tarea;
    RecordsetPtr rs;
    ListaSentencias sentencias;

    Rutina registrar(TrampaOmitir());
    // 1. El proceso.
    registrar.paso([&] { proceso = formulario.isEmpty() ? ejecutable : formulario; });
    // 2. Sin usuario de la aplicación, el de la base.
    registrar.paso([&] {
        if (s.Usuario.isEmpty()) s.Usuario = datos.NombreUsuario;
    });
    // 3. La tabla de otros programas de la suite.
    std::size_t pasoAnotar = 0;
    registrar.paso([&] {
        if (NuncaAnotados().contains(clave))
            registrar.terminar();
        else if (AliasDeProceso().contains(clave))
            proceso = AliasDeProceso().value(clave);
        if (SinBusquedaDeTarea().contains(clave)) registrar.irA(pasoAnotar);
    });
    // 4. La tarea. El nombre va como literal (comillas duplicadas), así un apóstrofo no rompe
    // la consulta; el blanco antes de la comilla de cierre es parte del texto de siempre.
    registrar.paso([&] {
        const QString literal = datos.FormatearValor(s.Usuario, QStringLiteral("'"));
        const QString usuario = literal.mid(1, literal.size() - 2);
        const QString sql =
            QStringLiteral("SELECT TA_TAREAS.USUARIO, TA_MENU.Proceso, TA_MENU.Clave , TA_MENU.Nombre ") +
            QStringLiteral(
                " FROM TA_TAREAS  with(nolock) INNER JOIN TA_MENU ON TA_TAREAS.TAREA = TA_MENU.Clave ") +
            QStringLiteral(" WHERE (TA_TAREAS.USUARIO = '") + usuario +
            QStringLiteral(" ') AND (TA_MENU.Proceso LIKE '%") + proceso + QStringLiteral("%')");
        datos.AbrirRecordset(sql, rs, nullptr, 0, 1, -1, true);
    });
    // Con la consulta fallida, leer el recordset vacío falla y la tarea queda vacía.
    registrar.paso([&] {
        if (!rs->EOF_()) {
            tarea = Componentes::Funciones().ValorNoNulo(rs->Field(QStringLiteral("Nombre")));
        } else if (Igual(datos.NombreBase, datos.NombreUsuario) ||
                   Igual(datos.NombreUsuario, QStringLiteral("SUPERVISOR VELTROM MC"))) {
            tarea = ejecutable;
        } else {
            tarea.clear();
        }
    });
    registrar.paso([&] { datos.CerrarRecordset(rs); });
    // 5. Este ejecutable no se anota.
    pasoAnotar = registrar.cantidad();
    registrar.paso([&] {
        if (Igual(ejecutable, QStringLiteral("CN000PR"))) registrar.terminar();
    });
    // 6. La fila, por el constructor de sentencias (que quita los apóstrofos de cada valor).
    registrar.paso([&] { sentencias = ListaSentencias{QString()}; });
    registrar.paso([&] {
        QString maquina = Componentes::Sistema().NombreEquipo().trimmed().toUpper();
        AgregarCampo(QStringLiteral("Maquina"), maquina, true);
    });
    registrar.paso([&] {
        QString usuario = s.Usuario.trimmed().toUpper();
        AgregarCampo(QStringLiteral("Usuario"), usuario, false);
    });
    registrar.paso([&] {
        QString formularioFila = proceso.trimmed().toUpper();
        AgregarCampo(QStringLiteral("Formulario"), formularioFila, false);
    });
    registrar.paso([&] {
        QString tareaFila = tarea.trimmed().toUpper();
        AgregarCampo(QStringLiteral("Tarea"), tareaFila, false);
    });
    registrar.paso([&] {
        QString ingreso = Regional::Formato(FechaServidor(), FormatoFecha() + ' ' + FormatoHora());
        AgregarCampo(QStringLiteral("Ingreso"), ingreso, false);
    });
    // El nombre tal cual, por referencia: la sesión también pierde sus apóstrofos.
    registrar.paso([&] { AgregarCampo(QStringLiteral("NombreUsuario"), s.Usuario, false); });
    registrar.paso([&] { ArmarSentencia(Campos(), sentencias, QStringLiteral("Control_Acceso")); });
    registrar.paso([&] {
        bool hayError = false;
        int32_t codigo = 0;
        QString script, mensaje;
        GActualizarDatoScript(sentencias, hayError, codigo, false, false, script, mensaje, true);
        // La espera vencida que acaba de decir el cuadro no termina el programa: lo que sigue
        // vuelve a esperar a la base. Dicho, quien mira la consola no lo toma por un cuelgue.
        if (hayError && codigo == kEsperaVencida) {
            const QByteArray texto =
                (QStringLiteral("%1: el ingreso no se anotó en Control_Acceso; el programa sigue y vuelve a "
                                "esperar a que la otra estación libere la base (Ctrl-C lo detiene).\n")
                     .arg(QCoreApplication::instance() ? QCoreApplication::applicationName() : ejecutable))
                    .toUtf8();
            std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stderr);
        }
    });
    registrar.correr();
}
