#include "import/ui/HerramientasVentana.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>

#include "import/AnulacionTransmision.h"
#include "import/HerramientasConsulta.h"
#include "import/ui/FrmAuxGarantia.h"
#include "platform/Detencion.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "suite/Componentes.h"

HerramientasVentana::HerramientasVentana(FrmAuxGarantia& ventana) : QObject(&ventana), f_(ventana) {
    // Junto a la línea de estado, a la izquierda de "Importar"; sólo cuando hay filas que ver.
    cmdVerFilas = new QPushButton(QStringLiteral("Ver filas no agregadas"), f_.cmdImportar->parentWidget());
    cmdVerFilas->setObjectName(QStringLiteral("cmdVerFilas"));
    cmdVerFilas->setGeometry(6735 / 15, 6900 / 15, 1935 / 15, 315 / 15);
    cmdVerFilas->setAutoDefault(false);
    cmdVerFilas->hide();
    // La línea de estado termina antes del botón mientras se ve: un estado largo no corre debajo.
    anchoEstado_ = f_.lblEstado->width();
    cmdVerFilas->installEventFilter(this);
    connect(cmdVerFilas, &QPushButton::clicked, this, [this] { verFilasNoAgregadas(); });
    connect(f_.CmdBuscar, &QPushButton::clicked, cmdVerFilas, &QWidget::hide);  // como el resumen

    // "Ver filas no agregadas" sigue con la última importación mientras corren las demás
    // operaciones (una exportación, una vista previa); la importación siguiente lo esconde.
    connect(&f_.modelo(), &ModeloVentana::ocupadoCambiado, this, [this] { rotularImportar(); });
    f_.cmdImportar->installEventFilter(this);
    f_.installEventFilter(this);  // un diálogo o un cuadro abiertos bloquean la ventana
    f_.MSFlexGrid2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(f_.MSFlexGrid2, &QWidget::customContextMenuRequested, this,
            &HerramientasVentana::menuVistaPrevia);
    f_.MSFlexGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(f_.MSFlexGrid1, &QWidget::customContextMenuRequested, this,
            &HerramientasVentana::menuTransmisiones);
}

bool HerramientasVentana::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == f_.cmdImportar && evento->type() == QEvent::MouseButtonPress)
        guardia_.apretado(f_.modelo().ocupado());
    if (objeto == cmdVerFilas && (evento->type() == QEvent::Show || evento->type() == QEvent::Hide)) {
        const int ancho =
            evento->type() == QEvent::Show ? cmdVerFilas->x() - 6 - f_.lblEstado->x() : anchoEstado_;
        f_.lblEstado->resize(ancho, f_.lblEstado->height());
    }
    if (objeto == &f_ &&
        (evento->type() == QEvent::WindowBlocked || evento->type() == QEvent::WindowUnblocked)) {
        bloqueada_ = evento->type() == QEvent::WindowBlocked;
        rotularImportar();
    }
    return QObject::eventFilter(objeto, evento);
}

void HerramientasVentana::rotularImportar() {
    // "Detener" sólo mientras algo se está leyendo o escribiendo: con el diálogo de archivo o una
    // pregunta abiertos no corre nada que detener (y el botón no se puede apretar).
    const bool detener = f_.modelo().ocupado() && !bloqueada_;
    f_.cmdImportar->setText(detener ? QStringLiteral("Detener") : QStringLiteral("Importar"));
}

void HerramientasVentana::clicImportar() {
    if (f_.modelo().ocupado()) {
        guardia_.usado();
        Detencion::Pedir();
        return;
    }
    if (guardia_.puedeEmpezar()) importarODetener();
}

void HerramientasVentana::importarODetener() {
    if (f_.modelo().ocupado()) {
        Detencion::Pedir();
        return;
    }
    VentanaImportacion& v = f_.procedimientos();
    f_.modelo().setLblResumen(QString());
    cmdVerFilas->hide();
    v.cmdImportar_Click();
    f_.progreso->hide();
    const ResumenImportacion& r = v.resumen();
    if (r.terminada || r.detenida)
        f_.modelo().setLblResumen(r.textoParaLeer());
    else if (r.ordenSinDecidir)
        f_.modelo().setLblResumen(QStringLiteral("No se escribió nada. Aviso: ") + r.avisoCampos);
    else if (!r.guardado.isEmpty())  // una corrida que falló dice igual lo que quedó en la base
        f_.modelo().setLblResumen(r.guardado + u'.');
    guardia_.termino();
    cmdVerFilas->setVisible(v.rechazos().cantidad() > 0);
}

