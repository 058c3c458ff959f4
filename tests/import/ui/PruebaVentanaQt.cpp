#include <QAbstractProxyModel>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>

#include "comun/SuiteEmbebida.h"
#include "import/ui/DialogosHerramientas.h"
#include "import/ui/FrmAuxGarantia.h"
#include "import/ui/HerramientasVentana.h"
#include "import/ui/SelectorArchivoQt.h"
#include "platform/Dll_Sistema.h"
#include "platform/ui/Ajustes.h"
#include "startup/InicioAplicacion.h"

namespace {
class Selector : public SelectorArchivo {
  public:
    std::deque<std::optional<QString>> guion;
    std::optional<QString> elegir(const QString&, const QString&) override {
        if (guion.empty()) return std::nullopt;
        auto r = guion.front();
        guion.pop_front();
        return r;
    }
};

class VentanaQt : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());
        auto s = std::make_unique<Selector>();
        selector_ = s.get();
        ventana_ = std::make_unique<FrmAuxGarantia>(std::move(s));
        ventana_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ventana_.get()));
        ventana_->activateWindow();
        QTest::qWaitForWindowActive(ventana_.get());
    }
    void TearDown() override {
        ventana_.reset();
        SuiteEmbebida::TearDown();
    }
    QString celda(QTableView* v, int f, int c) { return v->model()->index(f, c).data().toString(); }

    Selector* selector_;
    std::unique_ptr<FrmAuxGarantia> ventana_;
    MensajesDePrueba mensajes_;
};
}  // namespace

TEST_F(VentanaQt, DisposicionInicial) {
    EXPECT_EQ(ventana_->windowTitle(), "Importación de garantías");
    EXPECT_EQ(ventana_->size(), QSize(744, 522));
    EXPECT_EQ(ventana_->cmdImportar->geometry(), QRect(584, 460, 129, 33));
    EXPECT_EQ(ventana_->CmdBuscar->text(), "Buscar >>>");
    EXPECT_TRUE(ventana_->CmdBuscar->font().bold());
    EXPECT_EQ(ventana_->lblEstado->text(), "...");
    EXPECT_EQ(ventana_->SSTab1->tabText(0), "Importar");
    EXPECT_EQ(ventana_->SSTab1->tabText(1), "Consultar");
    EXPECT_EQ(ventana_->MSFlexGrid2->model()->rowCount(), 2);
    EXPECT_EQ(ventana_->MSFlexGrid2->model()->columnCount(), 2);
}

