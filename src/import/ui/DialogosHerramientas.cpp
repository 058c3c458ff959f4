#include "import/ui/DialogosHerramientas.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "import/ArchivoRechazos.h"
#include "import/ui/SelectorArchivoQt.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "suite/Componentes.h"

namespace {
const QString kFiltroPlanilla = QStringLiteral("csv para planilla, Windows-1252 (*.csv)");
const QString kFiltroUtf8 = QStringLiteral("csv UTF-8 (*.csv)");

QTableWidget* Tabla(QWidget* padre, const QStringList& titulos) {
    auto* t = new QTableWidget(0, static_cast<int>(titulos.size()), padre);
    t->setHorizontalHeaderLabels(titulos);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
    t->setWordWrap(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}
void Celda(QTableWidget* t, int fila, int columna, const QString& texto) {
    t->setItem(fila, columna, new QTableWidgetItem(texto));
}
}  // namespace

std::optional<DestinoCsv> ElegirDestinoQt(QWidget* padre, const QString& titulo, const QString& nombre) {
    // El mismo diálogo que el de abrir (no nativo, con las columnas en español), para guardar.
    QFileDialog dialogo(padre, titulo, nombre, kFiltroPlanilla + QStringLiteral(";;") + kFiltroUtf8);
    dialogo.setOption(QFileDialog::DontUseNativeDialog);
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.selectNameFilter(kFiltroPlanilla);
    EnEspanol(dialogo);
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return std::nullopt;
    const bool utf8 = dialogo.selectedNameFilter() == kFiltroUtf8;
    return DestinoCsv{dialogo.selectedFiles().constFirst(),
                      utf8 ? ArchivoCsv::Codificacion::Utf8 : ArchivoCsv::Codificacion::Windows1252};
}

DialogoBuscarSerie::DialogoBuscarSerie(std::function<void(int32_t, const QString&)> mostrar, QWidget* padre)
    : QDialog(padre), mostrar_(std::move(mostrar)) {
    setWindowTitle(QStringLiteral("Buscar serie"));
    resize(560, 420);
    auto* capas = new QVBoxLayout(this);
    capas->addWidget(new QLabel(QStringLiteral("Series (una por línea, o pegadas de una planilla):"), this));
    series = new QPlainTextEdit(this);
    series->setObjectName(QStringLiteral("series"));
    series->setMaximumHeight(90);
    capas->addWidget(series);
    auto* botones = new QHBoxLayout;
    cmdBuscar = new QPushButton(QStringLiteral("Buscar"), this);
    cmdVerFilas = new QPushButton(QStringLiteral("Ver filas"), this);
    cmdVerFilas->setEnabled(false);
    auto* cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    botones->addWidget(cmdBuscar);
    botones->addWidget(cmdVerFilas);
    botones->addStretch();
    botones->addWidget(cerrar);
    capas->addLayout(botones);
    respuesta = Tabla(this, {QStringLiteral("Serie"), QStringLiteral("Transmisión"), QStringLiteral("Fecha"),
                             QStringLiteral("Usuario")});
    respuesta->setColumnWidth(0, 160);
    respuesta->setColumnWidth(2, 130);
    capas->addWidget(respuesta);
    lblEstado = new QLabel(this);
    capas->addWidget(lblEstado);
    for (QPushButton* b : {cmdBuscar, cmdVerFilas, cerrar}) b->setAutoDefault(false);

    connect(cmdBuscar, &QPushButton::clicked, this, &DialogoBuscarSerie::buscar);
    connect(cmdVerFilas, &QPushButton::clicked, this, &DialogoBuscarSerie::verFilas);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::close);
    connect(respuesta, &QTableWidget::cellDoubleClicked, this, [this](int, int) { verFilas(); });
    connect(respuesta, &QTableWidget::currentCellChanged, this, [this](int fila, int, int, int) {
        cmdVerFilas->setEnabled(fila >= 0 && fila < static_cast<int>(lista_.size()) &&
                                lista_[static_cast<std::size_t>(fila)].encontrada);
    });
}

