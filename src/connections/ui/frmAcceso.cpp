#include "connections/ui/frmAcceso.h"

#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include "suite/AvisoError.h"

namespace {
// Las medidas del diseño original están en twips; 15 twips son un píxel.
QRect Twips(int izquierda, int arriba, int ancho, int alto) {
    return QRect(izquierda / 15, arriba / 15, ancho / 15, alto / 15);
}

QFont Letra(const QString& familia, double puntos, bool negrita = false, bool subrayada = false) {
    QFont f(familia);
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    f.setUnderline(subrayada);
    return f;
}
const QString kSansSerif = QStringLiteral("Liberation Sans");  // en lugar de MS Sans Serif
const QString kTahoma = QStringLiteral("DejaVu Sans");         // en lugar de Tahoma

QLabel* Etiqueta(QWidget* padre, const QString& texto, const QRect& lugar) {
    auto* l = new QLabel(texto, padre);
    l->setGeometry(lugar);
    return l;
}

// Una franja de título: fondo de color, letra blanca en negrita, centrada.
QLabel* Franja(QWidget* padre, const QString& texto, const QRect& lugar, const char* fondo) {
    QLabel* l = Etiqueta(padre, texto, lugar);
    l->setAlignment(Qt::AlignCenter);
    l->setFont(Letra(kSansSerif, 8.25, true));
    l->setStyleSheet(
        QStringLiteral("QLabel { background-color: %1; color: white; }").arg(QLatin1String(fondo)));
    return l;
}

QPushButton* Boton(QWidget* padre, const QString& texto, const QRect& lugar, bool negrita = false) {
    auto* b = new QPushButton(texto, padre);
    b->setGeometry(lugar);
    // Ningún botón es el botón por defecto: Enter no aprieta nada.
    b->setAutoDefault(false);
    b->setDefault(false);
    if (negrita) b->setFont(Letra(kSansSerif, 8.25, true));
    return b;
}

QColor ColorDeValor(int valor) { return QColor(valor & 0xFF, (valor >> 8) & 0xFF, (valor >> 16) & 0xFF); }
}  // namespace

