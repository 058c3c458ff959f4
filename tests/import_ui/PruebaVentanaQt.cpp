#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <deque>

#include "comun/SuiteEmbebida.h"
#include "import/ui/FrmAuxGarantia.h"

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
        SuiteEmbebida::SetUp();
        auto s = std::make_unique<Selector>();
        selector_ = s.get();
        ventana_ = std::make_unique<FrmAuxGarantia>(std::move(s));
        ventana_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ventana_.get()));
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
    EXPECT_EQ(ventana_->MSFlexGrid2->columnWidth(1), 2000 / 15);
    ventana_->grab().save("/tmp/ventana_importar.png");

    QTest::mouseClick(ventana_->cmdImportar, Qt::LeftButton);
    QTest::qWait(80);
    EXPECT_EQ(ventana_->lblEstado->text(), "Importación finalizada");
    EXPECT_TRUE(ventana_->lblResumen->text().contains("2 filas agregadas")) << qPrintable(ventana_->lblResumen->text());
    EXPECT_TRUE(ventana_->CmdBuscar->isEnabled());

    ventana_->SSTab1->setCurrentIndex(1);
    QTest::qWait(50);
    EXPECT_EQ(celda(ventana_->MSFlexGrid1, 1, 1), "1");
    EXPECT_EQ(celda(ventana_->MSFlexGrid1, 1, 2), "operador");
    const QModelIndex nro = ventana_->MSFlexGrid1->model()->index(1, 1);
    QTest::mouseClick(ventana_->MSFlexGrid1->viewport(), Qt::LeftButton, {}, ventana_->MSFlexGrid1->visualRect(nro).center());
    QTest::qWait(50);
    EXPECT_EQ(celda(ventana_->MSFlexGrid3, 2, 2), "S2");
    EXPECT_EQ(ventana_->lblEstadoTransmisiones->text(), "... ");
    ventana_->grab().save("/tmp/ventana_consultar.png");
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
}
