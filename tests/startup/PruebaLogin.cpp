#include <deque>
#include <functional>

#include "comun/SuiteEmbebida.h"
#include "connections/DialogoAccesoModelo.h"
#include "startup/InicioAplicacion.h"
#include "startup/Login.h"

namespace {

// El cuadro de acceso con un operador de guion: cada vez que se muestra, el siguiente paso del
// guion opera el modelo (escribe, aprieta "Conectar" o "Cancelar").
class DialogoGuionado : public DialogoAccesoModelo {
  public:
    using Paso = std::function<void(ModeloAcceso&)>;
    explicit DialogoGuionado(std::deque<Paso> guion, int* veces) : guion_(std::move(guion)), veces_(veces) {}

  protected:
    void mostrarModal(ModeloAcceso& m) override {
        ++*veces_;
        lleno_.push_back({m.texto(Caja::TxtUserId), m.texto(Caja::TxtUserPassword)});
        ASSERT_FALSE(guion_.empty()) << "el cuadro se mostró más veces que las del guion";
        Paso p = std::move(guion_.front());
        guion_.pop_front();
        p(m);
        ASSERT_FALSE(m.visible()) << "el guion no cerró el cuadro";
    }

  public:
    std::vector<std::pair<QString, QString>> lleno_;

  private:
    std::deque<Paso> guion_;
    int* veces_;
};

DialogoGuionado::Paso Escribir(const QString& usuario, const QString& clave, const QString& base = {}) {
    return [=](ModeloAcceso& m) {
        m.escribir(Caja::TxtUserId, usuario);
        m.escribir(Caja::TxtUserPassword, clave);
        if (!base.isEmpty()) m.escribir(Caja::TxtDbName, base);
        m.bcAceptar_Click();
    };
}
DialogoGuionado::Paso Cancelar() {
    return [](ModeloAcceso& m) { m.bcCancelar_Click(); };
}

class Login : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());
        const Dll_Funciones& f = Componentes::Funciones();
        for (const auto& [nombre, sistema, clave] : {std::tuple{"op1", "ORVA", "Secreta"},
                                                     {"op2", "cn000pr", "dos"},
                                                     {"vk", "VORLIK", "vk"},
                                                     {"o'brien", "ORVA", "irl"}}) {
            sql(QStringLiteral("INSERT INTO TA_USUARIOS (NOMBRE, SISTEMA, Password, gUsuarioClave) VALUES "
                               "('%1', '%2', '%3', '%4')")
                    .arg(QString(nombre).replace("'", "''"), sistema, f.Encriptar(clave),
                         f.Encriptar(QString(clave) + "!")));
        }
    }
    void TearDown() override {
        InstalarDialogoAcceso(nullptr);
        Proceso::FijarNombreEjecutable("garantias");
        SuiteEmbebida::TearDown();
    }
    DialogoGuionado& guion(std::deque<DialogoGuionado::Paso> pasos) {
        auto d = std::make_unique<DialogoGuionado>(std::move(pasos), &veces_);
        DialogoGuionado& r = *d;
        InstalarDialogoAcceso(std::move(d));
        return r;
    }
    // Corre el ingreso; el código de fin si el programa terminó.
    std::optional<int> ingresar(ResultadoIngreso* resultado = nullptr) {
        FinObservable fin;
        try {
            ResultadoIngreso r = Ingreso();
            if (resultado) *resultado = r;
        } catch (const Proceso::FinDelProceso& f) {
            return f.codigo;
        }
        return std::nullopt;
    }
    int registrosFallidos() {
        return filas(
                   "SELECT COUNT(*) FROM MV_CPTEACCIONES WHERE SYSTEMUSER = 'Intento de inicio de sesion "
                   "fallido' AND Tipo_accion = 'A' AND IdComplemento = 0")
            .value(0)
            .toInt();
    }

    MensajesDePrueba mensajes_;
    int veces_ = 0;
};

}  // namespace

