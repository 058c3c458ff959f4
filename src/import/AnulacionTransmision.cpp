#include "import/AnulacionTransmision.h"

#include "ado/Transaccion.h"
#include "ado/Valores.h"
#include "data/CuentaTransmision.h"
#include "data/DiarioCorridas.h"
#include "platform/Regional.h"
#include "startup/RegistrarAccion.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"
#include "suite/Sesion.h"

namespace {

DiarioCorridas Diario() { return DiarioCorridas(Componentes::Datos(), &FechaServidor, &AnotarAviso); }

// La falla de la última sentencia, si la base la rechazó.
void ExigirSinErrores() {
    ListaErrores& errores = Componentes::Datos().conexion().Errors();
    if (errores.Count() > 0) throw ErrorEjecucion(errores.Item(0).nativo, errores.Item(0).descripcion);
}

// Lo que hay de la transmisión. conBloqueo: dentro de la transacción de la anulación, el registro
// queda retenido hasta el final (en la base embebida la transacción ya tiene el de escritura).
EstadoAnulacion Mirar(int32_t numero, bool conBloqueo) {
    Dll_Datos& datos = Componentes::Datos();
    EstadoAnulacion e;
    e.numero = numero;
    RecordsetPtr rs;
    datos.AbrirRecordset(QStringLiteral("SELECT Fecha, Hora, Anulado FROM MV_TRANSMISIONES") +
                             (conBloqueo ? QStringLiteral(" WITH (UPDLOCK, HOLDLOCK)") : QString()) +
                             QStringLiteral(" WHERE TIPO='S' AND Transmision=") + QString::number(numero),
                         rs, nullptr, 0, 1, -1, true);
    if (rs->EOF_()) {
        datos.CerrarRecordset(rs);
        e.motivo = EstadoAnulacion::NoExiste;
        e.mensaje = QStringLiteral("No existe la transmisión %1.").arg(numero);
        return e;
    }
    e.fecha = TextoValor(rs->Field(0)) + ' ' + TextoValor(rs->Field(1));
    const bool anulada = NumeroValor(rs->Field(2)) != 0;
    datos.CerrarRecordset(rs);

    DiarioCorridas diario = Diario();
    const std::optional<CorridaDiario> corrida = diario.deTransmision(numero);
    if (anulada) {
        e.motivo = EstadoAnulacion::YaAnulada;
        e.mensaje = QStringLiteral("La transmisión %1 ya está anulada").arg(numero);
        if (corrida && corrida->anulada.isValid()) {
            e.mensaje += QStringLiteral(" (el %1, por %2)")
                             .arg(Regional::Formato(corrida->anulada, QStringLiteral("DD/MM/YYYY HH:MM")),
                                  corrida->anuladaPor);
        }
        e.mensaje += '.';
        return e;
    }
    if (!corrida) {
        e.motivo = EstadoAnulacion::Ajena;
        e.mensaje = diario.disponible()
                        ? QStringLiteral(
                              "La transmisión %1 no la importó este programa (no está en su diario de "
                              "importaciones): no se anula.")
                              .arg(numero)
                        : QStringLiteral(
                              "Esta base no tiene el diario de importaciones (GARANTIAS_CORRIDAS): no "
                              "se puede saber qué transmisiones importó este programa, y no se anula "
                              "ninguna.");
        return e;
    }
    e.archivo = corrida->archivo;
    if (corrida->resultado == ResultadoCorrida::kEnCurso) {
        e.motivo = EstadoAnulacion::EnCurso;
        e.mensaje = QStringLiteral(
                        "La transmisión %1 todavía se está importando (estación %2, usuario %3): se "
                        "puede anular cuando termine.")
                        .arg(numero)
                        .arg(corrida->estacion, corrida->usuario);
        return e;
    }
    e.filas = FilasDeTransmision(datos, numero);
    e.motivo = EstadoAnulacion::Lista;
    return e;
}

EstadoAnulacion Fallo(int32_t numero, const QString& descripcion) {
    EstadoAnulacion e;
    e.numero = numero;
    e.motivo = EstadoAnulacion::Fallo;
    e.mensaje = QStringLiteral("No se anuló la transmisión %1: %2").arg(numero).arg(descripcion);
    return e;
}

}  // namespace

QString EstadoAnulacion::pregunta() const {
    const QString cuales = filas == 1
                               ? QStringLiteral("Se borrará la única fila")
                               : QStringLiteral("Se borrarán las %1 filas").arg(Regional::TextoMiles(filas));
    return QStringLiteral("%1 de la transmisión %2 (archivo %3, %4). ¿Anular?")
        .arg(cuales)
        .arg(numero)
        .arg(archivo, fecha);
}

EstadoAnulacion PrepararAnulacion(int32_t numero) {
    try {
        Componentes::Datos().reabrirSiHaceFalta();
        return Mirar(numero, false);
    } catch (const ErrorEjecucion& e) {
        return Fallo(numero, e.descripcion());
    }
}

EstadoAnulacion Anular(int32_t numero) {
    Dll_Datos& datos = Componentes::Datos();
    try {
        datos.reabrirSiHaceFalta();
        Transaccion t(datos.conexion());
        EstadoAnulacion e = Mirar(numero, true);
        if (e.motivo != EstadoAnulacion::Lista) return e;
        const QString n = QString::number(numero);
        datos.EjecutarSQL(QStringLiteral("DELETE FROM AUX_GARANTIA WHERE nroTransmision=") + n);
        ExigirSinErrores();
        datos.EjecutarSQL(
            QStringLiteral("UPDATE MV_TRANSMISIONES SET Anulado=1 WHERE TIPO='S' AND Transmision=") + n);
        ExigirSinErrores();
        datos.EjecutarSQL(Diario().sentenciaAnular(numero, FechaServidor(), sesion().Usuario));
        ExigirSinErrores();
        // La baja queda en el registro de acciones, con el número como comprobante.
        QString complemento = QStringLiteral("0");
        RegistrarAccion(QString(), n, complemento, false, false,
                        QStringLiteral("Anulación de la transmisión %1: %2 filas borradas (archivo %3)")
                            .arg(n, QString::number(e.filas), e.archivo),
                        QString(), false);
        ExigirSinErrores();
        t.confirmar();
        return e;
    } catch (const ErrorEjecucion& e) {
        return Fallo(numero, e.descripcion());
    }
}
