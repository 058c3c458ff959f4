// garantias-cli transmisiones | filas NUMERO, con --conexion "CADENA": lo que muestran las dos
// grillas de la pestaña "Consultar".
#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "data/Dll_Datos.h"
#include "import/ModeloVentana.h"
#include "import/VentanaImportacion.h"
#include "suite/Componentes.h"

namespace {

void Imprimir(const ModeloGrilla& g, Salida& salida) {
    // Sin la columna fija ni la fila vacía del final.
    for (int f = 0; f < g.Rows(); ++f) {
        QStringList celdas;
        bool vacia = true;
        for (int c = 1; c < g.Cols(); ++c) {
            celdas << g.TextMatrix(f, c);
            vacia = vacia && celdas.back().isEmpty();
        }
        if (!vacia) salida.linea(celdas.join('\t'));
    }
}

// Si hay un registro de la transmisión (una transmisión sin filas se lista vacía, no es un error).
bool ExisteTransmision(qlonglong numero) {
    RecordsetPtr rs;
    Dll_Datos& datos = Componentes::Datos();
    datos.AbrirRecordset(
        QStringLiteral("SELECT Transmision FROM MV_TRANSMISIONES WHERE TIPO='S' AND Transmision=") +
            QString::number(numero),
        rs, nullptr, 0, 1, -1, true);
    const bool hay = !rs->EOF_();
    datos.CerrarRecordset(rs);
    return hay;
}

int Transmisiones(const Argumentos& a, Salida& salida) {
    if (!a.sueltos.isEmpty()) throw ErrorUso(QStringLiteral("transmisiones no lleva argumentos"));
    IniciarSesionCli(a);
    ModeloVentana modelo;
    VentanaImportacion ventana(modelo, nullptr);
    ventana.cargaTransmisiones();
    Imprimir(modelo.MSFlexGrid1, salida);
    if (!ventana.fallaConsulta().isEmpty()) {
        salida.error(
            QStringLiteral("la lista de transmisiones no se leyó entera: %1").arg(ventana.fallaConsulta()));
        return Codigo::Falla;
    }
    return Codigo::Bien;
}

int Filas(const Argumentos& a, Salida& salida) {
    bool ok = false;
    const qlonglong numero = a.sueltos.value(0).toLongLong(&ok);
    if (a.sueltos.size() != 1 || !ok || numero <= 0)
        throw ErrorUso(QStringLiteral("filas necesita el número de una transmisión"));
    IniciarSesionCli(a);
    ModeloVentana modelo;
    VentanaImportacion ventana(modelo, nullptr);
    modelo.MSFlexGrid1.setTextMatrix(1, 1, QString::number(numero));
    modelo.MSFlexGrid1.Row = 1;
    ventana.MSFlexGrid1_Click();
    Imprimir(modelo.MSFlexGrid3, salida);
    if (!ventana.fallaConsulta().isEmpty()) {
        salida.error(QStringLiteral("las filas de la transmisión %1 no se leyeron enteras: %2")
                         .arg(numero)
                         .arg(ventana.fallaConsulta()));
        return Codigo::Falla;
    }
    if (modelo.MSFlexGrid3.Rows() <= 2 && !ExisteTransmision(numero)) {
        salida.error(QStringLiteral("no existe la transmisión %1").arg(numero));
        return Codigo::NoEncontrado;
    }
    return Codigo::Bien;
}

}  // namespace

Verbo VerboTransmisiones() {
    return {QStringLiteral("transmisiones"),
            QStringLiteral("transmisiones --conexion \"CADENA\""),
            QStringLiteral("Lista las transmisiones, la más nueva primero: número, usuario, fecha y hora."),
            {OpcionConexion()},
            &Transmisiones};
}

Verbo VerboFilas() {
    return {QStringLiteral("filas"),
            QStringLiteral("filas NUMERO --conexion \"CADENA\""),
            QStringLiteral("Lista las filas de una transmisión: modelo, serie y ECA1."),
            {OpcionConexion()},
            &Filas};
}