TEST_F(Login, ValidarUsuarioSegunLaTablaDeUsuarios) {
    struct Caso {
        const char* usuario;
        const char* clave;
        bool valido;
    };
    const Caso casos[] = {
        {"DEMO", "", true},  // el nombre de la base entra con cualquier clave
        {"op1", "Secreta", true},
        {"op1", "SECRETA", true},     // la clave no distingue mayúsculas
        {"  op1 ", "secreta", true},  // el nombre se recorta
        {"op1", "otra", false},
        {"op2", "dos", true},  // el otro código aceptado
        {"vk", "vk", false},   // fila de otro sistema
        {"nadie", "", false},
        {"x' OR '1'='1", "", false},  // un nombre con comillas no cambia la consulta
        {"x' OR '1'='1' --", "Secreta", false},
        {"o'brien", "irl", true},  // y se busca tal como se escribió
    };
    for (const Caso& c : casos)
        EXPECT_EQ(ValidarUsuario(c.usuario, c.clave), c.valido) << c.usuario << " / " << c.clave;

    Proceso::FijarNombreEjecutable("Vorlik");
    EXPECT_EQ(SistemasAceptados(), QStringList{"VORLIK"});
    EXPECT_TRUE(ValidarUsuario("vk", "vk"));
    EXPECT_FALSE(ValidarUsuario("op1", "Secreta"));
}

TEST_F(Login, LaMarcaDeClaveSeResuelveConLaTablaSinRecortarElNombre) {
    sesion().Usuario = "op1";
    sesion().Clave = "* *";
    BuscarClaveSesion();
    EXPECT_EQ(sesion().Clave, "Secreta!");  // gUsuarioClave
    for (const char* usuario : {" op1", "x' OR '1'='1", "nadie"}) {
        sesion().Usuario = usuario;
        sesion().Clave = "* *";
        BuscarClaveSesion();
        EXPECT_EQ(sesion().Clave, "* *") << usuario;
    }
    sesion().Usuario = "o'brien";
    BuscarClaveSesion();
    EXPECT_EQ(sesion().Clave, "irl!");
}

TEST_F(Login, UnUsuarioValidoNoVeElCuadro) {
    guion({});
    sesion().Usuario = "op1";
    sesion().Clave = "secreta";
    EXPECT_EQ(ingresar(), std::nullopt);
    EXPECT_EQ(veces_, 0);
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(Login, TresIntentosFallidosTerminanElPrograma) {
    GrabarBase("DEMO /", "demo", "demo", "demo", "");  // con archivo: "Conectar" no registra
    DialogoGuionado& d = guion({Escribir("op1", "mal"), Cancelar(), Escribir("x' OR '1'='1", "x")});
    sesion().Usuario = "op1";
    sesion().Clave = "* *";  // el lanzador la dejó a la base; op1 la tiene en la tabla
    sql("UPDATE TA_USUARIOS SET gUsuarioClave = NULL WHERE NOMBRE = 'op1'");
    mensajes_->responder(RespuestaMensaje::Aceptar, 5);
    EXPECT_EQ(ingresar(), 1);
    EXPECT_EQ(veces_, 3);
    const QStringList esperados = {
        "El usuario o clave en la base de datos es incorrecto!\r\nIntentelo nuevamente",
        "Usuario o Clave incorrecta", "Usuario o Clave incorrecta", "Usuario o Clave incorrecta",
        "Demasiados intentos para iniciar sesión!\r\nComuniquese con el administrador de sistemas"};
    EXPECT_EQ(mensajes_->textos(), esperados);
    const auto& c = mensajes_->cuadros();
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].titulo, "Atencion!");
    EXPECT_EQ(c[0].estilo, Botones::Aceptar | Botones::IconoCritico);
    EXPECT_EQ(c[1].titulo, "Atencion");
    EXPECT_EQ(c[1].estilo, Botones::Aceptar | Botones::IconoInformacion);
    EXPECT_EQ(c[4].titulo, "Atencion!");
    EXPECT_EQ(c[4].estilo, Botones::Aceptar | Botones::IconoCritico);
    EXPECT_EQ(registrosFallidos(), 3);
    // Un gUsuarioClave nulo da una clave vacía; cada intento vuelve a llenar el cuadro con la sesión.
    ASSERT_EQ(d.lleno_.size(), 3u);
    EXPECT_EQ(d.lleno_[0].second, "");
    EXPECT_EQ(d.lleno_[1], std::make_pair(QString("op1"), QString("mal")));
    EXPECT_EQ(d.lleno_[2], std::make_pair(QString("op1"), QString("mal")));  // "Cancelar" no cambió la sesión
}

