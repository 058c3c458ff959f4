#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include "import/ui/DialogosHerramientas.h"

class FrmAuxGarantia;
class QPushButton;

// Lo que la ventana agrega a sus controles: "Importar" que se vuelve "Detener" mientras corre una
// operación, "Ver filas no agregadas" después de una corrida que dejó filas, y los menús de las
// grillas ("Probar importación" en la vista previa; "Buscar serie..." y "Exportar filas a csv..."
// en las transmisiones).
class HerramientasVentana : public QObject {
    Q_OBJECT
  public:
    explicit HerramientasVentana(FrmAuxGarantia& ventana);

    // El clic en "Importar": sin operación en curso, importa; con una, la detiene. Un segundo clic
    // de "Detener" que llega justo después del fin no empieza otra importación.
    void importarODetener();
    // La importación de prueba sobre la hoja o tabla elegida: cuenta sin escribir.
    void probarImportacion();
    DialogoBuscarSerie* buscarSerie();
    DialogoFilasNoAgregadas* verFilasNoAgregadas();
    // Exporta las filas de la transmisión de esa fila de la lista de transmisiones.
    void exportarFilas(int fila);
    // Muestra las filas de la transmisión con la de esa serie elegida. false: no está.
    bool mostrarSerie(int32_t transmision, const QString& serie);

    QPushButton* cmdVerFilas;  // "Ver filas no agregadas"
    ElegirDestinoCsv elegirDestino = &ElegirDestinoQt;

  private:
    void menuVistaPrevia(const QPoint& punto);
    void menuTransmisiones(const QPoint& punto);

    FrmAuxGarantia& f_;
    QPointer<DialogoBuscarSerie> buscar_;
    QPointer<DialogoFilasNoAgregadas> filas_;
    QElapsedTimer finDetenida_;  // desde el fin de la última corrida detenida
};