void HerramientasVentana::probarImportacion() {
    if (f_.modelo().ocupado()) return;
    VentanaImportacion& v = f_.procedimientos();
    v.setPrueba(true);
    importarODetener();
    v.setPrueba(false);
}

void HerramientasVentana::menuVistaPrevia(const QPoint& punto) {
    if (f_.modelo().ocupado()) return;
    QMenu menu(f_.MSFlexGrid2);
    menu.addAction(QStringLiteral("Probar importación"), this, &HerramientasVentana::probarImportacion);
    menu.exec(f_.MSFlexGrid2->viewport()->mapToGlobal(punto));
}

void HerramientasVentana::menuTransmisiones(const QPoint& punto) {
    if (f_.modelo().ocupado()) return;
    QMenu menu(f_.MSFlexGrid1);
    menu.addAction(QStringLiteral("Buscar serie..."), this, [this] { buscarSerie(); });
    // Exporta lo que el operador ve a la derecha, no la fila sobre la que abrió el menú.
    QAction* exportar =
        menu.addAction(QStringLiteral("Exportar filas a csv..."), this, [this] { exportarFilas(); });
    exportar->setEnabled(f_.procedimientos().transmisionMostrada() != 0);
    // Anula la transmisión de la fila sobre la que se abrió el menú.
    const int fila = f_.MSFlexGrid1->indexAt(punto).row();
    const bool conNumero = fila > 0 && !f_.modelo().MSFlexGrid1.TextMatrix(fila, 1).isEmpty();
    QAction* anular = menu.addAction(QStringLiteral("Anular transmisión…"), this,
                                     [this, fila] { anularTransmision(fila); });
    anular->setEnabled(conNumero && !f_.modelo().MSFlexGrid1.marcada(fila));
    menu.exec(f_.MSFlexGrid1->viewport()->mapToGlobal(punto));
}

DialogoBuscarSerie* HerramientasVentana::buscarSerie() {
    if (!buscar_) {
        buscar_ = new DialogoBuscarSerie([this](int32_t t, const QString& s) { mostrarSerie(t, s); }, &f_);
        buscar_->setWindowFlag(Qt::Window);
    }
    buscar_->show();
    buscar_->raise();
    return buscar_;
}

DialogoFilasNoAgregadas* HerramientasVentana::verFilasNoAgregadas() {
    delete filas_;  // la lista de la corrida anterior
    filas_ = new DialogoFilasNoAgregadas(f_.procedimientos().rechazos(), elegirDestino, &f_);
    filas_->setWindowFlag(Qt::Window);
    filas_->setAttribute(Qt::WA_DeleteOnClose);
    filas_->show();
    return filas_;
}

void HerramientasVentana::exportarFilas() {
    ModeloVentana& m = f_.modelo();
    const int32_t numero = f_.procedimientos().transmisionMostrada();
    if (m.ocupado() || numero == 0) return;
    const auto destino = elegirDestino(&f_, QStringLiteral("Exportar filas a csv"),
                                       QStringLiteral("transmision_%1.csv").arg(numero));
    if (!destino) return;
    // Una transmisión grande tarda: el avance se muestra y su "Detener" la termina sin dejar archivo.
    Detencion::Limpiar();
    m.setOcupado(true);
    QProgressDialog avance(QStringLiteral("Exportando filas..."), QStringLiteral("Detener"), 0, 0, &f_);
    avance.setWindowTitle(QStringLiteral("Exportar filas a csv"));
    avance.setWindowModality(Qt::WindowModal);
    avance.setMinimumDuration(500);
    connect(&avance, &QProgressDialog::canceled, this, [] { Detencion::Pedir(); });
    try {
        const qint64 filas = ExportarTransmision(
            Componentes::Datos(), numero, destino->ruta, destino->codificacion, [&](qint64 hechas) {
                const QString texto =
                    QStringLiteral("Exportando %1...")
                        .arg(Regional::Cantidad(hechas, QStringLiteral("fila"), QStringLiteral("filas")));
                m.setLblEstadoTransmisiones(texto);
                avance.setLabelText(texto);
                avance.setValue(0);
                Proceso::BombearEventos();
            });
        m.setLblEstadoTransmisiones(QStringLiteral("Transmisión %1: %2 a %3")
                                        .arg(numero)
                                        .arg(Regional::Cantidad(filas, QStringLiteral("fila exportada"),
                                                                QStringLiteral("filas exportadas")))
                                        .arg(destino->ruta));
    } catch (const ErrorEjecucion& e) {
        if (e.numero() == Detencion::NumeroFalla) {
            m.setLblEstadoTransmisiones(QStringLiteral("Exportación detenida: el archivo no se escribió."));
        } else {
            m.setLblEstadoTransmisiones(QStringLiteral("..."));
            MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoExclamacion);
        }
    }
    Detencion::Limpiar();
    m.setOcupado(false);
}

