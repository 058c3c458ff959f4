#pragma once
#include <QWidget>
#include <memory>

#include "import/ModeloVentana.h"
#include "import/VentanaImportacion.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTableView;
class QWidget;
class EtiquetaEstado;
class HerramientasVentana;
class ResumenDesplazable;

// La ventana de importación de garantías: muestra el modelo de sus controles y pasa los
// eventos a VentanaImportacion. Al cargarse corre el inicio de la aplicación; sólo se muestra
// cuando el inicio vuelve con la sesión conectada. Cerrarla o "Salir" terminan el programa.
// Ningún botón es el botón por defecto ni el de cancelar: Enter y Esc no hacen nada en la
// ventana. F1 abre el documento de ayuda, si está.
class FrmAuxGarantia : public QWidget {
    Q_OBJECT
  public:
    // selector: el diálogo de archivo (nulo: el de Qt).
    explicit FrmAuxGarantia(std::unique_ptr<SelectorArchivo> selector = nullptr, QWidget* padre = nullptr);
    ~FrmAuxGarantia() override;

    // La carga de la ventana: corre el inicio con la cadena de lanzamiento.
    void Form_Load(const QString& lineaComandos);

    ModeloVentana& modelo() { return modelo_; }
    VentanaImportacion& procedimientos() { return *ventana_; }

    // Los controles, por su nombre (para las pruebas de la ventana).
    QPushButton* CmdBuscar;
    QPushButton* cmdCargarVistaPrevia;
    QPushButton* cmdImportar;
    QPushButton* cmdSalir;
    QComboBox* cmbTabla;
    QLineEdit* txtTabla;  // txtfields, clave "Tabla"
    QTableView* MSFlexGrid1;
    QTableView* MSFlexGrid2;
    QTableView* MSFlexGrid3;
    QLabel* lblEstado;
    QLabel* lblEstadoTransmisiones;
    QLabel* lblResumen;
    QLabel* lblInfoTransmision;  // bajo MSFlexGrid3: la transmisión que muestra
    QProgressBar* progreso;
    QTabBar* SSTab1;
    HerramientasVentana* herramientas() { return herramientas_; }

  protected:
    void closeEvent(QCloseEvent* evento) override;

  private:
    void armarPestanaImportar(QWidget* pagina);
    void armarPestanaConsultar(QWidget* pagina);
    void conectarModelo();
    void cambiarPestana(int pestana);
    void abrirAyuda();

    ModeloVentana modelo_;
    std::unique_ptr<VentanaImportacion> ventana_;
    QWidget* paginas_[2];
    EtiquetaEstado* estado_;
    EtiquetaEstado* estadoTransmisiones_;
    int pestanaActual_ = 0;
    ResumenDesplazable* resumen_ = nullptr;  // el lugar de lblResumen
    qint64 totalBarra_ = -1;                 // el total que muestra la barra (-1: ninguno)
    HerramientasVentana* herramientas_;      // "Detener" y las herramientas de los menús
};
