// garantias-cli anular NUMERO [--si] --conexion "CADENA": anula una transmisión importada por este
// programa.
#include <QTextStream>
#include <limits>

#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "import/AnulacionTransmision.h"
#include "platform/Proceso.h"

namespace {

int CodigoDe(const EstadoAnulacion& e) {
    switch (e.motivo) {
        case EstadoAnulacion::Lista:
            return Codigo::Bien;
        case EstadoAnulacion::NoExiste:
            return Codigo::NoEncontrado;
        default:
            return Codigo::Falla;
    }
}

// La pregunta, por la salida de errores; sí con "s", "si" o "sí". Sin respuesta (la entrada no
// trae nada), no.
bool Confirmar(const QString& pregunta) {
    QTextStream errores(stderr);
    errores << pregunta << " [s/N] ";
    errores.flush();
    QTextStream entrada(stdin);
    const QString leida = entrada.readLine();
    if (leida.isNull()) errores << '\n';  // sin respuesta: el mensaje que sigue va en su línea
    errores.flush();
    const QString respuesta = leida.trimmed().toLower();
    return respuesta == QLatin1String("s") || respuesta == QLatin1String("si") ||
           respuesta == QStringLiteral("sí");
}

int Anulacion(const Argumentos& a, Salida& salida) {
    bool ok = false;
    const qlonglong numero = a.sueltos.value(0).toLongLong(&ok);
    if (a.sueltos.size() != 1 || !ok || numero <= 0 || numero > std::numeric_limits<int32_t>::max())
        throw ErrorUso(QStringLiteral("anular necesita el número de una transmisión"));
    const int32_t n = static_cast<int32_t>(numero);
    // Un inicio que no termina sale en el acto: también dice que no se anuló.
    const int despedida = Proceso::AlTerminar(
        [&salida, n] { salida.error(QStringLiteral("no se anuló la transmisión %1").arg(n)); });
    IniciarSesionCli(a);
    Proceso::QuitarAvisoAlTerminar(despedida);
    const EstadoAnulacion antes = PrepararAnulacion(n);
    if (antes.motivo != EstadoAnulacion::Lista) {
        salida.error(antes.mensaje);
        return CodigoDe(antes);
    }
    if (!a.tiene(QStringLiteral("si")) && !Confirmar(antes.pregunta())) {
        salida.error(QStringLiteral("no se anuló la transmisión %1").arg(n));
        return Codigo::Falla;
    }
    const EstadoAnulacion hecha = Anular(n);
    if (hecha.motivo != EstadoAnulacion::Lista) {
        salida.error(hecha.mensaje);
        return CodigoDe(hecha);
    }
    salida.linea(QStringLiteral("Transmisión %1 anulada: %2 filas borradas.").arg(n).arg(hecha.filas));
    return Codigo::Bien;
}

}  // namespace

Verbo VerboAnular() {
    return {
        QStringLiteral("anular"),
        QStringLiteral("anular NUMERO [--si] --conexion \"CADENA\""),
        QStringLiteral(
            "Anula una transmisión que importó este programa: borra sus filas de AUX_GARANTIA (sus series "
            "se pueden importar de nuevo), la marca anulada en MV_TRANSMISIONES (sigue listada y su "
            "número no se vuelve a dar) y lo anota en el diario y en el registro de acciones, todo o "
            "nada. Antes dice qué borrará y pregunta. Termina con 3 si la transmisión no existe y con 1 "
            "si ya estaba anulada, si no la importó este programa o si su importación sigue en curso."),
        {OpcionConexion(), {QStringLiteral("si"), {}, QStringLiteral("anula sin preguntar")}},
        &Anulacion};
}
