#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "comun/Pruebas.h"
#include "platform/Proceso.h"
#include "startup/InicioAplicacion.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

namespace {

// Un cartel que anota lo que le piden.
class CartelAnotado : public Cartel {
  public:
    explicit CartelAnotado(QStringList& anotaciones) : a_(anotaciones) {}
    void CartelInicio(const QString& titulo, bool permite) override {
        a_ << QStringLiteral("inicio %1 %2").arg(titulo).arg(permite);
    }
    void CartelMostrar(bool& cancelado, const std::optional<QVariant>& l1, const std::optional<QVariant>& l2,
                       const std::optional<QVariant>& l3) override {
        cancelado = false;
        a_ << QStringLiteral("mostrar %1|%2|%3")
                  .arg(l1 ? l1->toString() : "-", l2 ? l2->toString() : "-", l3 ? l3->toString() : "-");
    }
    void CartelCerrar() override { a_ << "cerrar"; }

  private:
    QStringList& a_;
};

class Inicio : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(datos_.isValid());
        qputenv("GARANTIAS_DATOS", datos_.path().toUtf8());
        Proceso::FijarCarpetaAplicacion(datos_.path());
        Proceso::FijarNombreEjecutable("garantias");
        Componentes::Reiniciar();
        ReiniciarSesion();
        Componentes::InstalarDisplay(std::make_unique<CartelAnotado>(cartel_));
    }
    void TearDown() override {
        Componentes::Reiniciar();
        ReiniciarSesion();
        qunsetenv("GARANTIAS_DATOS");
        Proceso::FijarCarpetaAplicacion({});
    }

    // Corre el inicio; devuelve el código de fin si el programa terminó.
    std::optional<int> iniciar(const QString& cadena) {
        FinObservable fin;
        try {
            InicioAplicacion(cadena);
        } catch (const Proceso::FinDelProceso& f) {
            return f.codigo;
        }
        return std::nullopt;
    }

    QTemporaryDir datos_;
    QStringList cartel_;
    MensajesDePrueba mensajes_;
};

const QString kUsual =
    "@Server=; @dbname= demo; @usuario= demo; @Password= demo; @ParametroAdicional=; @Caja=1;orva@";

}  // namespace

TEST_F(Inicio, LaCadenaUsualConectaConLaBaseEmbebida) {
    EXPECT_EQ(iniciar(kUsual), std::nullopt);
    Dll_Datos& d = Componentes::Datos();
    ASSERT_TRUE(d.Conectado());
    EXPECT_EQ(d.NombreBase, "demo");
    EXPECT_EQ(d.NombreUsuario, "demo");
    EXPECT_EQ(d.ClaveUsuario, "demo");
    EXPECT_EQ(d.conexion().CommandTimeout(), 90);
    EXPECT_EQ(d.conexion().IsolationLevel(), 256);
    EXPECT_EQ(d.conexion().DefaultDatabase(), "demo");
    EXPECT_EQ(sesion().Usuario, "demo");
    EXPECT_EQ(sesion().Clave, "* *");  // la clave igual a la base: se toma de la tabla de usuarios
    EXPECT_EQ(Componentes::Consultas().ArchivoCatalogo, Proceso::CarpetaAplicacion() + "consultas.ntw");
    EXPECT_EQ(Componentes::Consultas().MotorBase, "SQLite");
    EXPECT_EQ(cartel_, (QStringList{"inicio Conectando Base de Datos 0",
                                    "mostrar Iniciando Aplicacion|garantias|Espere por favor", "cerrar"}));
    EXPECT_TRUE(QFileInfo::exists(datos_.filePath("demo.db")));
}

