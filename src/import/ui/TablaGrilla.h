#pragma once
#include <QAbstractTableModel>
#include <QTableView>

#include "import/ModeloGrilla.h"

// Muestra un ModeloGrilla en un QTableView: la primera fila y la primera columna son fijas
// (gris, como los títulos), los anchos vienen en twips. Los cambios del modelo se juntan y se
// muestran una vez por vuelta de eventos, no uno por celda.
class TablaGrilla : public QAbstractTableModel {
    Q_OBJECT
public:
    TablaGrilla(ModeloGrilla& grilla, QTableView& vista);

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int papel) const override;
    // La vista pide más filas al llegar al final: la grilla lee otro tramo.
    bool canFetchMore(const QModelIndex& padre) const override;
    void fetchMore(const QModelIndex& padre) override;

private:
    void programar();
    void refrescar();

    ModeloGrilla& grilla_;
    QTableView& vista_;
    bool programado_ = false;
    bool silencio_ = false;
};
