#pragma once
#include <QObject>
#include <QPointer>

#include "import/GuardiaClics.h"
#include "import/ui/DialogosHerramientas.h"

class FrmAuxGarantia;
class QPushButton;

// Lo que la ventana agrega a sus controles: "Importar" que se vuelve "Detener" mientras corre una
// operación, "Ver filas no agregadas" después de una corrida que dejó filas, y los menús de las
// grillas ("Probar importación" en la vista previa; "Buscar serie...", "Exportar filas a csv..." y
// "Anular transmisión…" en las transmisiones, con las anuladas apagadas).
class HerramientasVentana : public QObject {
    Q_OBJECT
  public:
    explicit HerramientasVentana(FrmAuxGarantia& ventana);

    // El clic del operador en "Importar": con una operación en curso la detiene; sin ella,
    // importa, salvo que el clic se haya apretado cuando el botón decía "Detener" o llegue dentro
    // del medio segundo que sigue al fin de una corrida (GuardiaClics).
    void clicImportar();
    // Sin operación en curso, importa; con una, la detiene.
    void importarODetener();
    // La importación de prueba sobre la hoja o tabla elegida: cuenta sin escribir.
    void probarImportacion();
    DialogoBuscarSerie* buscarSerie();
    DialogoFilasNoAgregadas* verFilasNoAgregadas();
    // Exporta las filas de la transmisión que muestra la grilla de filas (ninguna: nada).
    void exportarFilas();
    // "Anular transmisión…" sobre esa fila de la lista: dice qué borrará, pregunta ("No" con
    // Enter) y anula; la lista y, si la mostraba, la grilla de filas se vuelven a leer. false si
    // no se anuló (lo que se rechazó, se dice).
    bool anularTransmision(int fila);
    // Muestra las filas de la transmisión con la de esa serie elegida. false: no está.
    bool mostrarSerie(int32_t transmision, const QString& serie);

    QPushButton* cmdVerFilas;  // "Ver filas no agregadas"
    ElegirDestinoCsv elegirDestino = &ElegirDestinoQt;

  protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

  private:
    void menuVistaPrevia(const QPoint& punto);
    void menuTransmisiones(const QPoint& punto);
    // "Importar" o "Detener", según haya una operación corriendo.
    void rotularImportar();
    // La lista de transmisiones elige en pantalla la fila que el modelo tiene por actual.
    void seguirFilaElegida();

    FrmAuxGarantia& f_;
    QPointer<DialogoBuscarSerie> buscar_;
    QPointer<DialogoFilasNoAgregadas> filas_;
    GuardiaClics guardia_;
    bool bloqueada_ = false;  // un diálogo modal cubre la ventana
    int anchoEstado_ = 0;     // el de la línea de estado sin "Ver filas no agregadas" a la vista
};
