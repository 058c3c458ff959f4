#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "ado/Valores.h"
#include "comun/Pruebas.h"
#include "platform/Proceso.h"
#include "startup/InicioAplicacion.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

namespace {

class InicioConServicios : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(datos_.isValid());
        qputenv("GARANTIAS_DATOS", datos_.path().toUtf8());
        qputenv("temp", "x");
        qputenv("tmp", datos_.path().toUtf8());
        Proceso::FijarCarpetaAplicacion(datos_.path());
        Proceso::FijarNombreEjecutable("garantias");
        Componentes::Reiniciar();
        ReiniciarSesion();
        catalogo_ = datos_.filePath("consultas.ntw");
    }
    void TearDown() override {
        Componentes::Reiniciar();
        ReiniciarSesion();
        qunsetenv("GARANTIAS_DATOS");
        qunsetenv("temp");
        qunsetenv("tmp");
        Proceso::FijarCarpetaAplicacion({});
    }
    std::optional<int> iniciar() {
        FinObservable fin;
        try {
            InicioAplicacion(
                "@Server=; @dbname= demo; @usuario= demo; @Password= demo; @ParametroAdicional=; "
                "@Caja=1;orva@");
        } catch (const Proceso::FinDelProceso& f) {
            return f.codigo;
        }
        return std::nullopt;
    }
    QStringList accesos() {
        RecordsetPtr rs;
        Componentes::Datos().AbrirRecordset(
            "SELECT Usuario, Formulario, Tarea, NombreUsuario FROM Control_Acceso", rs);
        QStringList salida;
        for (; !rs->EOF_(); rs->MoveNext()) {
            QStringList v;
            for (int i = 0; i < rs->FieldCount(); ++i) v << TextoValor(rs->Field(i));
            salida << v.join('|');
        }
        return salida;
    }

    QTemporaryDir datos_;
    QString catalogo_;
    MensajesDePrueba mensajes_;
};

}  // namespace

TEST_F(InicioConServicios, ElInicioCreaElCatalogoYAnotaElAcceso) {
    ASSERT_EQ(iniciar(), std::nullopt);
    EXPECT_EQ(QFileInfo(catalogo_).size(), 13222);
    EXPECT_EQ(accesos(), QStringList{"DEMO|GARANTIAS|GARANTIAS|demo"});
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(InicioConServicios, UnCatalogoExistenteQuedaIntacto) {
    EscribirArchivo(catalogo_, "mio\r\n");
    ASSERT_EQ(iniciar(), std::nullopt);
    EXPECT_EQ(LeerArchivo(catalogo_), "mio\r\n");
    EXPECT_EQ(accesos().size(), 1);
}

TEST_F(InicioConServicios, UnCatalogoQueNoSePuedeCrearTerminaElPrograma) {
    ASSERT_TRUE(QDir().mkpath(catalogo_));  // una carpeta donde iría el archivo
    EXPECT_EQ(iniciar(), 1);
    EXPECT_TRUE(mensajes_->cuadros().empty());
}
