#include "import/ui/TablaGrilla.h"

#include <QBrush>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPalette>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "platform/ErrorEjecucion.h"

namespace {
constexpr int kTwipsPorPixel = 15;
constexpr int kAnchoPorDefecto = 960;  // twips
constexpr int kMargenCelda = 5;        // píxeles a cada lado del texto de una celda
// Las filas que se miden para ensanchar una columna: las que se ven al mostrarla. Medir todas
// costaría leer un millón de filas de una transmisión grande.
constexpr int kFilasMedidas = 64;
}  // namespace

TablaGrilla::TablaGrilla(ModeloGrilla& grilla, QTableView& vista)
    : QAbstractTableModel(&vista), grilla_(grilla), vista_(vista) {
    vista_.setModel(this);
    // La fila fija de títulos es el encabezado de la vista: no se va al recorrer la grilla y el
    // operador arrastra sus bordes para cambiar el ancho de una columna. La fila 0 del modelo,
    // la misma, no se muestra dos veces.
    QHeaderView* titulos = vista_.horizontalHeader();
    titulos->setSectionResizeMode(QHeaderView::Interactive);
    titulos->setSectionsClickable(false);
    titulos->setHighlightSections(false);
    titulos->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titulos->setMinimumSectionSize(4);
    vista_.verticalHeader()->hide();
    const QFontMetrics medida(vista_.font());
    vista_.verticalHeader()->setDefaultSectionSize(std::max(16, medida.height() + 4));
    vista_.verticalHeader()->setMinimumSectionSize(12);
    // Filas de alto fijo: con un millón de filas la vista calcula dónde está cada una sin medirlas.
    vista_.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    vista_.setSelectionMode(QAbstractItemView::SingleSelection);
    vista_.setEditTriggers(QAbstractItemView::NoEditTriggers);
    vista_.setWordWrap(false);
    vista_.setTextElideMode(Qt::ElideRight);
    // Tab sale de la grilla y pasa al control siguiente; las flechas la recorren.
    vista_.setTabKeyNavigation(false);
    connect(&grilla_, &ModeloGrilla::cambio, this, &TablaGrilla::programar);
    refrescar();
}

double TablaGrilla::escala() const {
    // Los anchos del diseño, en twips, son para una letra en la que una fecha dd/mm/aaaa entra
    // justa en 900 twips (la columna de la activación). Con la letra de esta pantalla se escalan
    // todos en la misma proporción, nunca por debajo del diseño.
    const QFontMetrics medida(vista_.font());
    const double fecha = medida.horizontalAdvance(QStringLiteral("00/00/0000")) + 2 * kMargenCelda;
    return std::max(1.0, fecha / (900.0 / kTwipsPorPixel));
}

bool TablaGrilla::cortado(const QString& texto, int columna) const {
    if (texto.isEmpty()) return false;
    return QFontMetrics(vista_.font()).horizontalAdvance(texto) + 2 * kMargenCelda >
           vista_.columnWidth(columna);
}

QVariant TablaGrilla::headerData(int seccion, Qt::Orientation orientacion, int papel) const {
    if (orientacion != Qt::Horizontal || grilla_.Rows() == 0) return {};
    if (papel != Qt::DisplayRole && papel != Qt::ToolTipRole) return {};
    QString texto;
    try {
        texto = grilla_.TextMatrix(0, seccion);
    } catch (...) {
        return {};
    }
    if (papel == Qt::ToolTipRole && !cortado(texto, seccion)) return {};
    return texto;
}

int TablaGrilla::rowCount(const QModelIndex& padre) const { return padre.isValid() ? 0 : grilla_.Rows(); }
int TablaGrilla::columnCount(const QModelIndex& padre) const { return padre.isValid() ? 0 : grilla_.Cols(); }

QVariant TablaGrilla::data(const QModelIndex& indice, int papel) const {
    if (!indice.isValid()) return {};
    const bool fija = indice.row() == 0 || indice.column() == 0;
    if (papel == Qt::DisplayRole || papel == Qt::ToolTipRole) {
        QString texto;
        try {
            texto = grilla_.TextMatrix(indice.row(), indice.column());
        } catch (...) {
            return {};
        }
        // La sugerencia muestra el texto entero de una celda que no entra en su columna.
        if (papel == Qt::ToolTipRole && !cortado(texto, indice.column())) return {};
        return texto;
    }
    if (papel == Qt::BackgroundRole && fija) return QBrush(vista_.palette().color(QPalette::Button));
    if (papel == Qt::ForegroundRole && grilla_.marcada(indice.row()))
        return QBrush(vista_.palette().color(QPalette::Disabled, QPalette::Text));
    return {};
}

void TablaGrilla::programar() {
    if (programado_) return;
    programado_ = true;
    QTimer::singleShot(0, this, &TablaGrilla::refrescar);
}

void TablaGrilla::refrescar() {
    programado_ = false;
    beginResetModel();
    endResetModel();
    vista_.setRowHidden(0, true);  // está en el encabezado
    const bool nuevo = grilla_.vaciados() != vaciados_;
    vaciados_ = grilla_.vaciados();
    const double e = escala();
    for (int c = 0; c < grilla_.Cols(); ++c) {
        const int twips = grilla_.ColWidth(c);
        const int diseno = qRound((twips < 0 ? kAnchoPorDefecto : twips) / double(kTwipsPorPixel) * e);
        // Mientras el contenido es el mismo, una columna no se angosta: el operador pudo haberla
        // ensanchado arrastrando su borde. La primera (fija, la del número de fila) y las de ancho
        // 0 (ocultas) quedan como las diseñó la ventana.
        const int base = nuevo || c == 0 ? diseno : std::max(diseno, vista_.columnWidth(c));
        vista_.setColumnWidth(c, c == 0 || twips == 0 ? diseno : std::max(base, anchoDelContenido(c)));
    }
    if (nuevo) {
        vista_.scrollToTop();
        vista_.horizontalScrollBar()->setValue(0);
    }
}

int TablaGrilla::anchoDelContenido(int columna) const {
    const QFontMetrics medida(vista_.font());
    int ancho = 0;
    const int filas = std::min(grilla_.Rows(), kFilasMedidas + 1);
    for (int f = 0; f < filas; ++f) {
        QString texto;
        try {
            texto = grilla_.TextMatrix(f, columna);
        } catch (const ErrorEjecucion&) {  // una celda que su fuente no pudo dar se ve vacía
            continue;
        }
        ancho = std::max(ancho, medida.horizontalAdvance(texto));
    }
    // Nunca más que media vista: una celda enorme se lee en su sugerencia, no empuja a las demás.
    return std::min(ancho + 2 * kMargenCelda, vista_.viewport()->width() / 2);
}