TEST_F(VentanaQt, BuscarEImportarConClics) {
    const QString ruta = dir_.filePath("prov/lista.csv");
    EscribirArchivo(ruta, "eca1,serie,modelo,x,act\nE1,S1,TV,1,A\nE2,S2,Radio,2,B\n");
    selector_->guion.push_back(ruta);
    QTest::mouseClick(ventana_->CmdBuscar, Qt::LeftButton);
    QTest::qWait(50);
    EXPECT_EQ(ventana_->txtTabla->text(), ruta);
    EXPECT_EQ(ventana_->cmbTabla->count(), 2);
    EXPECT_EQ(ventana_->cmbTabla->currentText(), "lista#csv");
    EXPECT_EQ(ventana_->modelo().campo("SqlPrevio"), "SELECT * FROM [lista#csv]");
    EXPECT_EQ(celda(ventana_->MSFlexGrid2, 1, 2), "S1");
    EXPECT_EQ(celda(ventana_->MSFlexGrid2, 0, 3), "modelo");
    // Los anchos del diseño, escalados a la letra: la fecha de la columna 5 entra entera.
    const QFontMetrics medida(ventana_->MSFlexGrid2->font());
    EXPECT_GE(ventana_->MSFlexGrid2->columnWidth(1), 2000 / 15);
    EXPECT_NEAR(ventana_->MSFlexGrid2->columnWidth(1), 4 * ventana_->MSFlexGrid2->columnWidth(0), 4);
    EXPECT_GT(ventana_->MSFlexGrid2->columnWidth(5), medida.horizontalAdvance("01/03/2026"));
    EXPECT_TRUE(ventana_->grab().save(dir_.filePath("ventana_importar.png")));

    QTest::mouseClick(ventana_->cmdImportar, Qt::LeftButton);
    QTest::qWait(80);
    EXPECT_EQ(ventana_->lblEstado->text(), "Importación finalizada");
    EXPECT_EQ(ventana_->lblResumen->text(),
              "Transmisión 1: 2 filas agregadas, 0 series ya guardadas, 0 filas sin serie.");
    EXPECT_TRUE(ventana_->CmdBuscar->isEnabled());

    ventana_->SSTab1->setCurrentIndex(1);
    QTest::qWait(50);
    EXPECT_EQ(celda(ventana_->MSFlexGrid1, 1, 1), "1");
    EXPECT_EQ(celda(ventana_->MSFlexGrid1, 1, 2), "operador");
    // La columna "Fecha" se ensancha hasta su contenido: la hora se lee entera.
    EXPECT_FALSE(ventana_->MSFlexGrid1->model()->index(1, 3).data(Qt::ToolTipRole).isValid())
        << qPrintable(celda(ventana_->MSFlexGrid1, 1, 3));
    const QModelIndex nro = ventana_->MSFlexGrid1->model()->index(1, 1);
    QTest::mouseClick(ventana_->MSFlexGrid1->viewport(), Qt::LeftButton, {},
                      ventana_->MSFlexGrid1->visualRect(nro).center());
    QTest::qWait(50);
    EXPECT_EQ(celda(ventana_->MSFlexGrid3, 2, 2), "S2");
    QTest::qWaitFor([&] { return ventana_->lblEstadoTransmisiones->text() == "... "; }, 2000);
    EXPECT_EQ(ventana_->lblEstadoTransmisiones->text(), "... ");
    EXPECT_TRUE(ventana_->grab().save(dir_.filePath("ventana_consultar.png")));
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
}

namespace {
// El control que tiene el foco es w (o algo dentro de w, como la caja de texto de una lista).
bool Enfocado(QWidget* w) {
    QWidget* f = QApplication::focusWidget();
    return f && (f == w || w->isAncestorOf(f) || f == w->focusProxy());
}
}  // namespace

namespace {
// Enter y Esc en cada control de la lista no terminan el programa ni mueven el foco; Tab lleva
// al control siguiente de la lista (después del último, al primero).
void ProbarTeclas(FrmAuxGarantia& ventana, const std::vector<QWidget*>& orden) {
    const int n = static_cast<int>(orden.size());
    for (int i = 0; i < n; ++i) {
        QWidget* w = orden[i];
        SCOPED_TRACE(qPrintable(w->objectName()));
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(Enfocado(w));
        for (Qt::Key tecla : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QWidget* destino = QApplication::focusWidget();
            EXPECT_NO_THROW(QTest::keyClick(destino, tecla))
                << "la tecla " << tecla << " terminó el programa";
            QTest::qWait(10);
            EXPECT_TRUE(ventana.isVisible());
            EXPECT_TRUE(Enfocado(w)) << "la tecla " << tecla << " movió el foco";
        }
        EXPECT_NO_THROW(QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab));
        EXPECT_TRUE(Enfocado(orden[(i + 1) % n]))
            << "Tab no llevó a " << qPrintable(orden[(i + 1) % n]->objectName());
    }
}
}  // namespace

TEST_F(VentanaQt, EnterYEscNoHacenNadaYTabRecorreLosControles) {
    FinObservable fin;
    ventana_->txtTabla->setText("/no/existe.csv");
    // La página "Importar"; después de las pestañas se vuelve al principio.
    ProbarTeclas(*ventana_,
                 {ventana_->txtTabla, ventana_->CmdBuscar, ventana_->cmbTabla, ventana_->cmdCargarVistaPrevia,
                  ventana_->MSFlexGrid2, ventana_->cmdImportar, ventana_->cmdSalir, ventana_->SSTab1});
    EXPECT_EQ(ventana_->SSTab1->currentIndex(), 0);
    EXPECT_EQ(ventana_->txtTabla->text(), "/no/existe.csv");  // Enter no buscó nada
    EXPECT_EQ(ventana_->lblEstado->text(), "...");
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    for (QPushButton* b : ventana_->findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault() || b->autoDefault());

    // La página "Consultar": las pestañas y las dos grillas.
    ventana_->SSTab1->setCurrentIndex(1);
    QTest::qWait(20);
    ProbarTeclas(*ventana_, {ventana_->SSTab1, ventana_->MSFlexGrid1, ventana_->MSFlexGrid3});
    EXPECT_EQ(ventana_->SSTab1->currentIndex(), 1);
}

