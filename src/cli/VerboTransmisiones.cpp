// garantias-cli transmisiones | filas NUMERO, con --conexion "CADENA": lo que muestran las dos
// grillas de la pestaña "Consultar".
#include <functional>
#include <map>

#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "data/DiarioCorridas.h"
#include "data/Dll_Datos.h"
#include "import/ModeloVentana.h"
#include "import/VentanaImportacion.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"

namespace {

// Cada fila de la grilla, sin la columna fija ni la fila vacía del final; detrás, lo que agregue
// mas (con la fila de títulos, f = 0).
void Imprimir(
    const ModeloGrilla& g, Salida& salida,
    const std::function<QStringList(int f)>& mas = [](int) { return QStringList(); }) {
    for (int f = 0; f < g.Rows(); ++f) {
        QStringList celdas;
        bool vacia = true;
        for (int c = 1; c < g.Cols(); ++c) {
            celdas << g.TextMatrix(f, c);
            vacia = vacia && celdas.back().isEmpty();
        }
        if (!vacia) salida.linea((celdas + mas(f)).join('\t'));
    }
}

// Lo que el diario sabe de cada transmisión, en columnas detrás de las de la grilla (vacías si el
// diario no la tiene), y si está anulada.
std::function<QStringList(int)> ColumnasDelDiario(const ModeloGrilla& g) {
    std::map<int32_t, CorridaDiario> corridas;
    DiarioCorridas diario(Componentes::Datos(), &FechaServidor, &AnotarAviso);
    for (CorridaDiario& c : diario.historial({})) {
        if (c.transmision > 0) corridas[c.transmision] = std::move(c);
    }
    return [&g, corridas = std::move(corridas)](int f) {
        if (f == 0) {
            return QStringList{QStringLiteral("Archivo"),   QStringLiteral("Leídas"),
                               QStringLiteral("Agregadas"), QStringLiteral("Ya guardadas"),
                               QStringLiteral("Sin serie"), QStringLiteral("Fallidas"),
                               QStringLiteral("Resultado"), QStringLiteral("Anulada")};
        }
        const auto it = corridas.find(g.TextMatrix(f, 1).toInt());
        QStringList celdas;
        if (it == corridas.end()) {
            celdas = QStringList(7, QString());
        } else {
            const CorridaDiario& c = it->second;
            celdas = {Celda(c.archivo),
                      QString::number(c.leidas),
                      QString::number(c.agregadas),
                      QString::number(c.yaGuardadas),
                      QString::number(c.sinSerie),
                      QString::number(c.fallidas),
                      c.resultado};
        }
        return celdas << (g.marcada(f) ? QStringLiteral("sí") : QString());
    };
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
    Imprimir(modelo.MSFlexGrid1, salida, ColumnasDelDiario(modelo.MSFlexGrid1));
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
    return {
        QStringLiteral("transmisiones"),
        QStringLiteral("transmisiones --conexion \"CADENA\""),
        QStringLiteral("Lista las transmisiones, la más nueva primero, separadas por tabuladores con una "
                       "línea de títulos: número, usuario, fecha y hora; después, lo que dice el diario de "
                       "importaciones (archivo, filas leídas, agregadas, ya guardadas, sin serie y fallidas, "
                       "resultado) y si está anulada."),
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
