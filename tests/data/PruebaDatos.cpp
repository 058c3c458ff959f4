#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ado/Valores.h"
#include "comun/Pruebas.h"
#include "data/AlmacenEmbebido.h"
#include "data/Dll_Datos.h"

namespace {
class DatosEmbebidos : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    std::unique_ptr<Dll_Datos> conectar(const QString& base) {
        auto d = std::make_unique<Dll_Datos>();
        d->ParametroConexion = dir_.path();
        d->NombreBase = d->NombreUsuario = d->ClaveUsuario = base;
        d->Conectar(true, 3, {}, true, true);
        return d;
    }

    QTemporaryDir dir_;
};

QStringList Tablas(Conexion& c) {
    QStringList t;
    auto rs = c.OpenSchemaTablas();
    for (; !rs->EOF_(); rs->MoveNext()) t << rs->Field(0).toString();
    return t;
}
}  // namespace

TEST_F(DatosEmbebidos, UnaBaseNuevaSeCreaConTodasLasTablasDelPrograma) {
    Dll_Datos d;
    d.ParametroConexion = dir_.path() + "/sub/carpeta";
    d.NombreBase = "Demo";
    d.Conectar(true, 3, {}, true, true);
    ASSERT_TRUE(d.Conectado()) << qPrintable(d.UltimaFalla());
    EXPECT_EQ(d.TipoMotor(), "SQLite");
    const QStringList tablas = Tablas(d.conexion());
    for (const char* t : {"AUX_GARANTIA", "MV_TRANSMISIONES", "TA_USUARIOS", "TA_CONFIGURACION", "TA_TAREAS",
                          "TA_MENU", "Control_Acceso", "V_MV_CPTEACCIONES", "AUX_ERR"}) {
        EXPECT_TRUE(tablas.contains(t)) << t;
    }
    // La vista del registro de acciones acepta inserciones.
    d.EjecutarSQL(
        " INSERT INTO V_MV_CPTEACCIONES (TC,IdComprobante,IdComplemento,Tipo_accion,FECHAHORA) VALUES ('    "
        "','',0,'A','09/12/2026 10:00:00')");
    EXPECT_EQ(d.conexion().Errors().Count(), 0);
    EXPECT_TRUE(QFileInfo::exists(dir_.path() + "/sub/carpeta/Demo.db"));

    // La de estadísticas tiene su configuración.
    Dll_Datos e;
    e.ParametroConexion = d.ParametroConexion;
    e.NombreBase = "QZ_ESTADISTICAS";
    e.Conectar(false, 3, {}, true, false);
    ASSERT_TRUE(e.Conectado());
    EXPECT_TRUE(Tablas(e.conexion()).contains("TA_CONFIGURACION"));
}

TEST_F(DatosEmbebidos, LosNombresDeBaseNoDistinguenMayusculasYNoSonRutas) {
    ASSERT_TRUE(conectar("Ventas")->Conectado());
    ASSERT_TRUE(conectar("VENTAS")->Conectado());
    EXPECT_EQ(QDir(dir_.path()).entryList({"*.db"}), QStringList{"Ventas.db"});
    for (const char* malo : {"", "   ", "../fuera", "a/b", "..", "c:\\x"}) {
        auto d = conectar(malo);
        EXPECT_FALSE(d->Conectado()) << malo;
        EXPECT_FALSE(d->UltimaFalla().isEmpty()) << malo;
    }
    EXPECT_FALSE(QFileInfo::exists(dir_.path() + "/../fuera.db"));
}

TEST_F(DatosEmbebidos, UnArchivoDanadoFallaSinSobrescribirse) {
    const QByteArray basura = QByteArray("no soy una base ").repeated(500);
    EscribirArchivo(dir_.filePath("rota.db"), basura);
    auto d = conectar("rota");
    EXPECT_FALSE(d->Conectado());
    EXPECT_TRUE(d->UltimaFalla().contains("rota.db")) << qPrintable(d->UltimaFalla());
    EXPECT_EQ(LeerArchivo(dir_.filePath("rota.db")), basura);
}

// Una carpeta de datos en la que no se puede crear la base: sin permiso (el caso corre sin
// privilegios, también como root), un archivo en lugar de la carpeta y una carpeta bajo un archivo.
TEST_F(DatosEmbebidos, UnaCarpetaDeDatosInutilizableFallaConClaridad) {
    QDir(dir_.path()).mkdir("cerrada");
    QFile::setPermissions(dir_.filePath("cerrada"), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                        QFileDevice::ReadOther | QFileDevice::ExeOther);
    EscribirArchivo(dir_.filePath("archivo"), "no soy una carpeta");
    AbrirATodos(dir_.path());
    const auto falla = [](const QString& carpeta) -> QString {
        Dll_Datos d;
        d.ParametroConexion = carpeta;
        d.NombreBase = "x";
        d.Conectar(true, 3, {}, true, true);
        if (d.Conectado()) return carpeta + ": conectó";
        if (!d.UltimaFalla().contains("GARANTIAS_DATOS")) return carpeta + ": " + d.UltimaFalla();
        return {};
    };
    SinPrivilegios([&] { return falla(dir_.filePath("cerrada")); });
    for (const QString& carpeta : {dir_.filePath("archivo"), dir_.filePath("archivo/sub")}) {
        const QString f = falla(carpeta);
        EXPECT_TRUE(f.isEmpty()) << qPrintable(f);
    }
    EXPECT_EQ(LeerArchivo(dir_.filePath("archivo")), "no soy una carpeta");
}

TEST_F(DatosEmbebidos, ReabreLaConexionCerradaAlConsultar) {
    auto pd = conectar("demo");
    Dll_Datos& d = *pd;
    d.conexion().Close();
    RecordsetPtr rs;
    d.AbrirRecordset("SELECT * FROM TA_USUARIOS with(nolock) WHERE Nombre = 'x'", rs);
    EXPECT_TRUE(d.Conectado());
    EXPECT_TRUE(rs->EOF_());
    d.CerrarRecordset(rs);
    EXPECT_EQ(rs, nullptr);
    d.conexion().Close();
    d.EjecutarSQL("INSERT INTO TA_USUARIOS (NOMBRE, SISTEMA) VALUES ('o''brien', 'ORVA')");
    EXPECT_EQ(d.conexion().Errors().Count(), 0);
    EXPECT_TRUE(d.BuscarRegistro("TA_USUARIOS", "O'BRIEN", "NOMBRE"));
    EXPECT_FALSE(d.BuscarRegistro("TA_USUARIOS", "x' OR '1'='1", "NOMBRE"));
}

TEST(Dll_Datos, FormatearValorEscribeLiteralesSeguros) {
    Dll_Datos d;
    EXPECT_EQ(d.FormatearValor("TV 32' LED", "'"), "'TV 32'' LED'");
    EXPECT_EQ(d.FormatearValor("", "'"), "''");
    EXPECT_EQ(d.FormatearValor("12,5", "N"), "12.5");
    EXPECT_EQ(d.FormatearValor("1; DROP TABLE x", "N"), "Null");
}

TEST(Dll_Datos, UnServidorSinControladorFallaSinColgarse) {
    Dll_Datos d;
    d.NombreServidor = "127.0.0.1,1";
    d.NombreBase = "x";
    d.Conectar(false, 3, {}, true, true);
    EXPECT_FALSE(d.Conectado());
    EXPECT_FALSE(d.UltimaFalla().isEmpty());
}
