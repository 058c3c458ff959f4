#include "comun/SuiteEmbebida.h"
#include "data/Dll_Datos.h"
#include "data/EscrituraGarantias.h"
#include "import/GrupoTransmision.h"
#include "platform/ErrorEjecucion.h"

// El grupo de la transmisión en la base embebida: cómo termina según lo que pasó en él, y que
// nunca deje una transacción abierta en la conexión de la suite.

namespace {

class Grupo : public SuiteEmbebida {
  protected:
    // La fila de la transmisión n, escrita dentro del grupo abierto.
    void fila(int32_t n, const char* serie) {
        sql(QStringLiteral("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) "
                           "VALUES ('M','%1',%2,'E','A')")
                .arg(serie)
                .arg(n));
    }
};

TEST_F(Grupo, TerminaSinDejarUnaTransaccionAbiertaYGuardaSoloConFilas) {
    enum class Fin { Confirmar, SinFilas, FallaAntesDeConfirmar, ServidorLoDeshizo };
    const struct {
        const char* caso;
        Fin fin;
        QStringList registro;  // MV_TRANSMISIONES vista por otra estación
        QString guardado;
    } casos[] = {
        {"con una fila se confirma", Fin::Confirmar, {"1|operador"}, "Quedó la transmisión 1 con 1 filas."},
        {"sin filas no deja registro ni gasta número",
         Fin::SinFilas,
         {},
         "No quedó ninguna transmisión: no se agregó ninguna fila."},
        // Una falla que sale del grupo antes de confirmarlo lo deshace: ni registro ni fila, y la
        // conexión queda libre para la próxima corrida.
        {"una falla al cerrar lo deshace",
         Fin::FallaAntesDeConfirmar,
         {},
         "No quedó ninguna transmisión: no se agregó ninguna fila."},
        {"la sentencia ya lo deshizo",
         Fin::ServidorLoDeshizo,
         {},
         "No quedó ninguna transmisión: no se agregó ninguna fila."},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        Dll_Datos& datos = Componentes::Datos();
        QString guardado;
        {
            GrupoTransmision grupo(datos, "operador");
            const int32_t numero = grupo.asegurar();
            ASSERT_TRUE(datos.conexion().enTransaccion());
            if (c.fin != Fin::SinFilas) {
                fila(numero, "S1");
                grupo.contar(true, false);
            }
            switch (c.fin) {
                case Fin::FallaAntesDeConfirmar:
                    grupo.antesDeConfirmar([] { throw ErrorEjecucion(Errores::ProveedorFallo, "falla"); });
                    EXPECT_THROW(grupo.confirmar(), ErrorEjecucion);
                    break;
                case Fin::ServidorLoDeshizo:
                    datos.conexion().RollbackTrans();
                    grupo.deshecho();
                    break;
                default:
                    grupo.confirmar();
            }
            guardado = grupo.textoGuardado();
        }
        EXPECT_FALSE(datos.conexion().enTransaccion());
        EXPECT_EQ(filasDeOtraConexion("SELECT Transmision, Responsable_envio FROM MV_TRANSMISIONES"),
                  c.registro);
        EXPECT_EQ(filasDeOtraConexion("SELECT serie FROM AUX_GARANTIA").size(), c.registro.size());
        EXPECT_EQ(guardado, c.guardado);
        sql("DELETE FROM AUX_GARANTIA");
        sql("DELETE FROM MV_TRANSMISIONES");
    }
}

// La base rechaza el registro: el grupo lo dice con la descripción de la base, no deja número
// ni registro, y la conexión queda sin transacción abierta.
TEST_F(Grupo, UnRegistroRechazadoSeLanzaConLaDescripcionDeLaBase) {
    sql("CREATE TRIGGER rechazo BEFORE INSERT ON MV_TRANSMISIONES BEGIN SELECT RAISE(ABORT, 'transmisiones "
        "cerradas'); END");
    Dll_Datos& datos = Componentes::Datos();
    GrupoTransmision grupo(datos, "operador");
    try {
        grupo.asegurar();
        ADD_FAILURE() << "el registro no se rechazó";
    } catch (const RegistroRechazado& e) {
        EXPECT_TRUE(e.descripcion().contains("transmisiones cerradas")) << qPrintable(e.descripcion());
    }
    EXPECT_FALSE(datos.conexion().enTransaccion());
    EXPECT_TRUE(filas("SELECT Transmision FROM MV_TRANSMISIONES").isEmpty());
    EXPECT_EQ(grupo.textoGuardado(), "No quedó ninguna transmisión: no se agregó ninguna fila.");
}

}  // namespace
