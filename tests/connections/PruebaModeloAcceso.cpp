#include "Acceso.h"
#include "suite/Sesion.h"

namespace {
const QString kUsuario = "Ingrese el usuario";
const QString kBase = "ingrese el nombre de la base de datos";
const QString kServidor = "ingrese el nombre del servidor e instancia";
}  // namespace

TEST_F(Acceso, AlCargarSinArchivoLasCajasMuestranSusSugerenciasSeleccionadas) {
    modelo_.Form_Load();
    EXPECT_TRUE(modelo_.lstBases().isEmpty());
    EXPECT_EQ(modelo_.texto(Caja::TxtUserId), kUsuario);  // el blanco inicial cuenta como vacío
    EXPECT_EQ(modelo_.caja(Caja::TxtUserId).seleccion, std::make_pair(0, 18));
    EXPECT_EQ(modelo_.caja(Caja::TxtUserId).colorTexto, ModeloAcceso::kColorSugerencia);
    EXPECT_EQ(modelo_.texto(Caja::TxtUserPassword), "");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), kBase);
    EXPECT_EQ(modelo_.texto(Caja::TxtServidor), kServidor);
    EXPECT_EQ(modelo_.texto(Caja::TxtPuerto), "1433");
}

TEST_F(Acceso, LasSugerenciasVuelvenAlVaciarUnaCaja) {
    modelo_.Form_Load();
    modelo_.ponerTexto(Caja::TxtDbName, "ventas");
    modelo_.ponerTexto(Caja::TxtUserId, "");
    modelo_.ponerTexto(Caja::TxtDbName, "");
    modelo_.ponerTexto(Caja::TxtUserPassword, "");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), kBase);  // su reacción de cambio
    EXPECT_EQ(modelo_.texto(Caja::TxtUserId), "");     // la del usuario, al tomar el foco
    EXPECT_EQ(modelo_.texto(Caja::TxtUserPassword), "");
    modelo_.enfocar(Caja::TxtUserId);
    EXPECT_EQ(modelo_.texto(Caja::TxtUserId), kUsuario);
    // Lo escrito reemplaza la sugerencia; borrarlo todo la trae de vuelta, seleccionada.
    modelo_.escribir(Caja::TxtDbName, "v");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), "v");
    modelo_.caja(Caja::TxtDbName).seleccion.reset();
    modelo_.escribir(Caja::TxtDbName, "  ");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), kBase);
    EXPECT_EQ(modelo_.caja(Caja::TxtDbName).seleccion, std::make_pair(0, static_cast<int>(kBase.size())));
}

TEST_F(Acceso, EnterPasaDeCajaEnCajaHastaConectarSinApretarlo) {
    using D = ModeloAcceso::Destino;
    EXPECT_EQ(ModeloAcceso::DestinoEnter(Caja::TxtUserId), D::TxtUserPassword);
    EXPECT_EQ(ModeloAcceso::DestinoEnter(Caja::TxtUserPassword), D::TxtDbName);
    EXPECT_EQ(ModeloAcceso::DestinoEnter(Caja::TxtDbName), D::TxtServidor);
    EXPECT_EQ(ModeloAcceso::DestinoEnter(Caja::TxtServidor), D::bcAceptar);
    EXPECT_EQ(ModeloAcceso::DestinoEnter(Caja::TxtPuerto), D::ninguno);
}

TEST_F(Acceso, ConectarYCancelar) {
    GrabarBase("DEMO /", "demo", "demo", "demo", "");  // con archivo: Conectar no registra nada
    modelo_.Form_Load();
    modelo_.mostrar();
    sesion().Usuario = "antes";
    sesion().Clave = "antes";
    modelo_.escribir(Caja::TxtUserId, "x");
    modelo_.bcCancelar_Click();
    EXPECT_FALSE(modelo_.visible());
    EXPECT_FALSE(modelo_.Aceptar);
    EXPECT_EQ(sesion().Usuario, "antes");

    modelo_.mostrar();
    modelo_.escribir(Caja::TxtUserId, " op1 ");
    modelo_.escribir(Caja::TxtUserPassword, " Clave ");
    modelo_.bcAceptar_Click();
    EXPECT_FALSE(modelo_.visible());
    EXPECT_TRUE(modelo_.Aceptar);
    EXPECT_EQ(sesion().Usuario, " op1 ");  // tal como se escribió
    EXPECT_EQ(sesion().Clave, " Clave ");

    // Una caja que muestra su sugerencia se lee vacía.
    modelo_.ponerTexto(Caja::TxtUserId, "");
    modelo_.enfocar(Caja::TxtUserId);
    ASSERT_EQ(modelo_.texto(Caja::TxtUserId), kUsuario);
    modelo_.bcAceptar_Click();
    EXPECT_EQ(sesion().Usuario, "");
    EXPECT_EQ(modelo_.valor(Caja::TxtServidor), "");
    modelo_.escribir(Caja::TxtServidor, kServidor + " ");  // un blanco tras la sugerencia
    EXPECT_EQ(modelo_.valor(Caja::TxtServidor), "");
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(Acceso, DobleClicLlenaLasCajasYConectaConUsuarioYClaveVacios) {
    GrabarBase("VENTAS / SRV01", "ventas", "ventas", "ventas", "srv01:1500");
    modelo_.Form_Load();
    modelo_.mostrar();
    modelo_.escribir(Caja::TxtUserId, "op1");
    modelo_.escribir(Caja::TxtUserPassword, "x");
    modelo_.lstBases_DblClick();
    EXPECT_FALSE(modelo_.visible());
    EXPECT_EQ(modelo_.texto(Caja::TxtServidor), "SRV01");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), "ventas");
    EXPECT_EQ(modelo_.texto(Caja::TxtPuerto), "1500");
    EXPECT_EQ(sesion().Usuario, "");
    EXPECT_EQ(sesion().Clave, "");
}

TEST_F(Acceso, ConectarSinArchivoRegistraLaConexionEscrita) {
    modelo_.Form_Load();
    modelo_.mostrar();
    modelo_.escribir(Caja::TxtDbName, "demo");
    modelo_.bcAceptar_Click();
    EXPECT_EQ(leerBases(), "DEMO /,demo,demo," + Componentes::Funciones().Encriptar("demo") + ",\r\n");
    EXPECT_FALSE(modelo_.visible());
}
