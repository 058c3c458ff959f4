#pragma once
#include <QList>
#include <QPixmap>
#include <QWidget>
#include <array>

class QLabel;
class QPushButton;
class QTimer;

// La ventana del cartel de progreso: sin borde ni barra de título, fuera de la barra de
// tareas, fondo blanco, 523 x 186 píxeles, centrada y semitransparente (200/255). Tres líneas
// de texto, una animación de actividad que avanza cada 100 ms y un botón de cancelar cuyo
// título guarda si el operador lo pulsó. Se carga al crearse; no se muestra sola.
class Lbf_CtrlDisplay : public QWidget {
    Q_OBJECT
  public:
    explicit Lbf_CtrlDisplay();

    // Texto de la línea i (0, 1 o 2).
    QString TextoLinea(int i) const;
    void FijarLinea(int i, const QString& texto);

    // Título actual del botón de cancelar ("&Cancelar" o "Abortado").
    QString TituloBoton() const;
    // Muestra u oculta el botón de cancelar (visible en cuanto la ventana se muestre).
    void FijarBotonVisible(bool visible);
    bool BotonVisible() const;

    // Contador de fotogramas (0..12) y número del fotograma que muestra la imagen (1..12).
    qint16 Contador() const { return contador_; }
    int FotogramaMostrado() const { return fotogramaMostrado_; }
    // El fotograma n (1..12) de la lista de imágenes.
    QPixmap Fotograma(int n) const;

  public Q_SLOTS:
    // Un paso del reloj: avanza el contador y muestra su fotograma.
    void Timer1_Timer();
    // Clic en cancelar: el título pasa a "Abortado"; otro clic ya no cambia nada.
    void CmdDisplayCancelar_Click();

  protected:
    // El cartel se cierra sólo desde quien lo abrió (ocultar y destruir): un cierre pedido
    // por el gestor de ventanas (Alt+F4) se ignora, para que no desaparezca a medio trabajo.
    void closeEvent(QCloseEvent* evento) override;

  private:
    void CrearControles();
    void Form_Load();
    void MostrarFotograma(int n);

    std::array<QLabel*, 3> LblCtrol_{};
    QLabel* Image1_ = nullptr;
    QPushButton* CmdDisplayCancelar_ = nullptr;
    QTimer* Timer1_ = nullptr;
    QList<QPixmap> ImageList1_;
    qint16 contador_ = 0;
    int fotogramaMostrado_ = 0;
};
