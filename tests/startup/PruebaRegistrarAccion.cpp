#include <QSysInfo>

#include "comun/BaseServicios.h"
#include "data/ConstructorSentencias.h"
#include "startup/RegistrarAccion.h"

namespace {
class Accion : public BaseServicios {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(BaseServicios::SetUp());
        sesion().Usuario = "ana";
        sesion().ParametroAdicional = "lote 7";
    }
    // La última fila del registro, columna por columna.
    QStringList ultimaFila() {
        const QStringList f = filas(
            "SELECT TC, IdComprobante, IdComplemento, Tipo_accion, FECHAHORA, Usuario, PC, SYSTEMUSER, "
            "Proceso, ProcesoLote, Cuenta FROM MV_CPTEACCIONES ORDER BY rowid DESC LIMIT 1");
        return f.isEmpty() ? QStringList{} : f[0].split('|');
    }
};
}  // namespace

TEST_F(Accion, ElIngresoFallidoDejaSuFila) {
    QString complemento = "0";
    RegistrarAccion("", "", complemento, true, false, "Intento de inicio de sesion fallido", "", false);
    const QStringList f = ultimaFila();
    ASSERT_EQ(f.size(), 11);
    EXPECT_EQ(f[0], "    ");
    EXPECT_EQ(f[1], "");
    EXPECT_EQ(f[2], "0");
    EXPECT_EQ(f[3], "A");
    EXPECT_TRUE(QRegularExpression(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d$)").match(f[4]).hasMatch())
        << qPrintable(f[4]);
    EXPECT_TRUE(EsAhora(f[4], "dd/mm/yyyy hh:nn:ss")) << qPrintable(f[4]);
    EXPECT_EQ(f[5], "ana");
    EXPECT_EQ(f[6], QSysInfo::machineHostName());
    EXPECT_EQ(f[7], "Intento de inicio de sesion fallido");
    EXPECT_EQ(f[8], "garantias lote 7");
    EXPECT_EQ(f[9], "");
    EXPECT_EQ(f[10], "");
    EXPECT_TRUE(Campos().empty());  // CompletarInsert la deja sin entradas
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(Accion, ColumnasSegunLosValores) {
    const QString largo = QString(250, 'a') + "     " + QString(9745, 'b');  // 10.000 caracteres
    struct Caso {
        QString tc, id, complemento;
        bool nuevo, modificacion, error;
        QString detalle, cuenta;
        // Lo que se espera en TC, IdComplemento, Tipo_accion, SYSTEMUSER y Cuenta; y el complemento que
        // queda.
        QString eTc, eComplemento, eAccion, eDetalle, eCuenta, queda;
    };
    const Caso casos[] = {
        {" 1 ", "A-0001", "", true, false, true, "x", "c", "   1", "0", "ER", "x", "c", "0"},
        {"FA", "1", "3", false, true, false, "x", "c", "  FA", "3", "M", "x", "c", "3"},
        {"FACTU", "1", "3", false, false, false, "x", "c", "FACTU", "3", "B", "x", "c", "3"},
        {"", "", "", true, true, false, largo, " 12345678901234 56789 ", "    ", "0", "A", QString(250, 'a'),
         "12345678901234", "0"},
        {"", "O'Brien", "x'1", false, false, false, "  Peña ñandú O'Higgins € ", "Ñ'", "    ", "x'1", "B",
         "Peña ñandú O'Higgins €", "Ñ'", "x'1"},
    };
    for (const auto& c : casos) {
        QString complemento = c.complemento;
        RegistrarAccion(c.tc, c.id, complemento, c.nuevo, c.modificacion, c.detalle, c.cuenta, c.error);
        EXPECT_EQ(complemento, c.queda);
        const QStringList f = ultimaFila();
        ASSERT_EQ(f.size(), 11) << qPrintable(c.id);
        EXPECT_EQ(f[0], c.eTc);
        EXPECT_EQ(f[1], c.id);
        EXPECT_EQ(f[2], c.eComplemento);
        EXPECT_EQ(f[3], c.eAccion);
        EXPECT_EQ(f[7], c.eDetalle);
        EXPECT_EQ(f[10], c.eCuenta);
    }
    EXPECT_EQ(filas("SELECT COUNT(*) FROM MV_CPTEACCIONES"), QStringList{"5"});
}

TEST_F(Accion, SinLaVistaNoPasaNadaYQuienLlamaSigue) {
    sql("DROP VIEW V_MV_CPTEACCIONES");
    QString complemento;
    RegistrarAccion("", "", complemento, true, false, "d", "", false);
    EXPECT_EQ(complemento, "0");
    EXPECT_TRUE(mensajes_->cuadros().empty());
    EXPECT_EQ(filas("SELECT COUNT(*) FROM MV_CPTEACCIONES"), QStringList{"0"});
    // Sin conexión que se pueda reabrir, tampoco.
    Componentes::Datos().NombreBase = "../no";
    Componentes::Datos().conexion().Close();
    RegistrarAccion("", "", complemento, true, false, "d", "", false);
    EXPECT_TRUE(mensajes_->cuadros().empty());
}
