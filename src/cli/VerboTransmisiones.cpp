// garantias-cli transmisiones | filas NUMERO, con --conexion "CADENA": lo que muestran las dos
// grillas de la pestaña "Consultar".
#include <limits>
#include <map>

#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "data/DiarioCorridas.h"
#include "data/Dll_Datos.h"
#include "data/FilasTransmision.h"
#include "data/ListaTransmisiones.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"

namespace {

// Lo que el diario sabe de cada transmisión, en columnas detrás de las de la lista (vacías si el
// diario no la tiene), y si está anulada.
class ColumnasDelDiario {
  public:
    ColumnasDelDiario() {
        DiarioCorridas diario(Componentes::Datos(), &FechaServidor, &AnotarAviso);
        for (CorridaDiario& c : diario.historial({})) {
            if (c.transmision > 0) corridas_[c.transmision] = std::move(c);
        }
    }
    static QStringList titulos() {
        return {QStringLiteral("Archivo"),      QStringLiteral("Leídas"),    QStringLiteral("Agregadas"),
                QStringLiteral("Ya guardadas"), QStringLiteral("Sin serie"), QStringLiteral("Fallidas"),
                QStringLiteral("Resultado"),    QStringLiteral("Anulada")};
    }
    QStringList de(const TransmisionListada& t) const {
        const auto it = corridas_.find(t.numero.toInt());
        QStringList celdas;
        if (it == corridas_.end()) {
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
        return celdas << (t.anulada ? QStringLiteral("sí") : QString());
    }

  private:
    std::map<int32_t, CorridaDiario> corridas_;
};

int Transmisiones(const Argumentos& a, Salida& salida) {
    if (!a.sueltos.isEmpty()) throw ErrorUso(QStringLiteral("transmisiones no lleva argumentos"));
    IniciarSesionCli(a);
    Dll_Datos& datos = Componentes::Datos();
    try {
        const ColumnasDelDiario diario;
        salida.linea((QStringList{QStringLiteral("Nro"), QStringLiteral("Usuario"), QStringLiteral("Fecha")} +
                      ColumnasDelDiario::titulos())
                         .join('\t'));
        ListarTransmisiones(datos, [&](const TransmisionListada& t) {
            salida.linea((QStringList{t.numero, t.usuario, t.fechaHora} + diario.de(t)).join('\t'));
        });
    } catch (const ErrorEjecucion& e) {
        salida.error(QStringLiteral("la lista de transmisiones no se leyó entera: %1").arg(e.descripcion()));
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
    Dll_Datos& datos = Componentes::Datos();
    int64_t cantidad = 0;
    salida.linea(QStringLiteral("Modelo\tSerie\tECA1"));
    try {
        // Un número que no cabe en una transmisión no es ninguna.
        if (numero > std::numeric_limits<int32_t>::max()) {
            salida.error(QStringLiteral("no existe la transmisión %1").arg(numero));
            return Codigo::NoEncontrado;
        }
        // De a tramos, como las muestra la ventana: la memoria no crece con la transmisión.
        FilasTransmision filas(datos, static_cast<int32_t>(numero));
        cantidad = filas.cantidad();
        for (int64_t i = 0; i < cantidad; ++i) {
            const FilasTransmision::Fila& f = filas.fila(i);
            if (f.modelo.isEmpty() && f.serie.isEmpty() && f.eca1.isEmpty()) continue;
            salida.linea(QStringList{f.modelo, f.serie, f.eca1}.join('\t'));
        }
        if (cantidad == 0 && !ExisteTransmision(datos, numero)) {
            salida.error(QStringLiteral("no existe la transmisión %1").arg(numero));
            return Codigo::NoEncontrado;
        }
    } catch (const ErrorEjecucion& e) {
        salida.error(QStringLiteral("las filas de la transmisión %1 no se leyeron enteras: %2")
                         .arg(numero)
                         .arg(e.descripcion()));
        return Codigo::Falla;
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