frmAcceso::frmAcceso(ModeloAcceso& modelo, QWidget* padre)
    : QDialog(padre, Qt::Dialog | Qt::FramelessWindowHint | Qt::Tool), modelo_(modelo) {
    setObjectName(QStringLiteral("frmAcceso"));
    setWindowTitle(QStringLiteral("Control de Acceso"));
    setFixedSize(8685 / 15, 4695 / 15);
    setModal(true);
    setFont(Letra(kSansSerif, 8.25));

    QLabel* titulo = Franja(this, QStringLiteral("Control de Acceso"), Twips(0, 0, 8775, 375), "black");
    titulo->setObjectName(QStringLiteral("Label1_2"));
    QLabel* label7 = Etiqueta(this, QStringLiteral("ORVA NET"), Twips(0, 360, 8775, 735));
    label7->setObjectName(QStringLiteral("Label7"));
    label7->setAlignment(Qt::AlignCenter);
    label7->setFont(Letra(kTahoma, 24, true));
    label8_ = Etiqueta(this, ModeloAcceso::DireccionWeb(), Twips(0, 900, 8775, 255));
    label8_->setObjectName(QStringLiteral("Label8"));
    label8_->setAlignment(Qt::AlignCenter);
    label8_->setFont(Letra(kSansSerif, 8.25, false, true));
    label8_->setStyleSheet(QStringLiteral("QLabel { color: blue; }"));
    label8_->setCursor(Qt::PointingHandCursor);
    label8_->installEventFilter(this);
    Franja(this, QStringLiteral("AUTENTICACION"), Twips(240, 1200, 4575, 255), "blue")
        ->setObjectName("Label1_0");
    Franja(this, QStringLiteral("Conexiones registradas"), Twips(5040, 1200, 3375, 255), "blue")
        ->setObjectName("Label1_1");

    auto* marco = new QWidget(this);  // framAcceso: un marco sin borde
    marco->setObjectName(QStringLiteral("framAcceso"));
    marco->setGeometry(Twips(120, 1440, 4695, 2340));
    Etiqueta(marco, QStringLiteral("Usuario"), Twips(240, 240, 975, 255));
    Etiqueta(marco, QStringLiteral("Contraseña"), Twips(240, 600, 975, 255));
    Etiqueta(marco, QStringLiteral("Base de datos"), Twips(240, 960, 1215, 255));
    Etiqueta(marco, QStringLiteral("Servidor"), Twips(240, 1320, 975, 255));
    Etiqueta(marco, QStringLiteral("Plataforma"), Twips(240, 1920, 975, 255));

    struct DatosCaja {
        Caja caja;
        const char* nombre;
        QRect lugar;
        QString ayuda;
    };
    const DatosCaja datos[] = {
        {Caja::TxtUserId, "TxtUserId", Twips(1440, 240, 3135, 285),
         QStringLiteral("Ingrese el nombre de usuario")},
        {Caja::TxtUserPassword, "TxtUserPassword", Twips(1440, 600, 3135, 285),
         QStringLiteral("Ingrese la contraseña")},
        {Caja::TxtDbName, "TxtDbName", Twips(1440, 960, 3135, 285),
         QStringLiteral("ingrese el nombre de la base de datos")},
        {Caja::TxtServidor, "TxtServidor", Twips(1440, 1320, 3135, 285),
         QStringLiteral("ingrese el nombre del servidor e instancia")},
        {Caja::TxtPuerto, "TxtPuerto", Twips(3840, 1920, 735, 285), QStringLiteral("Ingrese el Puerto ")},
    };
    for (const DatosCaja& d : datos) {
        auto* e = new QLineEdit(marco);
        e->setObjectName(QLatin1String(d.nombre));
        e->setGeometry(d.lugar);
        e->setToolTip(d.ayuda);
        QPalette p = e->palette();
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::Text, Qt::black);
        e->setPalette(p);
        cajas_[static_cast<int>(d.caja)] = e;
        const Caja c = d.caja;
        connect(e, &QLineEdit::textEdited, this,
                [this, c](const QString& t) { reaccionar([&] { modelo_.escribir(c, t); }); });
        connect(e, &QLineEdit::returnPressed, this, [this, c] { pasarFocoConEnter(c); });
    }
    QLineEdit* clave = caja(Caja::TxtUserPassword);
    clave->setEchoMode(QLineEdit::Password);
    clave->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // "*"
    caja(Caja::TxtUserId)->installEventFilter(this);

    cbo_ = new QComboBox(marco);
    cbo_->setObjectName(QStringLiteral("CboPlataformaDB"));
    cbo_->setGeometry(Twips(1425, 1890, 2190, 315));
    cbo_->addItems(ModeloAcceso::PlataformasDB());
    cbo_->setEditable(false);
    connect(cbo_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!pintando_) modelo_.CboPlataformaDB = i;
    });

    lstBases_ = new QListWidget(this);
    lstBases_->setObjectName(QStringLiteral("lstBases"));
    lstBases_->setGeometry(Twips(5040, 1440, 3375, 1980));
    lstBases_->setUniformItemSizes(true);  // diez mil entradas se cargan al instante
    lstBases_->installEventFilter(this);
    connect(lstBases_, &QListWidget::currentRowChanged, this, [this](int fila) {
        if (!pintando_) reaccionar([&] { modelo_.lstBases_Click(fila); });
    });
    connect(lstBases_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem*) { reaccionar([&] { modelo_.lstBases_DblClick(); }); });

    cmdRegistrar_ = Boton(this, QStringLiteral("Registrar"), Twips(5040, 3480, 1095, 255));
    cmdRegistrar_->setObjectName(QStringLiteral("CmdRegistrar"));
    cmdLineaComando_ = Boton(this, QStringLiteral("Crear Acceso Directo"), Twips(6360, 3480, 1950, 255));
    cmdLineaComando_->setObjectName(QStringLiteral("CmdLineaComando"));
    auto* linea = new QFrame(this);  // Line1
    linea->setObjectName(QStringLiteral("Line1"));
    linea->setGeometry(240 / 15, 3960 / 15, (8400 - 240) / 15, 1);
    linea->setStyleSheet(QStringLiteral("QFrame { background-color: black; }"));
    bcAceptar_ = Boton(this, QStringLiteral("Conectar"), Twips(2527, 4200, 1590, 375), true);
    bcAceptar_->setObjectName(QStringLiteral("bcAceptar"));
    bcCancelar_ = Boton(this, QStringLiteral("Cancelar"), Twips(4567, 4200, 1590, 372), true);
    bcCancelar_->setObjectName(QStringLiteral("bcCancelar"));
    connect(cmdRegistrar_, &QPushButton::clicked, this,
            [this] { reaccionar([&] { modelo_.CmdRegistrar_Click(); }); });
    connect(cmdLineaComando_, &QPushButton::clicked, this,
            [this] { reaccionar([&] { modelo_.CmdLineaComando_Click(); }); });
    connect(bcAceptar_, &QPushButton::clicked, this,
            [this] { reaccionar([&] { modelo_.bcAceptar_Click(); }); });
    connect(bcCancelar_, &QPushButton::clicked, this,
            [this] { reaccionar([&] { modelo_.bcCancelar_Click(); }); });

    // El orden de tabulación del diseño (índices 0 a 13; las etiquetas y el marco no toman el foco).
    const QList<QWidget*> orden = {caja(Caja::TxtUserId),
                                   caja(Caja::TxtUserPassword),
                                   caja(Caja::TxtDbName),
                                   caja(Caja::TxtServidor),
                                   cbo_,
                                   bcAceptar_,
                                   bcCancelar_,
                                   lstBases_,
                                   cmdRegistrar_,
                                   caja(Caja::TxtPuerto),
                                   cmdLineaComando_};
    for (qsizetype i = 1; i < orden.size(); ++i) QWidget::setTabOrder(orden[i - 1], orden[i]);
    caja(Caja::TxtUserId)->setFocus();
    Pintar();
}

