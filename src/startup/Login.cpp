#include "startup/Login.h"

#include <QStringList>

#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "startup/RegistrarAccion.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

namespace {
std::unique_ptr<DialogoAcceso>& Dialogo() {
    static std::unique_ptr<DialogoAcceso> dialogo;
    return dialogo;
}

const QString kMarcaClave = QStringLiteral("* *");

// Una consulta del ingreso que falla va a la trampa del inicio, que salta sólo las fallas de
// argumento (5). Saltar el ingreso dejaría entrar sin validar: esa falla sale con otro número.
template <typename F>
auto SinSaltarIngreso(F consulta) {
    try {
        return consulta();
    } catch (const ErrorEjecucion& e) {
        if (e.numero() != Errores::ArgumentoInvalido) throw;
        throw ErrorEjecucion(Errores::ProveedorFallo, e.descripcion(), e.origen());
    }
}

// Los valores de la conexión principal, para volver a ellos después del cuadro: el registro de
// una conexión la deja cerrada y con los valores del cuadro.
struct ValoresConexion {
    QString servidor, base, usuario, clave, parametro;
    static ValoresConexion De(const Dll_Datos& d) {
        return {d.NombreServidor, d.NombreBase, d.NombreUsuario, d.ClaveUsuario, d.ParametroConexion};
    }
    void restaurar(Dll_Datos& d) const {
        if (d.NombreServidor == servidor && d.NombreBase == base && d.NombreUsuario == usuario &&
            d.ClaveUsuario == clave && d.ParametroConexion == parametro) {
            return;
        }
        if (d.Conectado()) d.conexion().Close();
        d.NombreServidor = servidor;
        d.NombreBase = base;
        d.NombreUsuario = usuario;
        d.ClaveUsuario = clave;
        d.ParametroConexion = parametro;
    }
};
}  // namespace

std::unique_ptr<DialogoAcceso> InstalarDialogoAcceso(std::unique_ptr<DialogoAcceso> dialogo) {
    std::swap(Dialogo(), dialogo);
    return dialogo;
}

QStringList SistemasAceptados() {
    if (Proceso::NombreEjecutable().compare(QLatin1String("VORLIK"), Qt::CaseInsensitive) == 0) {
        return {QStringLiteral("VORLIK")};
    }
    return {QStringLiteral("cn000pr"), QStringLiteral("ORVA")};
}

void BuscarClaveSesion() {
    Sesion& s = sesion();
    if (s.Clave != kMarcaClave) return;
    Dll_Datos& datos = Componentes::Datos();
    SinSaltarIngreso([&] {
        RecordsetPtr rs;
        datos.AbrirRecordset(QStringLiteral("Select * from ta_usuarios  with(nolock)  where Nombre = ") +
                                 datos.FormatearValor(s.Usuario, QStringLiteral("'")),
                             rs, nullptr, 0, 1, -1, true);
        if (!rs->EOF_()) {
            const Dll_Funciones& f = Componentes::Funciones();
            s.Clave = f.Desencriptar(f.ValorNoNulo(rs->Field(QStringLiteral("gUsuarioClave"))));
        }
        datos.CerrarRecordset(rs);
        return 0;
    });
}

bool ValidarUsuario(const QString& usuario, const QString& clave) {
    Dll_Datos& datos = Componentes::Datos();
    if (usuario.compare(datos.NombreBase, Qt::CaseInsensitive) == 0) return true;
    return SinSaltarIngreso([&] {
        QStringList condiciones;
        for (const QString& sistema : SistemasAceptados()) {
            condiciones << QStringLiteral("SISTEMA = ") + datos.FormatearValor(sistema, QStringLiteral("'"));
        }
        RecordsetPtr rs;
        datos.AbrirRecordset(QStringLiteral("SELECT * FROM TA_USUARIOS WHERE NOMBRE = ") +
                                 datos.FormatearValor(usuario.trimmed(), QStringLiteral("'")) +
                                 QStringLiteral(" AND (") + condiciones.join(QStringLiteral(" OR ")) + ')',
                             rs, &datos.conexion(), 0, 1, -1, true);
        bool valido = false;
        if (!rs->EOF_()) {
            const Dll_Funciones& f = Componentes::Funciones();
            valido = f.Desencriptar(f.ValorNoNulo(rs->Field(QStringLiteral("Password"))))
                         .compare(clave, Qt::CaseInsensitive) == 0;
        }
        datos.CerrarRecordset(rs);
        return valido;
    });
}

ResultadoIngreso Ingreso() {
    Sesion& s = sesion();
    Dll_Datos& datos = Componentes::Datos();

    BuscarClaveSesion();
    if (ValidarUsuario(s.Usuario, s.Clave)) return {};
    MsgBox(QStringLiteral("El usuario o clave en la base de datos es incorrecto!\r\nIntentelo nuevamente"),
           Botones::Aceptar | Botones::IconoCritico, QStringLiteral("Atencion!"));
    // Sin cuadro de acceso (la línea de comandos) no hay a quién preguntar otra vez.
    if (!Dialogo()) Proceso::Terminar(1);

    for (int intento = 1; intento <= 3; ++intento) {
        const ValoresConexion antes = ValoresConexion::De(datos);
        Dialogo()->MostrarModal(datos.NombreBase, datos.NombreServidor, s.Usuario, s.Clave);
        const QString base = Dialogo()->TxtDbName();
        const QString servidor = Dialogo()->TxtServidor();
        // La validación consulta la base en la que se abrió la sesión.
        antes.restaurar(datos);
        if (ValidarUsuario(s.Usuario, s.Clave)) {
            if (base.compare(datos.NombreBase, Qt::CaseInsensitive) == 0 &&
                servidor.compare(datos.NombreServidor, Qt::CaseInsensitive) == 0) {
                return {};
            }
            return {true, base, servidor};
        }
        MsgBox(QStringLiteral("Usuario o Clave incorrecta"), Botones::Aceptar | Botones::IconoInformacion,
               QStringLiteral("Atencion"));
        QString complemento = QStringLiteral("0");
        RegistrarAccion(QString(), QString(), complemento, true, false,
                        QStringLiteral("Intento de inicio de sesion fallido"), QString(), false);
    }
    MsgBox(QStringLiteral(
               "Demasiados intentos para iniciar sesión!\r\nComuniquese con el administrador de sistemas"),
           Botones::Aceptar | Botones::IconoCritico, QStringLiteral("Atencion!"));
    Proceso::Terminar(1);
}