void DialogoBuscarSerie::buscar() {
    const QStringList pedidas = SeriesDeTexto(series->toPlainText());
    respuesta->setRowCount(0);
    lista_.clear();
    cmdVerFilas->setEnabled(false);
    if (pedidas.isEmpty()) {
        lblEstado->setText(QStringLiteral("Escriba o pegue al menos una serie."));
        return;
    }
    // De a tramos: una lista larga pegada no deja la ventana quieta.
    constexpr qsizetype kTramo = 500;
    try {
        for (qsizetype i = 0; i < pedidas.size(); i += kTramo) {
            lblEstado->setText(QStringLiteral("Buscando %1 de %2...")
                                   .arg(Regional::TextoMiles(i), Regional::TextoMiles(pedidas.size())));
            Proceso::BombearEventos();
            const auto tramo = BuscarSeriesPedidas(Componentes::Datos(), pedidas.mid(i, kTramo));
            lista_.insert(lista_.end(), tramo.begin(), tramo.end());
        }
    } catch (const ErrorEjecucion& e) {
        lblEstado->setText(QStringLiteral("La búsqueda falló."));
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoExclamacion);
        return;
    }
    respuesta->setRowCount(static_cast<int>(lista_.size()));
    qsizetype faltan = 0;
    for (int f = 0; f < static_cast<int>(lista_.size()); ++f) {
        const SerieEncontrada& s = lista_[static_cast<std::size_t>(f)];
        Celda(respuesta, f, 0, s.encontrada ? s.serie : s.pedida);
        Celda(respuesta, f, 1,
              s.encontrada ? QString::number(s.transmision) : QStringLiteral("no encontrada"));
        Celda(respuesta, f, 2, s.fecha);
        Celda(respuesta, f, 3, s.usuario);
        if (!s.encontrada) ++faltan;
    }
    lblEstado->setText(faltan == 0
                           ? QStringLiteral("Todas encontradas. Doble clic en una para ver su transmisión.")
                           : QStringLiteral("%1 de %2 no encontradas.")
                                 .arg(Regional::TextoMiles(faltan), Regional::TextoMiles(pedidas.size())));
}

void DialogoBuscarSerie::verFilas() {
    const int f = respuesta->currentRow();
    if (f < 0 || f >= static_cast<int>(lista_.size()) || !lista_[static_cast<std::size_t>(f)].encontrada)
        return;
    const SerieEncontrada& s = lista_[static_cast<std::size_t>(f)];
    mostrar_(s.transmision, s.serie);
}

DialogoFilasNoAgregadas::DialogoFilasNoAgregadas(const Rechazos& rechazos, ElegirDestinoCsv elegir,
                                                 QWidget* padre)
    : QDialog(padre), rechazos_(rechazos), elegir_(std::move(elegir)) {
    setWindowTitle(QStringLiteral("Filas no agregadas"));
    resize(620, 440);
    auto* capas = new QVBoxLayout(this);
    lblCantidad = new QLabel(this);
    capas->addWidget(lblCantidad);
    lista = Tabla(this, {QStringLiteral("Fila"), QStringLiteral("Serie"), QStringLiteral("Motivo")});
    lista->setColumnWidth(0, 70);
    lista->setColumnWidth(1, 170);
    capas->addWidget(lista);
    auto* botones = new QHBoxLayout;
    cmdGuardar = new QPushButton(QStringLiteral("Guardar como csv..."), this);
    auto* cerrar = new QPushButton(QStringLiteral("Cerrar"), this);
    for (QPushButton* b : {cmdGuardar, cerrar}) b->setAutoDefault(false);
    botones->addWidget(cmdGuardar);
    botones->addStretch();
    botones->addWidget(cerrar);
    capas->addLayout(botones);
    connect(cmdGuardar, &QPushButton::clicked, this, &DialogoFilasNoAgregadas::guardar);
    connect(cerrar, &QPushButton::clicked, this, &QDialog::close);

    std::vector<FilaNoAgregada> filas;
    try {
        filas = FilasNoAgregadas(rechazos_, &Componentes::Datos(), kTope);
    } catch (const ErrorEjecucion& e) {
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoExclamacion);
    }
    lista->setRowCount(static_cast<int>(filas.size()));
    for (int f = 0; f < static_cast<int>(filas.size()); ++f) {
        const FilaNoAgregada& r = filas[static_cast<std::size_t>(f)];
        Celda(lista, f, 0, QString::number(r.fila));
        Celda(lista, f, 1, r.serie);
        Celda(lista, f, 2, r.motivo);
    }
    lblCantidad->setText(
        rechazos_.cantidad() > static_cast<qint64>(filas.size())
            ? QStringLiteral("%1 filas no agregadas; se muestran las primeras %2 (el csv lleva todas).")
                  .arg(Regional::TextoMiles(rechazos_.cantidad()),
                       Regional::TextoMiles(static_cast<qint64>(filas.size())))
            : Regional::Cantidad(rechazos_.cantidad(), QStringLiteral("fila no agregada"),
                                 QStringLiteral("filas no agregadas")) +
                  u'.');
}

void DialogoFilasNoAgregadas::guardar() {
    const auto destino =
        elegir_(this, QStringLiteral("Guardar filas no agregadas"), QStringLiteral("no_agregadas.csv"));
    if (!destino) return;
    try {
        ArchivoRechazos archivo(destino->ruta, destino->codificacion);
        archivo.escribir(rechazos_, [](std::vector<Rechazo>& tramo) {
            CompletarTransmisiones(tramo, Componentes::Datos());
        });
        lblCantidad->setText(QStringLiteral("Guardadas en %1").arg(destino->ruta));
    } catch (const ErrorEjecucion& e) {
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoExclamacion);
    }
}
