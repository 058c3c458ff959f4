#pragma once
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

// Una grilla con fila y columna fijas (la primera de cada una), como la muestra la ventana:
// filas, columnas, el texto de cada celda, el ancho de cada columna en twips y la fila actual.
// Índices fuera de rango lanzan ErrorEjecucion 381 (índice de la matriz de propiedades no válido).
class ModeloGrilla : public QObject {
    Q_OBJECT
  public:
    explicit ModeloGrilla(int filas = 2, int columnas = 2, QObject* padre = nullptr);

    int Rows() const { return filas_; }
    void setRows(int filas);
    int Cols() const { return columnas_; }
    void setCols(int columnas);

    QString TextMatrix(int fila, int columna) const;
    void setTextMatrix(int fila, int columna, const QString& texto);
    // La primera fila desde "desde" cuyo texto en la columna es "texto"; -1 si ninguna.
    int buscar(int columna, const QString& texto, int desde = 1) const;
    // Borra el texto de todas las celdas (filas y columnas quedan).
    void Clear();
    // Cuántas veces se vació: la vista sabe así que lo que muestra es otro contenido (otra
    // transmisión, otro archivo) y vuelve al principio.
    int vaciados() const { return vaciados_; }

    // Ancho en twips; -1 es el ancho por defecto de la grilla.
    int ColWidth(int columna) const;
    void setColWidth(int columna, int twips);

    // Una fila marcada se muestra apagada (en la lista de transmisiones: una anulada). Clear y
    // setRows las desmarcan.
    void setMarcada(int fila, bool marcada);
    bool marcada(int fila) const {
        return fila >= 0 && static_cast<std::size_t>(fila) < marcadas_.size() &&
               marcadas_[static_cast<std::size_t>(fila)];
    }

    // La fila actual (la del último clic).
    int Row = 0;

    // Filas que la grilla no guarda (las de una transmisión de un millón de filas): las filas 1 a
    // "cantidad" las da celda(fila desde 0, columna) cuando alguien las lee; la fila 0 (títulos) y
    // la última, vacía, siguen siendo de la grilla. Las deja setRows o Clear.
    using Celda = std::function<QString(int fila, int columna)>;
    void setFuente(int cantidad, Celda celda);
    bool conFuente() const { return static_cast<bool>(fuente_); }

    // Avisa que algo cambió; la vista lo toma a su ritmo.
    void avisar() { Q_EMIT cambio(); }

  Q_SIGNALS:
    void cambio();

  private:
    void exigir(int fila, int columna) const;

    int filas_;
    int columnas_;
    int vaciados_ = 0;
    std::vector<std::vector<QString>> celdas_;
    std::vector<int> anchos_;
    Celda fuente_;
    int filasFuente_ = 0;
    std::vector<char> marcadas_;
};