TEST_F(Inicio, ValoresDeLaSesionSegunLaCadena) {
    struct Caso {
        const char* cadena;
        const char* usuario;
        const char* clave;
        const char* adicional;
    };
    const Caso casos[] = {
        {"@Server=; @dbname= ventas; @usuario= op1; @Password= secreta; @ParametroAdicional=lote 7; @Caja=1;",
         "op1", "secreta", "lote 7"},
        {"@UsuarioLogeado= jefe; @Server=; @dbname= ventas; @usuario= op1; @Password= VENTAS;", "jefe", "* *",
         ""},
        // "@Usuario" también encuentra el principio de "@UsuarioLogeado".
        {"@Server=; @dbname= ventas; @UsuarioLogeado=  ; @usuario= op1;", "Logeado", "", ""},
        {"@Server=; @dbname= ventas; @usuario= op1; @Password=;", "op1", "", ""},
    };
    for (const auto& c : casos) {
        ASSERT_NO_FATAL_FAILURE(SetUp());
        // Estos usuarios no están en TA_USUARIOS: el ingreso los rechaza (lo dice) y, sin cuadro de
        // acceso, termina el programa; los valores de la sesión ya se leyeron.
        mensajes_->olvidar();
        mensajes_->responder(RespuestaMensaje::Aceptar);
        EXPECT_EQ(iniciar(QString::fromUtf8(c.cadena)), 1) << c.cadena;
        EXPECT_EQ(mensajes_->textos().value(0).left(46), "El usuario o clave en la base de datos es inco");
        EXPECT_EQ(sesion().Usuario, c.usuario) << c.cadena;
        EXPECT_EQ(sesion().Clave, c.clave) << c.cadena;
        EXPECT_EQ(sesion().ParametroAdicional, c.adicional) << c.cadena;
    }
}

TEST_F(Inicio, UnaFichaSinPuntoYComaSeSaltaYElCartelSeCierraAntes) {
    // La última ficha, sin ";": su valor queda vacío, el cartel desaparece y el inicio sigue.
    EXPECT_EQ(iniciar("@Server=; @dbname= demo; @usuario= demo; @Password= demo; @Caja=1"), std::nullopt);
    EXPECT_TRUE(Componentes::Datos().Conectado());
    ASSERT_GE(cartel_.size(), 3);
    EXPECT_EQ(cartel_[2], "cerrar");
    // Sin "@DbName" leído no hay base: el programa termina.
    ASSERT_NO_FATAL_FAILURE(SetUp());
    EXPECT_EQ(iniciar("@Server=; @usuario= op1; @Password= x; @dbname= demo"), 1);
}

TEST_F(Inicio, SinConexionElProgramaTerminaSinMensaje) {
    auto& mensajes = mensajes_;
    EXPECT_EQ(iniciar(""), 1);  // sin cadena: sin base, sin conexión
    EXPECT_TRUE(mensajes->cuadros().empty());
    cartel_.clear();
    ASSERT_NO_FATAL_FAILURE(SetUp());
    EXPECT_EQ(iniciar("@Server=127.0.0.1:1; @dbname= ventas; @usuario= op1; @Password= x;"), 1);
    EXPECT_TRUE(mensajes->cuadros().empty());
}

TEST_F(Inicio, ConLaConexionYaAbiertaNoSeLeeLaCadena) {
    ASSERT_EQ(iniciar(kUsual), std::nullopt);
    ReiniciarSesion();
    cartel_.clear();
    // El ingreso comprueba el usuario vacío de la sesión, lo rechaza y, sin cuadro, termina.
    mensajes_->responder(RespuestaMensaje::Aceptar);
    EXPECT_EQ(iniciar("@Server=; @dbname= otra; @usuario= x;"), 1);
    EXPECT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(Componentes::Datos().NombreBase, "demo");
    EXPECT_EQ(sesion().Usuario, "");
    EXPECT_EQ(sesion().TiempoEsperaComandos, 0);
}

TEST_F(Inicio, UnaCarpetaDeDatosQueNoSePuedeCrearTerminaElPrograma) {
    const QString archivo = datos_.filePath("soy_un_archivo");
    EscribirArchivo(archivo, "x");
    qputenv("GARANTIAS_DATOS", (archivo + "/datos").toUtf8());
    EXPECT_EQ(iniciar(kUsual), 1);
}