TEST_F(Login, ElSegundoIntentoBienEscritoEntra) {
    guion({Cancelar(), Escribir("op2", "DOS")});
    sesion().Usuario = "op2";
    sesion().Clave = "mal";
    mensajes_->responder(RespuestaMensaje::Aceptar, 2);  // la clave de la sesión y la del cuadro cancelado
    ResultadoIngreso r;
    EXPECT_EQ(ingresar(&r), std::nullopt);
    EXPECT_FALSE(r.reconectar);
    EXPECT_EQ(veces_, 2);
    EXPECT_EQ(registrosFallidos(), 1);
    // Sin archivo de conexiones, "Conectar" registró la conexión (y la dejó cerrada); la
    // validación volvió a abrir la base de la sesión.
    EXPECT_TRUE(QFileInfo::exists(Proceso::CarpetaAplicacion() + "BASES.TXT"));
    EXPECT_EQ(Componentes::Datos().NombreBase, "demo");
}

TEST_F(Login, UnaSugerenciaNoSeTomaPorUnServidor) {
    // Sin servidor (base embebida) la caja del servidor muestra su sugerencia; no pide reconectar.
    guion({Escribir("op1", "secreta")});
    sesion().Usuario = "op1";
    sesion().Clave = "mal";
    mensajes_->responder(RespuestaMensaje::Aceptar);
    ResultadoIngreso r;
    EXPECT_EQ(ingresar(&r), std::nullopt);
    EXPECT_FALSE(r.reconectar);
}

TEST_F(Login, OtraBaseElegidaEnElCuadroPideReconectarAEsa) {
    guion({Escribir("op1", "secreta", "otra")});
    sesion().Usuario = "op1";
    sesion().Clave = "mal";
    // La clave de la sesión, rechazada; la base "otra" no existe: no se puede conectar a ella.
    mensajes_->responder(RespuestaMensaje::Aceptar, 2);
    ResultadoIngreso r;
    EXPECT_EQ(ingresar(&r), std::nullopt);
    EXPECT_TRUE(r.reconectar);
    EXPECT_EQ(r.base, "otra");
    EXPECT_EQ(r.servidor, "");
}

TEST_F(Login, SinCuadroUnIngresoRechazadoTerminaConSuMensaje) {
    sesion().Usuario = "op1";
    sesion().Clave = "mal";
    mensajes_->responder(RespuestaMensaje::Aceptar);
    EXPECT_EQ(ingresar(), 1);
    EXPECT_EQ(mensajes_->textos(),
              QStringList{"El usuario o clave en la base de datos es incorrecto!\r\nIntentelo nuevamente"});
}

TEST_F(Login, ElInicioSeReconectaALaBaseElegidaEnElCuadro) {
    // La base "otra" existe y tiene su propio usuario.
    {
        Dll_Datos otra;
        otra.NombreBase = otra.NombreUsuario = otra.ClaveUsuario = "otra";
        otra.Conectar(true, 3, {}, true, false);
        ASSERT_TRUE(otra.Conectado());
        otra.EjecutarSQL(
            QStringLiteral("INSERT INTO TA_USUARIOS (NOMBRE, SISTEMA, Password) VALUES ('op9', 'ORVA', '%1')")
                .arg(Componentes::Funciones().Encriptar("nueve")));
        ASSERT_EQ(otra.conexion().Errors().Count(), 0);
    }
    Componentes::Reiniciar();
    ReiniciarSesion();
    // op1 entra en el cuadro eligiendo "otra"; allí op1 no existe, y el segundo cuadro lo hace op9.
    guion({Escribir("op1", "secreta", "otra"), Escribir("op9", "nueve")});
    mensajes_->responder(RespuestaMensaje::Aceptar, 2);  // la clave de la cadena y op1 en "otra", rechazados
    FinObservable fin;
    try {
        InicioAplicacion(
            "@Server=; @dbname= demo; @usuario= op1; @Password= mal; @ParametroAdicional=; @Caja=1;orva@");
    } catch (const Proceso::FinDelProceso& f) {
        FAIL() << "el programa terminó con " << f.codigo << ": " << qPrintable(mensajes_->textos().join('|'));
    }
    EXPECT_EQ(Componentes::Datos().NombreBase, "otra");
    EXPECT_TRUE(Componentes::Datos().Conectado());
    EXPECT_EQ(sesion().Usuario, "op9");
    EXPECT_EQ(veces_, 2);
}
