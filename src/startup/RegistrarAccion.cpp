#include "startup/RegistrarAccion.h"

#include <QRegularExpression>
#include <functional>

#include "data/ConstructorSentencias.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "platform/Rutina.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"
#include "suite/Sesion.h"

namespace {

QString Texto(const QString& valor) {
    return Componentes::Datos().FormatearValor(valor, QStringLiteral("'"));
}

// El complemento va sin comillas cuando es un número; cualquier otra cosa va como literal de
// texto, para que un valor nunca cambie el sentido de la sentencia.
QString Complemento(const QString& complemento) {
    static const QRegularExpression numero(QStringLiteral(R"(^\s*[-+]?\d+(\.\d+)?\s*$)"));
    return numero.match(complemento).hasMatch() ? complemento : Texto(complemento);
}

QString TipoAccion(bool nuevo, bool modificacion, bool error) {
    if (error) return QStringLiteral("'ER'");
    if (nuevo) return QStringLiteral("'A'");
    if (modificacion) return QStringLiteral("'M'");
    return QStringLiteral("'B'");
}

}  // namespace

void RegistrarAccion(const QString& tipoComprobante, const QString& idComprobante, QString& complemento,
                     bool nuevo, bool modificacion, const QString& detalle, const QString& cuenta,
                     bool error) {
    Dll_Datos& datos = Componentes::Datos();
    Dll_Funciones& f = Componentes::Funciones();
    ListaCampos& campos = Campos();
    QString sentencia;

    // Cada columna es un paso: la que falla queda vacía y la sentencia, inválida, no se graba.
    auto columna = [&campos](int i, const char* nombre, std::function<QString()> literal) {
        return [&campos, i, nombre, literal] {
            if (static_cast<std::size_t>(i) >= campos.size()) {
                throw ErrorEjecucion(9, QStringLiteral("El subíndice está fuera del intervalo."));
            }
            CampoSentencia& c = campos[static_cast<std::size_t>(i)];
            c.Campo = QString::fromLatin1(nombre);
            c.Literal = literal();
        };
    };

    Rutina registrar(TrampaOmitir());
    registrar.paso([&] {
        if (complemento.isEmpty()) complemento = QStringLiteral("0");
    });
    registrar.paso([&] { campos.assign(11, CampoSentencia{}); });
    registrar.paso(columna(0, "TC", [&] { return Texto(f.FormatearCodigo(tipoComprobante.trimmed(), 4)); }));
    registrar.paso(columna(1, "IdComprobante", [&] { return Texto(idComprobante); }));
    registrar.paso(columna(2, "IdComplemento", [&] { return Complemento(complemento); }));
    registrar.paso(columna(3, "Tipo_accion", [&] { return TipoAccion(nuevo, modificacion, error); }));
    // La hora del servidor en una forma que la base embebida y SQL Server (SET DATEFORMAT dmy,
    // que fija el proveedor ODBC) leen igual como fecha y hora.
    registrar.paso(columna(4, "FECHAHORA", [] {
        return Texto(Regional::Formato(FechaServidor(), QStringLiteral("dd/mm/yyyy hh:nn:ss")));
    }));
    registrar.paso(columna(5, "Usuario", [] { return Texto(sesion().Usuario); }));
    registrar.paso(columna(6, "PC", [] { return Texto(Componentes::Sistema().NombreEquipo()); }));
    registrar.paso(columna(7, "SYSTEMUSER", [&] { return Texto(f.LimitarLargo(detalle, 255).trimmed()); }));
    registrar.paso(columna(8, "Proceso", [&] {
        return Texto(
            f.LimitarLargo(Proceso::NombreEjecutable().trimmed() + ' ' + sesion().ParametroAdicional, 255));
    }));
    registrar.paso(columna(9, "ProcesoLote", [] { return QStringLiteral("''"); }));
    registrar.paso(
        columna(10, "Cuenta", [&] { return Texto(f.LimitarLargo(cuenta.trimmed(), 15).trimmed()); }));
    registrar.paso([&] {
        sentencia = QStringLiteral(" INSERT INTO V_MV_CPTEACCIONES ");
        CompletarInsert(sentencia, campos);
    });
    registrar.paso([&] { datos.EjecutarSQL(sentencia, 0, nullptr); });
    // La lista de errores de la conexión dice si la fila se grabó; no se informa a nadie.
    registrar.correr();
}