TEST_F(VentanaQt, F1AbreLaAyudaSiEsta) {
    QStringList abiertos;
    Dll_Sistema::FijarLanzador([&](const QString&, const QStringList& argumentos) {
        abiertos << argumentos.value(0);
        return true;
    });
    const QString ayuda = dir_.filePath("htmlhelp/orvabizpack.chm");
    FijarArchivoAyuda(ayuda);
    QTest::keyClick(ventana_->txtTabla, Qt::Key_F1);  // todavía no está
    EscribirArchivo(ayuda, "ayuda");
    QTest::keyClick(ventana_->txtTabla, Qt::Key_F1);
    Dll_Sistema::FijarLanzador({});
    FijarArchivoAyuda({});
    EXPECT_EQ(abiertos, QStringList{ayuda});
}

TEST_F(VentanaQt, LasEtiquetasSeLeenEnterasSinMoverLosControles) {
    for (QLabel* l : ventana_->findChildren<QLabel*>()) {
        if (l->text().isEmpty()) continue;
        SCOPED_TRACE(qPrintable(l->objectName() + ": " + l->text()));
        const QFontMetrics m(l->font());
        if (l->wordWrap()) {
            const QRect r = m.boundingRect(QRect(0, 0, l->width() - 2, 10000), Qt::TextWordWrap, l->text());
            EXPECT_LE(r.height(), l->height());
        } else {
            EXPECT_LE(m.horizontalAdvance(l->text()), l->width());
            EXPECT_LE(m.height(), l->height() + 1);
        }
        EXPECT_TRUE(l->parentWidget()->rect().contains(l->geometry()));
    }
    // Los controles quedan donde los pone el diseño.
    EXPECT_EQ(ventana_->cmdSalir->geometry(), QRect(640, 32, 89, 41));
    EXPECT_EQ(ventana_->txtTabla->geometry(), QRect(24, 100, 425, 19));
    EXPECT_EQ(ventana_->MSFlexGrid2->geometry(), QRect(24, 180, 689, 273));
}

TEST_F(VentanaQt, LasGrillasSeAgrandanMuestranLoCortadoYSaleTab) {
    // Más largo que media grilla: la columna se ensancha hasta ahí y lo demás se lee en la sugerencia.
    const QString largo =
        QString("Un modelo con un nombre larguísimo que no entra en su columna ").repeated(2);
    const QString ruta = dir_.filePath("prov/largo.csv");
    EscribirArchivo(ruta, ("eca1,serie,modelo,x,activacion\nE1,S1," + largo + ",1,01/03/2026\n").toUtf8());
    selector_->guion.push_back(ruta);
    QTest::mouseClick(ventana_->CmdBuscar, Qt::LeftButton);
    QTest::qWait(50);
    QAbstractItemModel* m = ventana_->MSFlexGrid2->model();
    EXPECT_EQ(m->index(1, 3).data(Qt::DisplayRole).toString(), largo);
    EXPECT_EQ(m->index(1, 3).data(Qt::ToolTipRole).toString(), largo);
    EXPECT_FALSE(m->index(1, 2).data(Qt::ToolTipRole).isValid());  // "S1" entra
    EXPECT_FALSE(m->index(1, 5).data(Qt::ToolTipRole).isValid());  // la fecha entra
    // La fila de títulos es el encabezado; el operador cambia los anchos arrastrando sus bordes.
    QHeaderView* titulos = ventana_->MSFlexGrid2->horizontalHeader();
    EXPECT_TRUE(titulos->isVisible());
    EXPECT_EQ(m->headerData(3, Qt::Horizontal).toString(), "modelo");
    EXPECT_TRUE(ventana_->MSFlexGrid2->isRowHidden(0));
    EXPECT_EQ(titulos->sectionResizeMode(3), QHeaderView::Interactive);
    titulos->resizeSection(3, 1200);
    EXPECT_FALSE(m->index(1, 3).data(Qt::ToolTipRole).isValid());
    EXPECT_FALSE(ventana_->MSFlexGrid2->tabKeyNavigation());
}

