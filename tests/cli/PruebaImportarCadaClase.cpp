// Cada clase de archivo de proveedor, importada de punta a punta por garantias-cli importar: el
// código de salida, el resumen y lo que queda en la base.
#include <QDir>

#include "ado/Valores.h"
#include "cli/ProgramaCli.h"
#include "comun/OrigenesDePrueba.h"
#include "data/Dll_Datos.h"

namespace {

const QString kCadena = QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= demo;");

// Las filas de una consulta a la base "demo" de la carpeta, cada una con sus valores separados por "|".
QStringList Filas(const QString& datos, const QString& consulta) {
    Dll_Datos d;
    d.ParametroConexion = datos;
    d.NombreBase = d.NombreUsuario = d.ClaveUsuario = QStringLiteral("demo");
    d.Conectar(true, 3, {}, true, true);
    EXPECT_TRUE(d.Conectado()) << qPrintable(d.UltimaFalla());
    if (!d.Conectado()) return {};
    RecordsetPtr rs;
    d.AbrirRecordset(consulta, rs);
    QStringList filas;
    for (; !rs->EOF_(); rs->MoveNext()) {
        QStringList valores;
        for (int i = 0; i < rs->FieldCount(); ++i) valores << TextoValor(rs->Field(i));
        filas << valores.join('|');
    }
    d.CerrarRecordset(rs);
    return filas;
}

class ImportarCadaClaseCli : public ::testing::TestWithParam<OrigenDePrueba> {
  protected:
    QTemporaryDir dir_;
    ProgramaCli cli_{dir_.path()};
};

TEST_P(ImportarCadaClaseCli, GarantiasCliLoImporta) {
    QDir().mkpath(dir_.filePath(QStringLiteral("origen")));
    const QString ruta = GetParam().escribir(dir_.filePath(QStringLiteral("origen")));
    if (ruta.isEmpty()) {
        if (HayMuestras() || MuestrasObligatorias()) return;  // Muestra() ya lo dio como falla
        GTEST_SKIP() << "no está la muestra pública ../shared/fixtures de " << GetParam().clase;
    }
    const ResultadoCli r =
        cli_.correr({QStringLiteral("importar"), ruta, QStringLiteral("--conexion"), kCadena});
    EXPECT_EQ(r.codigo, 0) << qPrintable(r.errores);
    EXPECT_TRUE(r.salida.contains(QStringLiteral("Transmisión 1: %1 filas agregadas, 0 series ya guardadas")
                                      .arg(GetParam().garantias.size())))
        << qPrintable(r.salida);
    EXPECT_EQ(
        Filas(cli_.datos(), QStringLiteral("SELECT modelo, serie, nroTransmision, eca1, activacion FROM "
                                           "AUX_GARANTIA ORDER BY serie")),
        GetParam().garantias);
    EXPECT_EQ(Filas(cli_.datos(), QStringLiteral("SELECT TIPO, Transmision, Anulado FROM MV_TRANSMISIONES")),
              QStringList{"S|1|0"});
}

INSTANTIATE_TEST_SUITE_P(Origenes, ImportarCadaClaseCli, ::testing::ValuesIn(OrigenesDePrueba()),
                         [](const ::testing::TestParamInfo<OrigenDePrueba>& i) {
                             return std::string(i.param.clase);
                         });

}  // namespace
