#pragma once
#include <QAbstractTableModel>
#include <QTableView>

#include "import/ModeloGrilla.h"

// Muestra un ModeloGrilla en un QTableView: la primera fila es el encabezado (fijo, con bordes
// que el operador arrastra) y la primera columna es fija (gris). Los anchos vienen en twips y se
// escalan a la letra de la pantalla. Una celda cortada muestra su texto entero como sugerencia.
// Los cambios del modelo se juntan y se muestran una vez por vuelta de eventos, no uno por celda.
// Una columna se ensancha hasta su título y el texto de sus primeras filas (una fecha con hora no
// se corta); un contenido nuevo (la grilla se vació: otra transmisión, otro archivo) se muestra
// desde su principio, sin el desplazamiento del anterior.
class TablaGrilla : public QAbstractTableModel {
    Q_OBJECT
  public:
    TablaGrilla(ModeloGrilla& grilla, QTableView& vista);

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int papel) const override;
    QVariant headerData(int seccion, Qt::Orientation orientacion, int papel) const override;
    // Cuánto se agrandan los anchos del diseño con la letra de la vista (1 o más).
    double escala() const;

  private:
    bool cortado(const QString& texto, int columna) const;
    // El ancho que pide el texto de la columna: su título y sus primeras filas, en píxeles.
    int anchoDelContenido(int columna) const;
    void programar();
    void refrescar();

    ModeloGrilla& grilla_;
    QTableView& vista_;
    bool programado_ = false;
    int vaciados_ = -1;  // los del modelo cuando se mostró por última vez
};