TEST_F(VentanaQt, ElResumenSeBorraAlElegirOtroArchivo) {
    const QString ruta = dir_.filePath("prov/lista.csv");
    EscribirArchivo(ruta, "eca1,serie,modelo,x,act\nE1,S1,TV,1,A\nE2,,Radio,2,B\n");
    selector_->guion.push_back(ruta);
    QTest::mouseClick(ventana_->CmdBuscar, Qt::LeftButton);
    QTest::mouseClick(ventana_->cmdImportar, Qt::LeftButton);
    QTest::qWait(600);                           // un clic antes sería el segundo de un doble clic
    mensajes_->responder(RespuestaMensaje::Si);  // el mismo archivo otra vez: se pregunta
    QTest::mouseClick(ventana_->cmdImportar, Qt::LeftButton);
    QTest::qWait(50);
    const QString texto = "Ninguna transmisión: 0 filas agregadas, 1 serie ya guardada, 1 fila sin serie.";
    EXPECT_EQ(ventana_->lblResumen->text(), texto);
    // Un texto que no entra en sus dos líneas se lee entero en la sugerencia.
    const QString largo =
        texto + " Aviso: " + QString("la columna 1, \"serie\", se toma como eca1; ").repeated(4);
    ventana_->modelo().setLblResumen(largo);
    EXPECT_EQ(ventana_->lblResumen->toolTip(), largo);
    const QFontMetrics medida(ventana_->lblResumen->font());
    EXPECT_LE(
        medida.boundingRect(QRect(0, 0, ventana_->lblResumen->width() - 2, 10000), Qt::TextWordWrap, texto)
            .height(),
        ventana_->lblResumen->height());
    selector_->guion.push_back(ruta);
    QTest::mouseClick(ventana_->CmdBuscar, Qt::LeftButton);
    EXPECT_EQ(ventana_->lblResumen->text(), "");
}

// El aviso de títulos en otro orden se lee entero en el resumen de la vista previa, que queda en su
// lugar: la letra achica lo justo y, si ni así entra, el resumen se desplaza hasta su última línea.
TEST_F(VentanaQt, ElAvisoDeOrdenSeLeeEnteroEnElResumen) {
    const QString ruta = dir_.filePath(
        QStringLiteral("prov/") + QStringLiteral("carpeta del proveedor con un nombre largo/").repeated(3) +
        QStringLiteral("orden de las columnas.csv"));
    EscribirArchivo(ruta, "serie;eca1;modelo;factura;activacion\nORD0001;E9;TV;F1;01/03/2026\n");
    selector_->guion.push_back(ruta);
    QTest::mouseClick(ventana_->CmdBuscar, Qt::LeftButton);
    QLabel* l = ventana_->lblResumen;
    const QString aviso = ventana_->modelo().lblResumen();
    ASSERT_TRUE(aviso.contains("otro orden")) << qPrintable(aviso);
    EXPECT_EQ(l->text(), aviso);
    EXPECT_EQ(l->toolTip(), aviso);
    EXPECT_GE(l->font().pointSizeF(), 7.0);
    // El texto entero cabe en la etiqueta...
    const QFontMetrics m(l->font());
    const int alto =
        m.boundingRect(QRect(0, 0, l->contentsRect().width(), 100000), Qt::TextWordWrap, aviso).height();
    EXPECT_LE(alto, l->contentsRect().height());
    // ...y la etiqueta entera se puede ver desde el lugar del resumen, desplazándola si hace falta.
    auto* marco = qobject_cast<QAbstractScrollArea*>(l->parentWidget()->parentWidget());
    const QWidget* lugar = marco ? static_cast<QWidget*>(marco) : l;
    EXPECT_EQ(lugar->geometry(), QRect(360, 144, 353, 35));
    const int alcance =
        marco ? marco->viewport()->height() + marco->verticalScrollBar()->maximum() : l->height();
    EXPECT_GE(alcance, l->height());
}

