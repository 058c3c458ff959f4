#include "import/ui/FrmAuxGarantia.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTableView>

#include "import/TextoProgreso.h"
#include "import/ui/EtiquetaEstado.h"
#include "import/ui/HerramientasVentana.h"
#include "import/ui/ResumenDesplazable.h"
#include "import/ui/SelectorArchivoQt.h"
#include "import/ui/TablaGrilla.h"
#include "platform/Proceso.h"
#include "platform/ui/Ajustes.h"
#include "startup/InicioAplicacion.h"
#include "suite/Archivos.h"

namespace {
constexpr int kTwipsPorPixel = 15;
QRect Twips(int x, int y, int ancho, int alto) {
    return QRect(x / kTwipsPorPixel, y / kTwipsPorPixel, ancho / kTwipsPorPixel, alto / kTwipsPorPixel);
}
// "MS Sans Serif" no está en Linux: la letra instalada más parecida, al mismo tamaño.
QFont Letra(double puntos, bool negrita = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    return f;
}
template <typename T>
T* Control(QWidget* padre, const char* nombre, QRect lugar) {
    auto* c = new T(padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->setGeometry(lugar);
    return c;
}
}  // namespace

FrmAuxGarantia::FrmAuxGarantia(std::unique_ptr<SelectorArchivo> selector, QWidget* padre) : QWidget(padre) {
    // Una ventana de borde fijo, pero no un QDialog: un QDialog toma Enter (botón por defecto) y
    // Esc (cancelar) para sí, y esta ventana no maneja teclas propias.
    setWindowTitle(QStringLiteral("Importación de garantías"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(11160 / kTwipsPorPixel, 7830 / kTwipsPorPixel);
    setFont(Letra(8.25));
    ventana_ = std::make_unique<VentanaImportacion>(
        modelo_, selector ? std::move(selector) : std::make_unique<SelectorArchivoQt>(this));

    // Las posiciones de los controles son relativas al control de pestañas, que cubre la ventana:
    // cada página ocupa el control entero y la barra de pestañas queda encima.
    for (int i = 0; i < 2; ++i) {
        paginas_[i] =
            Control<QWidget>(this, i == 0 ? "paginaImportar" : "paginaConsultar", Twips(0, 0, 11175, 7815));
    }
    SSTab1 = Control<QTabBar>(this, "SSTab1", QRect(0, 0, 11175 / kTwipsPorPixel, 24));
    SSTab1->addTab(QStringLiteral("Importar"));
    SSTab1->addTab(QStringLiteral("Consultar"));
    SSTab1->setExpanding(true);
    SSTab1->raise();
    armarPestanaImportar(paginas_[0]);
    armarPestanaConsultar(paginas_[1]);
    paginas_[1]->hide();
    herramientas_ = new HerramientasVentana(*this);
    conectarModelo();

    for (QPushButton* b : {CmdBuscar, cmdCargarVistaPrevia, cmdImportar, cmdSalir}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    // El orden de tabulación sigue la página de arriba abajo; las pestañas cierran la vuelta.
    const QList<QWidget*> orden = {txtTabla,    CmdBuscar, cmbTabla, cmdCargarVistaPrevia, MSFlexGrid2,
                                   cmdImportar, cmdSalir,  SSTab1,   MSFlexGrid1,          MSFlexGrid3};
    for (qsizetype i = 1; i < orden.size(); ++i) QWidget::setTabOrder(orden[i - 1], orden[i]);
    for (QWidget* pagina : paginas_) AjustarEtiquetas(*pagina);

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &FrmAuxGarantia::abrirAyuda);
}

FrmAuxGarantia::~FrmAuxGarantia() {
    // Los controles muestran el modelo, que es un miembro: se van antes que él.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void FrmAuxGarantia::armarPestanaImportar(QWidget* p) {
    auto* picture1 = Control<QWidget>(p, "Picture1", Twips(360, 480, 9015, 615));
    picture1->setAutoFillBackground(true);
    QPalette amarillo = picture1->palette();
    amarillo.setColor(QPalette::Window, QColor(255, 255, 192));
    picture1->setPalette(amarillo);
    auto* label4 = Control<QLabel>(picture1, "Label4", Twips(240, 120, 8415, 255));
    label4->setText(
        QStringLiteral("Busque el archivo de excel (xls), una vez cargado en pantalla, presione importar "
                       "para insertarlo en la base de datos."));
    cmdSalir = Control<QPushButton>(p, "cmdSalir", Twips(9600, 480, 1335, 615));
    cmdSalir->setText(QStringLiteral("Salir"));
    Control<QLabel>(p, "Label1", Twips(360, 1200, 1065, 195))->setText(QStringLiteral("Archivo origen "));
    txtTabla = Control<QLineEdit>(p, "txtfields_Tabla", Twips(360, 1500, 6375, 285));
    CmdBuscar = Control<QPushButton>(p, "CmdBuscar", Twips(6840, 1500, 1215, 300));
    CmdBuscar->setText(QStringLiteral("Buscar >>>"));
    CmdBuscar->setFont(Letra(8.25, true));
    Control<QLabel>(p, "LblTit", Twips(360, 1980, 1815, 255))
        ->setText(QStringLiteral("Hoja o Tabla a leer:"));
    cmbTabla = Control<QComboBox>(p, "cmbTabla", Twips(360, 2220, 3135, 315));
    cmbTabla->setEditable(true);
    cmbTabla->setInsertPolicy(QComboBox::NoInsert);
    cmdCargarVistaPrevia = Control<QPushButton>(p, "cmdCargarVistaPrevia", Twips(3600, 2220, 1695, 255));
    cmdCargarVistaPrevia->setText(QStringLiteral("Cargar vista previa"));
    // El resumen de la vista previa y de la última importación ocupa el hueco a la derecha de
    // "Cargar vista previa", hasta la grilla: dos líneas, y lo que no entra se desplaza.
    resumen_ = new ResumenDesplazable(p, Letra(8.25, true));
    resumen_->setObjectName(QStringLiteral("marcoResumen"));
    resumen_->setGeometry(Twips(5400, 2160, 5295, 525));
    lblResumen = resumen_->etiqueta();
    lblResumen->setObjectName(QStringLiteral("lblResumen"));
    MSFlexGrid2 = Control<QTableView>(p, "MSFlexGrid2", Twips(360, 2700, 10335, 4095));
    new TablaGrilla(modelo_.MSFlexGrid2, *MSFlexGrid2);
    lblEstado = Control<QLabel>(p, "lblEstado", Twips(360, 6900, 8295, 375));
    lblEstado->setFont(Letra(9.75, true));
    lblEstado->setText(modelo_.lblEstado());
    progreso = Control<QProgressBar>(p, "progreso", Twips(360, 7290, 8295, 165));
    progreso->setTextVisible(true);
    progreso->setAlignment(Qt::AlignCenter);
    progreso->hide();
    cmdImportar = Control<QPushButton>(p, "cmdImportar", Twips(8760, 6900, 1935, 495));
    cmdImportar->setText(QStringLiteral("Importar"));
    estado_ = new EtiquetaEstado(*lblEstado);
}

void FrmAuxGarantia::armarPestanaConsultar(QWidget* p) {
    auto* label2 = Control<QLabel>(p, "Label2", Twips(120, 420, 3495, 255));
    label2->setText(QStringLiteral("Transmisiones"));
    label2->setFont(Letra(8.25, true));
    auto* label3 = Control<QLabel>(p, "Label3", Twips(3960, 420, 3495, 255));
    label3->setText(QStringLiteral("Datos importados"));
    label3->setFont(Letra(8.25, true));
    MSFlexGrid1 = Control<QTableView>(p, "MSFlexGrid1", Twips(120, 780, 3735, 6495));
    new TablaGrilla(modelo_.MSFlexGrid1, *MSFlexGrid1);
    // La grilla de filas deja lugar debajo para la línea de la transmisión que muestra: dos
    // renglones, así el archivo, las cuentas y el resultado se leen sin cortarse.
    MSFlexGrid3 = Control<QTableView>(p, "MSFlexGrid3", Twips(3960, 780, 6975, 6000));
    new TablaGrilla(modelo_.MSFlexGrid3, *MSFlexGrid3);
    lblInfoTransmision = Control<QLabel>(p, "lblInfoTransmision", Twips(3960, 6810, 6975, 495));
    lblInfoTransmision->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblInfoTransmision->setWordWrap(true);
    lblInfoTransmision->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblEstadoTransmisiones = Control<QLabel>(p, "lblEstadoTransmisiones", Twips(120, 7320, 10815, 375));
    lblEstadoTransmisiones->setFont(Letra(8.25, true));
    lblEstadoTransmisiones->setText(modelo_.lblEstadoTransmisiones());
    estadoTransmisiones_ = new EtiquetaEstado(*lblEstadoTransmisiones);
}

void FrmAuxGarantia::conectarModelo() {
    VentanaImportacion& v = *ventana_;
    connect(cmdSalir, &QPushButton::clicked, this, [] { Proceso::Terminar(0); });
    connect(CmdBuscar, &QPushButton::clicked, this, [&v] { v.CmdBuscar_Click(); });
    connect(cmdCargarVistaPrevia, &QPushButton::clicked, this, [&v] { v.cmdCargarVistaPrevia_Click(); });
    // Mientras corre una operación, "Importar" es "Detener" (HerramientasVentana).
    connect(cmdImportar, &QPushButton::clicked, herramientas_, &HerramientasVentana::clicImportar);
    connect(cmbTabla, &QComboBox::activated, this,
            [this, &v](int) { v.cmbTabla_Elegir(cmbTabla->currentText()); });
    connect(cmbTabla, &QComboBox::editTextChanged, this,
            [this](const QString& t) { modelo_.setCmbTablaTexto(t); });
    connect(SSTab1, &QTabBar::currentChanged, this, &FrmAuxGarantia::cambiarPestana);
    connect(MSFlexGrid1, &QTableView::clicked, this, [this, &v](const QModelIndex& i) {
        modelo_.MSFlexGrid1.Row = i.row();
        v.MSFlexGrid1_Click();
    });

    connect(&modelo_, &ModeloVentana::campoCambiado, this, [this](int i) {
        if (i == 0) txtTabla->setText(modelo_.txtfields()[0].texto);
    });
    connect(txtTabla, &QLineEdit::textEdited, this,
            [this](const QString& t) { modelo_.setCampo(QStringLiteral("Tabla"), t); });
    connect(&modelo_, &ModeloVentana::listaCambiada, this, [this] {
        const QSignalBlocker bloqueo(cmbTabla);
        const QString texto = cmbTabla->currentText();
        cmbTabla->clear();
        cmbTabla->addItems(modelo_.cmbTablaLista());
        cmbTabla->setEditText(texto);
    });
    connect(&modelo_, &ModeloVentana::textoListaCambiado, this, [this] {
        if (cmbTabla->currentText() == modelo_.cmbTablaTexto()) return;
        const QSignalBlocker bloqueo(cmbTabla);
        const int i = modelo_.cmbTablaLista().indexOf(modelo_.cmbTablaTexto());
        if (i >= 0) cmbTabla->setCurrentIndex(i);
        cmbTabla->setEditText(modelo_.cmbTablaTexto());
    });
    connect(&modelo_, &ModeloVentana::estadoCambiado, this,
            [this] { estado_->mostrar(modelo_.lblEstado()); });
    connect(&modelo_, &ModeloVentana::resumenCambiado, this,
            [this] { resumen_->mostrar(modelo_.lblResumen()); });
    connect(&modelo_, &ModeloVentana::infoTransmisionCambiada, this, [this] {
        lblInfoTransmision->setText(modelo_.lblInfoTransmision());
        lblInfoTransmision->setToolTip(modelo_.lblInfoTransmision());
    });
    connect(&modelo_, &ModeloVentana::estadoTransmisionesCambiado, this,
            [this] { estadoTransmisiones_->mostrar(modelo_.lblEstadoTransmisiones()); });
    connect(&modelo_, &ModeloVentana::ocupadoCambiado, this, [this](bool ocupado) {
        // Mientras corre una operación, sólo "Salir" y "Detener" (el botón "Importar") responden.
        for (QWidget* w : {static_cast<QWidget*>(CmdBuscar), static_cast<QWidget*>(cmdCargarVistaPrevia),
                           static_cast<QWidget*>(SSTab1), static_cast<QWidget*>(cmbTabla)}) {
            w->setEnabled(!ocupado);
        }
    });
    connect(&modelo_, &ModeloVentana::progreso, this, [this](qint64 hechas, qint64 total) {
        // Se actualiza a lo sumo cada 256 filas (la barra cuesta pintarla), y en cuanto cambia el
        // total: uno anunciado que las filas pasan deja de mostrarse enseguida.
        if ((hechas & 0xFF) != 1 && hechas != total && total == totalBarra_) return;
        totalBarra_ = total;
        if (!progreso->isVisible()) progreso->show();
        progreso->setFormat(TextoProgreso(hechas, total));
        progreso->setToolTip(progreso->format());
        if (total > 0) {
            progreso->setRange(0, 1000);
            progreso->setValue(static_cast<int>(hechas * 1000 / total));
        } else {
            progreso->setRange(0, 0);
        }
    });
}

void FrmAuxGarantia::cambiarPestana(int pestana) {
    if (modelo_.ocupado()) {
        const QSignalBlocker bloqueo(SSTab1);
        SSTab1->setCurrentIndex(pestanaActual_);
        return;
    }
    pestanaActual_ = pestana;
    paginas_[pestana]->show();
    paginas_[1 - pestana]->hide();
    SSTab1->raise();
    ventana_->SSTab1_Click(pestana);
}

void FrmAuxGarantia::Form_Load(const QString& lineaComandos) { InicioAplicacion(lineaComandos); }

void FrmAuxGarantia::closeEvent(QCloseEvent* evento) {
    evento->accept();
    Proceso::Terminar(0);
}

void FrmAuxGarantia::abrirAyuda() {
    const QString ayuda = ArchivoAyuda();
    if (ayuda.isEmpty() || !ExisteArchivo(ayuda)) return;
    try {
        AbrirDocumento(ayuda, true);
    } catch (const ErrorEjecucion&) {
        // Sin programa que abra la ayuda no hay nada más que hacer.
    }
}
