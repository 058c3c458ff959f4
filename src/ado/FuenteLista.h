#pragma once
#include <QStringList>

#include "ado/FuenteFilas.h"

// Filas ya en memoria (listas cortas: el esquema de tablas, resultados de prueba).
class FuenteLista : public FuenteFilas {
  public:
    FuenteLista(QStringList nombres, std::vector<std::vector<QVariant>> filas)
        : nombres_(std::move(nombres)), filas_(std::move(filas)) {}

    int columnas() const override { return static_cast<int>(nombres_.size()); }
    QString nombreColumna(int i) const override { return nombres_.at(i); }
    bool siguiente(std::vector<QVariant>& fila) override {
        if (i_ >= filas_.size()) return false;
        fila = filas_[i_++];
        fila.resize(nombres_.size());
        return true;
    }
    std::optional<qint64> total() const override { return static_cast<qint64>(filas_.size()); }

  private:
    QStringList nombres_;
    std::vector<std::vector<QVariant>> filas_;
    std::size_t i_ = 0;
};
