#include "banner/ui/Lbf_CtrlDisplay.h"

#include <QCloseEvent>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "banner/ui/FotogramasCartel.h"
#include "banner/ui/ReglasCartel.h"

using ReglasCartel::Pixeles;

namespace {

// Medidas de diseño, en twips.
constexpr int kAnchoCliente = 7845;
constexpr int kAltoCliente = 2790;
struct Lugar {
    int izquierda, arriba, ancho, alto;
};
constexpr Lugar kLineas[3] = {{0, 120, 7815, 290}, {0, 480, 7815, 290}, {0, 840, 7815, 290}};
constexpr Lugar kImage1 = {3480, 1320, 1095, 975};
constexpr Lugar kCancelar = {3120, 2400, 1695, 375};

// Opacidad de la ventana: 200 de 255.
constexpr int kAlfa = 200;

QRect Rectangulo(const Lugar& l) {
    return QRect(Pixeles(l.izquierda), Pixeles(l.arriba), Pixeles(l.ancho), Pixeles(l.alto));
}

// MS Sans Serif 12 pt negrita no existe en Linux: se usa una sans-serif métrica parecida.
// El tamaño va en píxeles (12 pt a 96 ppp = 16 px) porque los controles están medidos en
// píxeles; así el texto entra en la línea de 19 px con cualquier ppp de la pantalla.
QFont FuenteLineas() {
    QFont fuente;
    fuente.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"), QStringLiteral("MS Sans Serif")});
    fuente.setStyleHint(QFont::SansSerif);
    fuente.setPixelSize(16);
    fuente.setBold(true);
    return fuente;
}

}  // namespace

// Qt::Tool y no Qt::SplashScreen: en X11 ambas se marcan transitorias (fuera de la barra de
// tareas) y de tipo utilitario o bienvenida, pero Qt no pasa FramelessWindowHint al gestor
// de ventanas para una SplashScreen (deja la decoración a su criterio); con Tool la ventana
// pide "sin decoración" de forma explícita. En Windows, Tool también la saca de la barra.
Lbf_CtrlDisplay::Lbf_CtrlDisplay() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Procesando Datos"));
    // Tamaño fijo: el gestor de ventanas no ofrece maximizar ni cambiar el tamaño.
    setFixedSize(Pixeles(kAnchoCliente), Pixeles(kAltoCliente));
    QPalette paleta = palette();
    paleta.setColor(QPalette::Window, Qt::white);
    setPalette(paleta);
    setAutoFillBackground(true);

    CrearControles();
    Form_Load();
}

void Lbf_CtrlDisplay::CrearControles() {
    const QFont fuente = FuenteLineas();
    for (int i = 0; i < 3; ++i) {
        QLabel* linea = new QLabel(this);
        linea->setObjectName(QStringLiteral("LblCtrol%1").arg(i));
        linea->setGeometry(Rectangulo(kLineas[i]));
        linea->setFont(fuente);
        // Texto tal cual: una línea que traiga "<b>" o "&" se ve como está escrita.
        linea->setTextFormat(Qt::PlainText);
        linea->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        linea->setAutoFillBackground(true);  // fondo blanco, de la paleta de la ventana
        LblCtrol_[i] = linea;
    }

    // Sin borde ni fondo propio: el fotograma se ve sobre el blanco de la ventana, a su tamaño
    // natural, desde la esquina superior izquierda del recuadro.
    Image1_ = new QLabel(this);
    Image1_->setObjectName(QStringLiteral("Image1"));
    Image1_->setGeometry(Rectangulo(kImage1));
    Image1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    CmdDisplayCancelar_ = new QPushButton(this);
    CmdDisplayCancelar_->setObjectName(QStringLiteral("CmdDisplayCancelar"));
    CmdDisplayCancelar_->setGeometry(Rectangulo(kCancelar));
    connect(CmdDisplayCancelar_, &QPushButton::clicked, this, &Lbf_CtrlDisplay::CmdDisplayCancelar_Click);

    for (const QImage& imagen : FotogramasActividad()) ImageList1_.append(QPixmap::fromImage(imagen));

    // El reloj corre desde que la ventana existe, se vea o no.
    Timer1_ = new QTimer(this);
    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(ReglasCartel::kIntervaloMs);
    connect(Timer1_, &QTimer::timeout, this, &Lbf_CtrlDisplay::Timer1_Timer);
    Timer1_->start();
}

void Lbf_CtrlDisplay::Form_Load() {
    // 1. Centrada en la pantalla principal (la ventana no se ha mostrado: su pantalla es ésa).
    if (const QScreen* pantalla = screen()) {
        const QRect area = pantalla->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    // 2. El botón empieza sin cancelar.
    CmdDisplayCancelar_->setText(ReglasCartel::kTituloCancelar);
    // 3. Primer fotograma.
    MostrarFotograma(1);
    // 4. La ventana se lleva al rectángulo de su área cliente. Sin borde, en Qt la geometría
    // de la ventana ya es su área cliente: el paso no la mueve; queda por si un gestor de
    // ventanas llegara a correr el área cliente respecto del marco.
    setGeometry(QRect(mapToGlobal(QPoint(0, 0)), size()));
    // 5. Semitransparente: la opacidad de ventana de la plataforma (en X11, la propiedad
    // _NET_WM_WINDOW_OPACITY que aplica el compositor) hace lo que la ventana en capas.
    setWindowOpacity(kAlfa / 255.0);
}

void Lbf_CtrlDisplay::MostrarFotograma(int n) {
    if (n < 1 || n > ImageList1_.size()) return;
    Image1_->setPixmap(ImageList1_.at(n - 1));
    fotogramaMostrado_ = n;
}

void Lbf_CtrlDisplay::Timer1_Timer() { MostrarFotograma(ReglasCartel::AvanzarContador(contador_)); }

void Lbf_CtrlDisplay::CmdDisplayCancelar_Click() {
    CmdDisplayCancelar_->setText(ReglasCartel::kTituloAbortado);
}

void Lbf_CtrlDisplay::closeEvent(QCloseEvent* evento) { evento->ignore(); }

QString Lbf_CtrlDisplay::TextoLinea(int i) const {
    return (i >= 0 && i < 3) ? LblCtrol_[i]->text() : QString();
}

void Lbf_CtrlDisplay::FijarLinea(int i, const QString& texto) {
    if (i >= 0 && i < 3) LblCtrol_[i]->setText(texto);
}

QString Lbf_CtrlDisplay::TituloBoton() const { return CmdDisplayCancelar_->text(); }

void Lbf_CtrlDisplay::FijarBotonVisible(bool visible) { CmdDisplayCancelar_->setVisible(visible); }

bool Lbf_CtrlDisplay::BotonVisible() const { return !CmdDisplayCancelar_->isHidden(); }

QPixmap Lbf_CtrlDisplay::Fotograma(int n) const {
    return (n >= 1 && n <= ImageList1_.size()) ? ImageList1_.at(n - 1) : QPixmap();
}