TEST_F(VentanaQt, CtrlFinLlegaALaUltimaFilaYLaLineaDiceCuantasSon) {
    sql("INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha,Hora,Responsable_envio,Anulado) VALUES "
        "('S',1,'01/01/2026','10:00','op',0)");
    sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 7000) "
        "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) SELECT 'M', 'S' || i, 1, "
        "'E', 'A' FROM n");
    ventana_->SSTab1->setCurrentIndex(1);
    QTest::qWait(50);
    const QModelIndex nro = ventana_->MSFlexGrid1->model()->index(1, 1);
    QTest::mouseClick(ventana_->MSFlexGrid1->viewport(), Qt::LeftButton, {},
                      ventana_->MSFlexGrid1->visualRect(nro).center());
    QTest::qWait(50);
    EXPECT_EQ(ventana_->lblInfoTransmision->text(), "Transmisión 1: 7.000 filas");
    EXPECT_TRUE(ventana_->lblInfoTransmision->isVisible());
    QTableView* g = ventana_->MSFlexGrid3;
    g->setFocus();
    g->setCurrentIndex(g->model()->index(1, 2));
    QTest::keyClick(g, Qt::Key_End, Qt::ControlModifier);
    QTest::qWait(50);
    // La última fila de datos (la vacía del final queda debajo).
    EXPECT_EQ(g->currentIndex().row(), g->model()->rowCount() - 1);
    EXPECT_EQ(g->model()->index(7000, 2).data().toString(), "S7000");
    EXPECT_EQ(ventana_->lblEstadoTransmisiones->text(), "... ");
}

TEST(TraduccionesQt, ElDialogoDeArchivoYLosMenusHablanEspanol) {
    ASSERT_TRUE(CargarTraduccionesQt()) << "faltan las traducciones de Qt (paquete qt6-translations-l10n)";
    EXPECT_EQ(QCoreApplication::translate("QLineEdit", "&Undo"), "&Deshacer");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), "&Nombre de fichero:");
}

TEST(DialogoDeArchivo, TipoYFechaEnEspanol) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir("carpeta");
    EscribirArchivo(dir.filePath("datos.csv"), "a\n");
    QFile csv(dir.filePath("datos.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        csv.setFileTime(QDateTime(QDate(2025, 12, 3), QTime(9, 5)), QFileDevice::FileModificationTime));
    csv.close();
    QFileSystemModel archivos;
    archivos.setRootPath(dir.path());
    QAbstractProxyModel* vista = ColumnasArchivosEnEspanol(&archivos);
    vista->setSourceModel(&archivos);
    const auto celda = [&](const QString& ruta, int columna) {
        return vista->mapFromSource(archivos.index(ruta, columna)).data().toString();
    };
    // El modelo llena los tipos en otro hilo: se espera a que lleguen y se comparan como falla de
    // la prueba (las macros QTRY_ de Qt sólo salen de la función, sin fallarla).
    const auto llega = [&](const QString& ruta, int columna, const QString& esperado) {
        QTest::qWaitFor([&] { return celda(ruta, columna) == esperado; }, 5000);
        EXPECT_EQ(celda(ruta, columna), esperado) << qPrintable(ruta);
    };
    llega(dir.filePath("carpeta"), 2, "Carpeta");
    llega(dir.filePath("datos.csv"), 2, "Archivo csv");
    EXPECT_EQ(celda(dir.filePath("datos.csv"), 3), "03/12/2025 09:05");
}

// El diálogo de guardar de "Exportar filas a csv" y de las filas no agregadas dice las columnas en
// español como el de abrir: "Carpeta", no "Folder".
TEST_F(VentanaQt, ElDialogoDeGuardarTambienEnEspanol) {
    QDir(dir_.path()).mkdir("carpeta");
    QString tipo = "(no se abrió el diálogo)";
    QTimer::singleShot(0, [&] {
        auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialogo) return;
        QAbstractProxyModel* vista = dialogo->proxyModel();
        auto* archivos = vista ? qobject_cast<QFileSystemModel*>(vista->sourceModel()) : nullptr;
        const auto celda = [&] {
            return archivos
                       ? vista->mapFromSource(archivos->index(dir_.filePath("carpeta"), 2)).data().toString()
                       : QStringLiteral("(sin columnas propias)");
        };
        QTest::qWaitFor([&] { return celda() == "Carpeta"; }, 5000);
        tipo = celda();
        dialogo->reject();
    });
    // El diálogo de Qt guarda su historia en la configuración del usuario: aquí, en la carpeta temporal.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    EXPECT_FALSE(ElegirDestinoQt(ventana_.get(), "Exportar filas a csv", dir_.filePath("transmision_5.csv")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    EXPECT_EQ(tipo, "Carpeta");
}