void frmAcceso::Centrar() {
    const QScreen* pantalla = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!pantalla) return;
    const QRect r = pantalla->geometry();
    move(r.x() + r.width() / 2 - width() / 2, r.y() + r.height() / 2 - height() / 2);
}

template <typename F>
void frmAcceso::reaccionar(F reaccion) {
    if (pintando_) return;
    try {
        reaccion();
    } catch (const ErrorEjecucion& e) {
        // Las reacciones no tienen trampa propia (abrir la dirección, por ejemplo): la falla se
        // muestra y la ventana sigue.
        AvisoError(e);
    }
    Pintar();
}

void frmAcceso::Pintar() {
    pintando_ = true;
    for (int i = 0; i < static_cast<int>(cajas_.size()); ++i) {
        const Caja c = static_cast<Caja>(i);
        QLineEdit* e = cajas_[i];
        EstadoCaja& estado = modelo_.caja(c);
        if (e->text() != estado.texto) e->setText(estado.texto);
        QPalette p = e->palette();
        if (p.color(QPalette::Text) != ColorDeValor(estado.colorTexto)) {
            p.setColor(QPalette::Text, ColorDeValor(estado.colorTexto));
            e->setPalette(p);
        }
        if (estado.seleccion) {
            e->setSelection(estado.seleccion->first, estado.seleccion->second);
            estado.seleccion.reset();
        }
    }
    if (modelo_.lstBases() != listaPintada_) {
        listaPintada_ = modelo_.lstBases();
        lstBases_->clear();
        lstBases_->addItems(listaPintada_);
    }
    if (lstBases_->currentRow() != modelo_.seleccionLista())
        lstBases_->setCurrentRow(modelo_.seleccionLista());
    if (cbo_->currentIndex() != modelo_.CboPlataformaDB) cbo_->setCurrentIndex(modelo_.CboPlataformaDB);
    pintando_ = false;
    if (!modelo_.visible() && isVisible()) done(modelo_.Aceptar ? QDialog::Accepted : QDialog::Rejected);
}

void frmAcceso::reject() {
    reaccionar([&] { modelo_.bcCancelar_Click(); });
}

void frmAcceso::pasarFocoConEnter(Caja c) {
    switch (ModeloAcceso::DestinoEnter(c)) {
        case ModeloAcceso::Destino::TxtUserPassword:
            caja(Caja::TxtUserPassword)->setFocus();
            break;
        case ModeloAcceso::Destino::TxtDbName:
            caja(Caja::TxtDbName)->setFocus();
            break;
        case ModeloAcceso::Destino::TxtServidor:
            caja(Caja::TxtServidor)->setFocus();
            break;
        case ModeloAcceso::Destino::bcAceptar:
            bcAceptar_->setFocus();
            break;
        default:
            break;
    }
}

bool frmAcceso::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == caja(Caja::TxtUserId) && evento->type() == QEvent::FocusIn) {
        // Después de que la caja tome el foco (y su selección por tabulación), la sugerencia.
        QMetaObject::invokeMethod(
            this, [this] { reaccionar([&] { modelo_.enfocar(Caja::TxtUserId); }); }, Qt::QueuedConnection);
    } else if (objeto == lstBases_ && evento->type() == QEvent::KeyPress) {
        // Con la selección de antes de la tecla; el movimiento mismo cuenta después como un clic.
        reaccionar([&] { modelo_.lstBases_KeyDown(); });
    } else if (objeto == label8_ && evento->type() == QEvent::MouseButtonRelease) {
        reaccionar([&] { modelo_.Label8_Click(); });
        return true;
    }
    return QDialog::eventFilter(objeto, evento);
}
