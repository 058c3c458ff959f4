// La pestaña "Consultar": la lista de transmisiones y las filas de la elegida.
#include <initializer_list>

#include "ado/Valores.h"
#include "data/DiarioCorridas.h"
#include "data/FilasTransmision.h"
#include "data/ListaTransmisiones.h"
#include "import/LineaTransmision.h"
#include "import/VentanaImportacion.h"
#include "platform/Conversiones.h"
#include "platform/Mensajes.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"

void VentanaImportacion::SSTab1_Click(int pestana) {
    if (m_.ocupado()) return;
    if (pestana == 1) cargaTransmisiones();
}

namespace {

// Deja la grilla con la fila de títulos y una de datos vacía, con el ancho de cada columna.
void VaciarConEncabezados(ModeloGrilla& g, std::initializer_list<std::pair<const char*, int>> columnas) {
    g.Clear();
    g.setRows(2);
    g.setCols(static_cast<int>(columnas.size()));
    int c = 0;
    for (const auto& [titulo, ancho] : columnas) {
        g.setTextMatrix(0, c, QString::fromUtf8(titulo));
        g.setColWidth(c, ancho);
        ++c;
    }
}

// La grilla de filas de una transmisión, sin filas.
void VaciarFilas(ModeloGrilla& g) {
    VaciarConEncabezados(g, {{"", 50}, {"Modelo", 2000}, {"Serie", 2500}, {"ECA1", 2000}});
}

// Lo que el diario dice de la transmisión; nada si no la tiene o no se puede leer (la falla se
// anota: la lista y las filas se muestran igual).
std::optional<CorridaDiario> CorridaDeTransmision(int32_t numero) {
    try {
        return DiarioCorridas(Componentes::Datos(), &FechaServidor, &AnotarAviso).deTransmision(numero);
    } catch (const ErrorEjecucion& e) {
        AnotarAviso(QStringLiteral("No se pudo leer el diario de importaciones: %1").arg(e.descripcion()));
        return std::nullopt;
    }
}

}  // namespace

void VentanaImportacion::cargaTransmisiones() {
    ModeloGrilla& g = m_.MSFlexGrid1;
    Dll_Datos& datos = Componentes::Datos();
    fallaConsulta_.clear();
    try {
        VaciarConEncabezados(g, {{"", 10}, {"Nro", 500}, {"Usuario", 1500}, {"Fecha", 1500}});
        ListarTransmisiones(datos, [&](const TransmisionListada& t) {
            m_.setLblEstadoTransmisiones(QStringLiteral("Cargando ") + t.numero);
            const int f = g.Rows() - 1;
            g.setTextMatrix(f, 1, t.numero);
            g.setTextMatrix(f, 2, t.usuario);
            g.setTextMatrix(f, 3, t.fechaHora);
            // Una anulada sigue listada, apagada.
            g.setMarcada(f, t.anulada);
            g.setRows(g.Rows() + 1);
        });
        m_.setLblEstadoTransmisiones(QStringLiteral("..."));
    } catch (const ErrorEjecucion& e) {
        // Una falla al leer no termina el programa: el operador ve su descripción.
        fallaConsulta_ = e.descripcion();
        m_.setLblEstadoTransmisiones(QStringLiteral("..."));
        MsgBox(e.paraPersonas(), Botones::Aceptar | Botones::IconoExclamacion);
    }
}

void VentanaImportacion::recargarConsulta() {
    const int32_t mostrada = transmisionMostrada();
    cargaTransmisiones();
    if (mostrada == 0) return;
    const int fila = m_.MSFlexGrid1.buscar(1, QString::number(mostrada));
    if (fila > 0) {
        m_.MSFlexGrid1.Row = fila;
        MSFlexGrid1_Click();
        return;
    }
    filas_.reset();
    m_.setLblInfoTransmision(QString());
    VaciarFilas(m_.MSFlexGrid3);
}

void VentanaImportacion::MSFlexGrid1_Click() {
    if (m_.ocupado()) return;
    ModeloGrilla& lista = m_.MSFlexGrid1;
    ModeloGrilla& g = m_.MSFlexGrid3;
    fallaConsulta_.clear();
    try {
        int32_t numero = 0;
        try {
            numero = Conversiones::CLng(Conversiones::Val(lista.TextMatrix(lista.Row, 1)));
        } catch (const ErrorEjecucion& e) {
            if (e.numero() != Errores::Desbordamiento && e.numero() != 381) throw;
        }
        if (numero == 0) return;
        filas_.reset();
        m_.setLblInfoTransmision(QString());
        VaciarFilas(g);
        m_.setLblEstadoTransmisiones(QStringLiteral("Cargando ") + QString::number(numero));
        // La grilla no guarda las filas: las pide de a tramos a medida que se muestran, así la
        // última de un millón está a un tramo de distancia y la memoria no crece con ellas.
        filas_ = std::make_unique<FilasTransmision>(Componentes::Datos(), numero);
        g.setFuente(static_cast<int>(filas_->cantidad()), [this](int f, int c) { return celdaDeFila(f, c); });
        m_.setLblInfoTransmision(
            LineaTransmision({numero, filas_->cantidad(),
                              PartesDelDiario(CorridaDeTransmision(numero), lista.marcada(lista.Row))}));
    } catch (const ErrorEjecucion& e) {
        filas_.reset();
        fallaConsulta_ = e.descripcion();
        m_.setLblEstadoTransmisiones(QStringLiteral("... "));
        MsgBox(e.paraPersonas(), Botones::Aceptar | Botones::IconoExclamacion);
        return;
    }
    m_.setLblEstadoTransmisiones(QStringLiteral("... "));
}

QString VentanaImportacion::celdaDeFila(int fila, int columna) {
    if (!filas_ || columna < 1 || columna > 3) return {};
    try {
        const FilasTransmision::Fila& f = filas_->fila(fila);
        return columna == 1 ? f.modelo : columna == 2 ? f.serie : f.eca1;
    } catch (const ErrorEjecucion& e) {
        // Se pide mientras la grilla se pinta: sin cuadro de mensaje, la falla queda en la línea de
        // estado y las filas que faltan se ven vacías hasta otro clic.
        filas_.reset();
        fallaConsulta_ = e.descripcion();
        m_.setLblEstadoTransmisiones(e.paraPersonas());
        return {};
    }
}

int32_t VentanaImportacion::transmisionMostrada() const { return filas_ ? filas_->numero() : 0; }
