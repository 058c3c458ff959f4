#pragma once
#include <QDialog>
#include <QStringList>
#include <array>

#include "connections/ModeloAcceso.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// La ventana "Control de Acceso": dibuja el estado de un ModeloAcceso (prestado; debe vivir más
// que la ventana) y le pasa los eventos del operador. Sin borde ni barra de título (la etiqueta
// negra de arriba hace de título), fuera de la barra de tareas, 579 x 313 píxeles, centrada.
// Ningún botón es el botón por defecto: Enter pasa de caja en caja; Esc aprieta "Cancelar".
// Se oculta (y el exec() modal vuelve) cuando el modelo deja de estar visible.
class frmAcceso : public QDialog {
    Q_OBJECT
  public:
    explicit frmAcceso(ModeloAcceso& modelo, QWidget* padre = nullptr);

    // Centra la ventana en la pantalla (la reacción de carga).
    void Centrar();
    // Vuelve a dibujar el estado del modelo; oculta la ventana si el modelo ya no está visible.
    void Pintar();

    // Los controles, para las pruebas.
    QLineEdit* caja(Caja c) const { return cajas_[static_cast<int>(c)]; }
    QListWidget* lstBases() const { return lstBases_; }
    QComboBox* CboPlataformaDB() const { return cbo_; }
    QPushButton* bcAceptar() const { return bcAceptar_; }
    QPushButton* bcCancelar() const { return bcCancelar_; }
    QPushButton* CmdRegistrar() const { return cmdRegistrar_; }
    QPushButton* CmdLineaComando() const { return cmdLineaComando_; }
    QLabel* Label8() const { return label8_; }

    void reject() override;  // Esc y el cierre: "Cancelar"

  protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

  private:
    // Corre una reacción del modelo y dibuja lo que cambió.
    template <typename F>
    void reaccionar(F reaccion);
    void pasarFocoConEnter(Caja c);

    ModeloAcceso& modelo_;
    std::array<QLineEdit*, 5> cajas_{};
    QListWidget* lstBases_ = nullptr;
    QComboBox* cbo_ = nullptr;
    QPushButton* bcAceptar_ = nullptr;
    QPushButton* bcCancelar_ = nullptr;
    QPushButton* cmdRegistrar_ = nullptr;
    QPushButton* cmdLineaComando_ = nullptr;
    QLabel* label8_ = nullptr;
    QStringList listaPintada_;
    bool pintando_ = false;
};
