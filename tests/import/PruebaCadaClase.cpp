// Cada clase de archivo de proveedor, importada de punta a punta por la ventana: elegir el
// archivo, su primera hoja o tabla y "Importar".
#include <QDir>

#include "comun/OrigenesDePrueba.h"
#include "import/VentanaDePrueba.h"

namespace {

class ImportarCadaClase : public VentanaDePrueba, public ::testing::WithParamInterface<OrigenDePrueba> {};

TEST_P(ImportarCadaClase, LaVentanaLoImporta) {
    QDir().mkpath(dir_.filePath(QStringLiteral("origen")));
    const QString ruta = GetParam().escribir(dir_.filePath(QStringLiteral("origen")));
    if (ruta.isEmpty()) {
        if (HayMuestras() || MuestrasObligatorias()) return;  // Muestra() ya lo dio como falla
        GTEST_SKIP() << "no está la muestra pública ../shared/fixtures de " << GetParam().clase;
    }
    buscar(ruta);
    ASSERT_FALSE(modelo_->cmbTablaTexto().isEmpty());
    ventana_->cmdImportar_Click();
    EXPECT_EQ(modelo_->lblEstado(), "Importación finalizada");
    EXPECT_EQ(
        filas("SELECT modelo, serie, nroTransmision, eca1, activacion FROM AUX_GARANTIA ORDER BY serie"),
        GetParam().garantias);
    EXPECT_EQ(filas("SELECT TIPO, Transmision, Responsable_envio, Anulado FROM MV_TRANSMISIONES"),
              QStringList{"S|1|operador|0"});
    EXPECT_EQ(ventana_->resumen().insertadas, GetParam().garantias.size());
    EXPECT_FALSE(ventana_->ConexionOrigen().abierta());
}

// La vista previa de cada clase: su primera hoja o tabla, los títulos y las filas en la grilla.
TEST_P(ImportarCadaClase, LaVistaPreviaLoMuestra) {
    QDir().mkpath(dir_.filePath(QStringLiteral("origen")));
    const QString ruta = GetParam().escribir(dir_.filePath(QStringLiteral("origen")));
    if (ruta.isEmpty()) {
        if (HayMuestras() || MuestrasObligatorias()) return;  // Muestra() ya lo dio como falla
        GTEST_SKIP() << "no está la muestra pública ../shared/fixtures de " << GetParam().clase;
    }
    buscar(ruta);
    EXPECT_EQ(modelo_->cmbTablaTexto(), GetParam().tabla);
    const ModeloGrilla& g = modelo_->MSFlexGrid2;
    ASSERT_GE(g.Rows(), 3);
    QStringList titulos, primera;
    for (int c = 1; c < g.Cols(); ++c) {
        titulos << g.TextMatrix(0, c);
        primera << g.TextMatrix(1, c);
    }
    EXPECT_EQ(titulos.join('|'), GetParam().titulos);
    EXPECT_EQ(primera.join('|'), GetParam().primera);
    EXPECT_EQ(g.TextMatrix(1, 0), "1");
    EXPECT_FALSE(modelo_->cmbTablaLista().join(',').contains("MSys", Qt::CaseInsensitive));
    EXPECT_FALSE(ventana_->ConexionOrigen().abierta());
}

INSTANTIATE_TEST_SUITE_P(Origenes, ImportarCadaClase, ::testing::ValuesIn(OrigenesDePrueba()),
                         [](const ::testing::TestParamInfo<OrigenDePrueba>& i) {
                             return std::string(i.param.clase);
                         });

}  // namespace
