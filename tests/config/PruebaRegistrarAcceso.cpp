#include <QSysInfo>

#include "comun/BaseServicios.h"
#include "config/RegistrarAcceso.h"
#include "suite/FechaServidor.h"

namespace {
class Acceso : public BaseServicios {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(BaseServicios::SetUp());
        // "garantias" es parte de un Proceso más largo: LIKE con % a los dos lados lo encuentra.
        sql("INSERT INTO TA_MENU (Clave, Proceso, Nombre) VALUES ('M1', 'QZ_garantias_v2', 'Importación de "
            "garantías')");
        sql("INSERT INTO TA_MENU (Clave, Proceso, Nombre) VALUES ('M2', 'OTRO', 'Otro programa')");
        sql("INSERT INTO TA_TAREAS (USUARIO, TAREA) VALUES ('ANA', 'M1')");
        sql("INSERT INTO TA_TAREAS (USUARIO, TAREA) VALUES ('PEPE', 'M2')");
        sql("INSERT INTO TA_TAREAS (USUARIO, TAREA) VALUES ('O''Brien', 'M1')");
    }
    // Las filas de Control_Acceso sin la máquina ni la hora, que se miran aparte.
    QStringList accesos() {
        return filas("SELECT Usuario, Formulario, Tarea, NombreUsuario FROM Control_Acceso ORDER BY rowid");
    }
};
}  // namespace

TEST_F(Acceso, UnaFilaPorInicioConLaTareaQueCorresponde) {
    struct Caso {
        QString usuarioSesion;  // el de la sesión antes
        QString usuarioBase;    // NombreUsuario de la conexión principal
        QString formulario;
        QString fila;          // Usuario|Formulario|Tarea|NombreUsuario
        QString usuarioQueda;  // el de la sesión después
    };
    const Caso casos[] = {
        {"ana", "demo", "", "ANA|GARANTIAS|IMPORTACIÓN DE GARANTÍAS|ana", "ana"},
        // Sin tarea para el proceso: la fila va igual, con la tarea vacía.
        {" pepe ", "otro", "", "PEPE|GARANTIAS|| pepe ", " pepe "},
        {"pepe", "demo", "otro", "PEPE|OTRO|OTRO PROGRAMA|pepe", "pepe"},
        // Sesión vacía: toma el usuario de la base, que es el de la base misma: tarea = ejecutable.
        {"", "demo", "", "DEMO|GARANTIAS|GARANTIAS|demo", "demo"},
        {"luis", "supervisor veltrom mc", "", "LUIS|GARANTIAS|GARANTIAS|luis", "luis"},
        {"luis", "otro", "", "LUIS|GARANTIAS||luis", "luis"},
        // El apóstrofo ya no rompe la consulta; la fila y la sesión lo pierden.
        {"O'Brien", "otro", "", "OBRIEN|GARANTIAS|IMPORTACIÓN DE GARANTÍAS|OBrien", "OBrien"},
    };
    for (const auto& c : casos) {
        sql("DELETE FROM Control_Acceso");
        sesion().Usuario = c.usuarioSesion;
        Componentes::Datos().NombreUsuario = c.usuarioBase;
        RegistrarAcceso(c.formulario);
        EXPECT_EQ(accesos(), QStringList{c.fila}) << qPrintable(c.usuarioSesion);
        EXPECT_EQ(sesion().Usuario, c.usuarioQueda);
    }
    const QStringList otras = filas("SELECT Maquina, Ingreso FROM Control_Acceso");
    ASSERT_EQ(otras.size(), 1);
    EXPECT_EQ(otras[0].section('|', 0, 0), QSysInfo::machineHostName().toUpper());
    EXPECT_TRUE(
        QRegularExpression(R"(^\d\d/\d\d/\d\d \d\d:\d\d$)").match(otras[0].section('|', 1)).hasMatch());
    EXPECT_TRUE(EsAhora(otras[0].section('|', 1), "dd/mm/yy hh:mm")) << qPrintable(otras[0]);
    EXPECT_TRUE(mensajes_->cuadros().empty());
    EXPECT_TRUE(filas("SELECT * FROM AUX_ERR").isEmpty());
}

TEST_F(Acceso, ElEjecutableCN000PRNoSeAnota) {
    Proceso::FijarNombreEjecutable("cn000pr");
    sesion().Usuario = "ana";
    RegistrarAcceso("");
    Proceso::FijarNombreEjecutable("garantias");
    EXPECT_TRUE(accesos().isEmpty());
}

TEST_F(Acceso, SinLaTablaAvisaUnaVezYSigue) {
    sql("DROP TABLE Control_Acceso");
    sesion().Usuario = "ana";
    const QString descripcion = descripcionDe("INSERT INTO Control_Acceso (Maquina) VALUES ('x')");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    RegistrarAcceso("");
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(mensajes_->cuadros()[0].titulo, "Aviso al Operador!");
    EXPECT_EQ(mensajes_->cuadros()[0].texto, "208 : " + descripcion + "\r\n");
    const QStringList err = filas("SELECT Error, SQL FROM AUX_ERR");
    ASSERT_EQ(err.size(), 1);
    EXPECT_TRUE(
        err[0].startsWith("208|BEGIN TRANSACTION \r\r\rINSERT INTO Control_Acceso "
                          "(Maquina,Usuario,Formulario,Tarea,Ingreso,NombreUsuario) VALUES ("))
        << qPrintable(err[0]);
    // Una consulta de tareas que falla deja la tarea vacía, sin aviso.
    sql("CREATE TABLE Control_Acceso (Maquina TEXT, Usuario TEXT, Formulario TEXT, Tarea TEXT, Ingreso TEXT, "
        "NombreUsuario TEXT)");
    sql("DROP TABLE TA_MENU");
    mensajes_->olvidar();
    RegistrarAcceso("");
    EXPECT_EQ(accesos(), QStringList{"ANA|GARANTIAS||ana"});
    EXPECT_TRUE(mensajes_->cuadros().empty());
}