// Un estado largo se corta con "…" dentro de su etiqueta (no corre bajo "Importar") y se lee entero
// en la sugerencia; la grilla de filas de otra transmisión se muestra desde su primera columna.
TEST_F(VentanaQt, ElEstadoLargoSeCortaEnSuLugarYOtraTransmisionSeVeDesdeElPrincipio) {
    const QString largo = QString("Leyendo la hoja con un nombre que no termina nunca ").repeated(4);
    ventana_->modelo().setLblEstado(largo);
    QTest::qWaitFor([&] { return ventana_->lblEstado->text() != "..."; }, 2000);
    EXPECT_TRUE(ventana_->lblEstado->text().endsWith(QChar(0x2026)))
        << qPrintable(ventana_->lblEstado->text());
    EXPECT_LE(QFontMetrics(ventana_->lblEstado->font()).horizontalAdvance(ventana_->lblEstado->text()),
              ventana_->lblEstado->width());
    EXPECT_EQ(ventana_->lblEstado->toolTip(), largo);
    EXPECT_LT(ventana_->lblEstado->geometry().right(), ventana_->cmdImportar->geometry().left());
    // Con "Ver filas no agregadas" a la vista, la línea termina antes del botón y se vuelve a cortar.
    QPushButton* verFilas = ventana_->herramientas()->cmdVerFilas;
    const int ancho = ventana_->lblEstado->width();
    verFilas->show();
    EXPECT_LT(ventana_->lblEstado->geometry().right(), verFilas->geometry().left());
    EXPECT_LE(QFontMetrics(ventana_->lblEstado->font()).horizontalAdvance(ventana_->lblEstado->text()),
              ventana_->lblEstado->width());
    verFilas->hide();
    EXPECT_EQ(ventana_->lblEstado->width(), ancho);
    ventana_->modelo().setLblEstado("...");

    const QString modelo = QString("M").repeated(400);
    int n = 0;
    for (const QString& serie : {"S1", "S2"}) {
        const QString ruta = dir_.filePath(QString("prov/t%1.csv").arg(++n));
        EscribirArchivo(ruta, ("eca1,serie,modelo,x,act\nE1," + serie + "," + modelo + ",1,A\n").toUtf8());
        selector_->guion.push_back(ruta);
        QTest::mouseClick(ventana_->CmdBuscar, Qt::LeftButton);
        QTest::mouseClick(ventana_->cmdImportar, Qt::LeftButton);
        QTest::qWait(600);  // el clic siguiente no es el segundo de un doble clic
    }
    ventana_->SSTab1->setCurrentIndex(1);
    QTest::qWait(50);
    auto mostrar = [&](int fila) {
        const QModelIndex nro = ventana_->MSFlexGrid1->model()->index(fila, 1);
        QTest::mouseClick(ventana_->MSFlexGrid1->viewport(), Qt::LeftButton, {},
                          ventana_->MSFlexGrid1->visualRect(nro).center());
        QTest::qWait(50);
    };
    mostrar(1);
    ventana_->MSFlexGrid3->horizontalHeader()->resizeSection(1, 3000);  // el operador la ensanchó
    QScrollBar* barra = ventana_->MSFlexGrid3->horizontalScrollBar();
    ASSERT_GT(barra->maximum(), 0);
    barra->setValue(barra->maximum());
    mostrar(2);
    EXPECT_EQ(barra->value(), 0);
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
}
