#pragma once
#include <QScrollArea>

class QLabel;

// El resumen de la vista previa y de la última importación, en un lugar fijo de pocas líneas: el
// texto se lee siempre entero. Si no entra con la letra dada, la letra achica un poco; si ni así
// entra, el resumen se desplaza (rueda o barra) hasta su última línea. La sugerencia repite el
// texto entero.
class ResumenDesplazable : public QScrollArea {
  public:
    // La etiqueta es propia; letra, la del texto cuando entra.
    ResumenDesplazable(QWidget* padre, const QFont& letra);

    void mostrar(const QString& texto);
    QLabel* etiqueta() const { return etiqueta_; }

  protected:
    void resizeEvent(QResizeEvent* evento) override;

  private:
    // La letra y el tamaño de la etiqueta para el texto que tiene y el lugar que ocupa.
    void acomodar();

    QLabel* etiqueta_;
    QFont letra_;
};
