#pragma once
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

// Las filas que devuelve una consulta, hacia adelante y a medida que se leen: nunca todo el
// archivo en memoria para mostrar unas pocas filas.
class FuenteFilas {
  public:
    virtual ~FuenteFilas() = default;

    virtual int columnas() const = 0;
    // REQUIRES: 0 <= i < columnas().
    virtual QString nombreColumna(int i) const = 0;

    // Lee la fila siguiente en fila (se redimensiona a columnas()). Devuelve false al final.
    // Lanza ErrorEjecucion si el origen falla (archivo truncado, dañado, desaparecido).
    virtual bool siguiente(std::vector<QVariant>& fila) = 0;

    // Total de filas cuando el proveedor lo sabe sin leerlas.
    virtual std::optional<qint64> total() const { return std::nullopt; }

    // Fuentes actualizables (las de la base de la suite): guardan una fila nueva (nueva = true)
    // o los cambios de la última fila leída. Lanza ErrorEjecucion si la base la rechaza.
    virtual bool actualizable() const { return false; }
    virtual void guardar(const std::vector<std::pair<QString, QVariant>>& cambios, bool nueva);
};
