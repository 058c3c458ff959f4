#include "suite/ScriptTransaccion.h"

#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Rutina.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/RegistroErrorTabla.h"

namespace {

constexpr int32_t kClaveDuplicada = 2627;
constexpr int32_t kConflictoRestriccion = 547;
const QChar kCR = u'\r';

// Corre una sentencia de control cuyo resultado no importa.
void EnviarSinMirar(Dll_Datos& datos, const QString& sql) {
    try {
        datos.EjecutarSQL(sql, 0, nullptr);
    } catch (const ErrorEjecucion&) {
    }
}

}  // namespace

void GActualizarDatoScript(const ListaSentencias& sentencias, bool& hayError, int32_t& codigoError,
                           bool ignorarDuplicado, bool ignorarReferencia, QString& script, QString& mensaje,
                           bool mostrarMensaje) {
    Dll_Datos& datos = Componentes::Datos();
    QString texto;
    QString lineas;
    int32_t codigo = 0;
    bool conErrores = false;
    // Enviado el script, la transacción queda abierta hasta el COMMIT o el ROLLBACK.
    bool transaccionAbierta = false;

    Rutina correr([&](const ErrorEjecucion& e) {
        return RespuestaDelOperador(AvisoError(e, std::nullopt, QStringLiteral("GActualizarDatoScript")));
    });
    correr.paso([&] { hayError = false; });
    correr.paso([&] {
        texto.clear();
        for (const QString& s : sentencias) {
            if (!s.trimmed().isEmpty()) texto += kCR + s;
        }
    });
    correr.paso([&] {
        if (texto.isEmpty()) correr.terminar();
    });
    correr.paso([&] {
        texto = QStringLiteral("BEGIN TRANSACTION ") + kCR + kCR + texto + kCR;
        script = texto;
    });
    correr.paso([&] {
        transaccionAbierta = true;
        EnviarSinMirar(datos, texto);
    });
    correr.paso([&] { conErrores = datos.conexion().Errors().Count() > 0; });
    // Con errores: mensaje, ROLLBACK, fila en AUX_ERR y, si corresponde, el cuadro.
    correr.paso([&] {
        if (!conErrores) return;
        const ListaErrores& errores = datos.conexion().Errors();
        hayError = true;
        codigo = errores.Item(0).nativo;
        lineas.clear();
        // Con dos errores o más, el último de la colección no entra en el mensaje.
        const int hasta = errores.Count() == 1 ? 1 : errores.Count() - 1;
        for (int i = 0; i < hasta; ++i) {
            lineas += QString::number(errores.Item(i).nativo) + QStringLiteral(" : ") +
                      errores.Item(i).descripcion + QStringLiteral("\r\n");
            mensaje = lineas;
        }
        if ((ignorarDuplicado && codigo == kClaveDuplicada) ||
            (ignorarReferencia && codigo == kConflictoRestriccion)) {
            mensaje = errores.Item(0).descripcion;
            lineas.clear();
        }
    });
    correr.paso([&] {
        if (conErrores) datos.conexion().Errors().Clear();
    });
    correr.paso([&] {
        if (!conErrores) return;
        EnviarSinMirar(datos, QStringLiteral("ROLLBACK TRANSACTION"));
        transaccionAbierta = false;
        hayError = true;
    });
    correr.paso([&] {
        if (!conErrores) return;
        QString proceso = Proceso::NombreEjecutable();
        GrabarErrorTabla(texto, proceso, codigo, lineas);
    });
    correr.paso([&] {
        if (conErrores && !lineas.trimmed().isEmpty() && mostrarMensaje) {
            MsgBox(lineas, Botones::Aceptar | Botones::IconoCritico, QStringLiteral("Aviso al Operador!"));
        }
    });
    correr.paso([&] {
        if (conErrores) return;
        datos.EjecutarSQL(QStringLiteral("COMMIT TRANSACTION"), 0, nullptr);
        // Un COMMIT que el motor rechaza deja la transacción abierta: es una falla de la rutina.
        const ListaErrores& errores = datos.conexion().Errors();
        if (errores.Count() > 0) {
            throw ErrorEjecucion(errores.Item(0).nativo, errores.Item(0).descripcion, errores.Item(0).origen);
        }
        transaccionAbierta = false;
    });
    correr.paso([&] { codigoError = codigo; });

    correr.correr();
    // Quien abandona (o salta un COMMIT fallido) no deja una transacción abierta en la conexión.
    if (transaccionAbierta) EnviarSinMirar(datos, QStringLiteral("ROLLBACK TRANSACTION"));
}