bool HerramientasVentana::anularTransmision(int fila) {
    ModeloVentana& m = f_.modelo();
    if (m.ocupado() || fila <= 0 || fila >= m.MSFlexGrid1.Rows()) return false;
    const int32_t numero = m.MSFlexGrid1.TextMatrix(fila, 1).toInt();
    if (numero <= 0) return false;
    const QString titulo = QStringLiteral("Anular transmisión");
    const EstadoAnulacion antes = PrepararAnulacion(numero);
    if (antes.motivo != EstadoAnulacion::Lista) {
        MsgBox(antes.mensaje, Botones::Aceptar | Botones::IconoExclamacion, titulo);
        return false;
    }
    if (MsgBox(antes.pregunta(), Botones::SiNo | Botones::IconoPregunta | Botones::SegundoPorDefecto,
               titulo) != RespuestaMensaje::Si)
        return false;
    const EstadoAnulacion hecha = Anular(numero);
    if (hecha.motivo != EstadoAnulacion::Lista) {
        MsgBox(hecha.mensaje, Botones::Aceptar | Botones::IconoExclamacion, titulo);
        return false;
    }
    // La lista, la grilla de filas y su línea muestran ya la transmisión anulada: una grilla que
    // siguiera listando las filas borradas haría creer que la anulación no se hizo.
    f_.procedimientos().recargarConsulta();
    seguirFilaElegida();
    m.setLblEstadoTransmisiones(QStringLiteral("Transmisión %1 anulada: %2.")
                                    .arg(numero)
                                    .arg(Regional::Cantidad(hecha.filas, QStringLiteral("fila borrada"),
                                                            QStringLiteral("filas borradas"))));
    return true;
}

void HerramientasVentana::seguirFilaElegida() {
    const int fila = f_.modelo().MSFlexGrid1.Row;
    Proceso::BombearEventos();  // las grillas muestran sus cambios antes de elegir la fila
    if (fila > 0) f_.MSFlexGrid1->setCurrentIndex(f_.MSFlexGrid1->model()->index(fila, 1));
}

bool HerramientasVentana::mostrarSerie(int32_t transmision, const QString& serie) {
    ModeloVentana& m = f_.modelo();
    if (m.ocupado()) return false;
    if (f_.SSTab1->currentIndex() != 1) f_.SSTab1->setCurrentIndex(1);  // carga la lista
    const QString numero = QString::number(transmision);
    int f = m.MSFlexGrid1.buscar(1, numero);
    if (f < 0) {  // una transmisión más nueva que la lista
        f_.procedimientos().cargaTransmisiones();
        f = m.MSFlexGrid1.buscar(1, numero);
        if (f < 0) return false;
    }
    m.MSFlexGrid1.Row = f;
    f_.procedimientos().MSFlexGrid1_Click();
    const int g = m.MSFlexGrid3.buscar(2, serie);  // la grilla lee sus tramos a medida que se recorre
    // Las grillas eligen de a una celda: la de la transmisión y la de la serie.
    seguirFilaElegida();
    if (g < 0) return false;
    m.MSFlexGrid3.Row = g;
    const QModelIndex celda = f_.MSFlexGrid3->model()->index(g, 2);
    f_.MSFlexGrid3->setCurrentIndex(celda);
    f_.MSFlexGrid3->scrollTo(celda, QAbstractItemView::PositionAtCenter);
    // Las grillas se ven desde su primera columna: la fila entera, no sólo la celda elegida.
    for (QTableView* grilla : {f_.MSFlexGrid1, f_.MSFlexGrid3}) grilla->horizontalScrollBar()->setValue(0);
    f_.raise();
    f_.activateWindow();
    return true;
}
