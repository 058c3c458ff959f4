#include "import/ui/TablaGrilla.h"

#include <QBrush>
#include <QHeaderView>
#include <QPalette>
#include <QTimer>

namespace {
constexpr int kTwipsPorPixel = 15;
constexpr int kAnchoPorDefecto = 960;  // twips
}  // namespace

TablaGrilla::TablaGrilla(ModeloGrilla& grilla, QTableView& vista) : QAbstractTableModel(&vista), grilla_(grilla), vista_(vista) {
    vista_.setModel(this);
    vista_.horizontalHeader()->hide();
    vista_.verticalHeader()->hide();
    vista_.verticalHeader()->setDefaultSectionSize(16);
    vista_.verticalHeader()->setMinimumSectionSize(12);
    vista_.setSelectionMode(QAbstractItemView::SingleSelection);
    vista_.setEditTriggers(QAbstractItemView::NoEditTriggers);
    vista_.setWordWrap(false);
    connect(&grilla_, &ModeloGrilla::cambio, this, &TablaGrilla::programar);
    refrescar();
}

int TablaGrilla::rowCount(const QModelIndex& padre) const { return padre.isValid() ? 0 : grilla_.Rows(); }
int TablaGrilla::columnCount(const QModelIndex& padre) const { return padre.isValid() ? 0 : grilla_.Cols(); }

QVariant TablaGrilla::data(const QModelIndex& indice, int papel) const {
    if (!indice.isValid()) return {};
    const bool fija = indice.row() == 0 || indice.column() == 0;
    if (papel == Qt::DisplayRole) {
        try {
            return grilla_.TextMatrix(indice.row(), indice.column());
        } catch (...) {
            return {};
        }
    }
    if (papel == Qt::BackgroundRole && fija) return QBrush(vista_.palette().color(QPalette::Button));
    return {};
}

bool TablaGrilla::canFetchMore(const QModelIndex& padre) const { return !padre.isValid() && grilla_.hayMas(); }

void TablaGrilla::fetchMore(const QModelIndex& padre) {
    if (padre.isValid()) return;
    const int antes = grilla_.Rows();
    silencio_ = true;  // los cambios de este tramo se avisan abajo, sin rehacer el modelo (la vista no salta)
    grilla_.cargarMas();
    silencio_ = false;
    if (grilla_.Rows() > antes) {
        beginInsertRows({}, antes, grilla_.Rows() - 1);
        endInsertRows();
        const QModelIndex desde = index(antes - 1, 0), hasta = index(antes - 1, grilla_.Cols() - 1);
        Q_EMIT dataChanged(desde, hasta);
    }
}

void TablaGrilla::programar() {
    if (programado_ || silencio_) return;
    programado_ = true;
    QTimer::singleShot(0, this, &TablaGrilla::refrescar);
}

void TablaGrilla::refrescar() {
    programado_ = false;
    beginResetModel();
    endResetModel();
    for (int c = 0; c < grilla_.Cols(); ++c) {
        const int twips = grilla_.ColWidth(c);
        vista_.setColumnWidth(c, (twips < 0 ? kAnchoPorDefecto : twips) / kTwipsPorPixel);
    }
}
