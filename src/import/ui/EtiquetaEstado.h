#pragma once
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

// Una línea de estado que se redibuja a lo sumo 30 veces por segundo: pintarla en cada fila
// hace la importación diez veces más lenta. El último texto siempre se muestra. Un texto que no
// entra en el ancho de la etiqueta se corta con "…" dentro de ella (no se mete bajo el control
// vecino) y se lee entero en su sugerencia.
class EtiquetaEstado : public QObject {
    Q_OBJECT
  public:
    explicit EtiquetaEstado(QLabel& etiqueta);
    void mostrar(const QString& texto);

  protected:
    // La etiqueta cambió de ancho: el texto se vuelve a cortar a su medida.
    bool eventFilter(QObject* objeto, QEvent* evento) override;

  private:
    void pintar();

    QLabel& etiqueta_;
    QString pendiente_;
    QElapsedTimer ultimo_;
    QTimer demora_;
};
