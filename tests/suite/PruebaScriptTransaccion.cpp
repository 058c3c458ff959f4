#include "comun/BaseServicios.h"
#include "suite/ScriptTransaccion.h"

namespace {

const QString kS2 = "INSERT INTO AUX_GARANTIA (modelo, serie) VALUES ('m', 'S2')";
const QString kDuplicada = "INSERT INTO AUX_GARANTIA (modelo, serie) VALUES ('m', 'S1')";
const QString kNula = "INSERT INTO AUX_GARANTIA (modelo, serie) VALUES ('m', NULL)";
const QString kSinTabla = "INSERT INTO NO_HAY (a) VALUES (1)";
const QString kCheck = "INSERT INTO T_CHK (v) VALUES (0)";

class Script : public BaseServicios {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(BaseServicios::SetUp());
        sql("INSERT INTO AUX_GARANTIA (modelo, serie) VALUES ('m', 'S1')");
        sql("CREATE TABLE T_CHK (v INTEGER CHECK (v > 0))");
        sesion().Usuario = "ana";
    }

    struct Salida {
        bool hayError = true;
        int32_t codigo = -99;  // -99: no escrito
        QString script = "sin tocar";
        QString mensaje = "sin tocar";
    };
    Salida correr(const ListaSentencias& sentencias, bool ignorarDuplicado = false,
                  bool ignorarReferencia = false, bool mostrar = true) {
        Salida s;
        GActualizarDatoScript(sentencias, s.hayError, s.codigo, ignorarDuplicado, ignorarReferencia, s.script,
                              s.mensaje, mostrar);
        return s;
    }
    QStringList series() { return filas("SELECT serie FROM AUX_GARANTIA ORDER BY serie"); }
    QStringList errores() {
        return filas("SELECT Proceso, Error, Descripcion, SQL, Usuario FROM AUX_ERR ORDER BY rowid");
    }
    // Ninguna transacción quedó abierta: se puede empezar otra.
    void sinTransaccionAbierta() {
        sql("BEGIN TRANSACTION");
        sql("ROLLBACK TRANSACTION");
    }
};

}  // namespace

TEST_F(Script, SinErroresConfirmaYDevuelveElScriptEnviado) {
    const Salida s = correr({"", kS2, "   ", "INSERT INTO AUX_GARANTIA (modelo, serie) VALUES ('m', 'S3')"});
    EXPECT_FALSE(s.hayError);
    EXPECT_EQ(s.codigo, 0);
    EXPECT_EQ(s.script, "BEGIN TRANSACTION \r\r\r" + kS2 +
                            "\rINSERT INTO AUX_GARANTIA (modelo, serie) VALUES ('m', 'S3')\r");
    EXPECT_EQ(s.mensaje, "sin tocar");
    EXPECT_EQ(series(), (QStringList{"S1", "S2", "S3"}));
    EXPECT_TRUE(errores().isEmpty());
    EXPECT_TRUE(mensajes_->cuadros().empty());
    sinTransaccionAbierta();
}

TEST_F(Script, UnaListaEnBlancoNoEnviaNada) {
    const Salida s = correr({"", "  ", "\t"});
    EXPECT_FALSE(s.hayError);
    EXPECT_EQ(s.codigo, -99);
    EXPECT_EQ(s.script, "sin tocar");
    EXPECT_EQ(correr({}).codigo, -99);
}

TEST_F(Script, MensajeSegunLaCantidadDeErrores) {
    const QString dDuplicada = descripcionDe(kDuplicada);
    const QString dNula = descripcionDe(kNula);
    const QString dSinTabla = descripcionDe(kSinTabla);
    struct Caso {
        ListaSentencias sentencias;
        int32_t codigo;
        QString mensaje;
    };
    const Caso casos[] = {
        // Un error: su línea.
        {{kS2, kDuplicada}, 2627, "2627 : " + dDuplicada + "\r\n"},
        // Dos: el último de la colección no entra.
        {{kS2, kDuplicada, kNula}, 2627, "2627 : " + dDuplicada + "\r\n"},
        // Tres: los dos primeros.
        {{kNula, kS2, kSinTabla, kDuplicada}, 515, "515 : " + dNula + "\r\n208 : " + dSinTabla + "\r\n"},
    };
    for (const auto& c : casos) {
        mensajes_->olvidar();
        mensajes_->responder(RespuestaMensaje::Aceptar);
        sql("DELETE FROM AUX_ERR");
        const Salida s = correr(c.sentencias);
        EXPECT_TRUE(s.hayError);
        EXPECT_EQ(s.codigo, c.codigo);
        EXPECT_EQ(s.mensaje, c.mensaje);
        EXPECT_EQ(series(), QStringList{"S1"});  // S2 se deshizo con el resto
        sinTransaccionAbierta();
        ASSERT_EQ(mensajes_->cuadros().size(), 1u);
        EXPECT_EQ(mensajes_->cuadros()[0].texto, c.mensaje);
        EXPECT_EQ(mensajes_->cuadros()[0].titulo, "Aviso al Operador!");
        EXPECT_EQ(mensajes_->cuadros()[0].estilo, Botones::Aceptar | Botones::IconoCritico);
        // La tabla de errores tiene el script entero y el mensaje.
        EXPECT_EQ(errores(), QStringList{"garantias|" + QString::number(c.codigo) + '|' + c.mensaje + '|' +
                                         s.script + "|ana"});
    }
}

TEST_F(Script, BanderasDeIgnorarYMensajeNoMostrado) {
    const QString dDuplicada = descripcionDe(kDuplicada);
    const QString dCheck = descripcionDe(kCheck);
    const QString dNula = descripcionDe(kNula);
    struct Caso {
        ListaSentencias sentencias;
        bool ignorarDuplicado, ignorarReferencia, mostrar;
        int32_t codigo;
        QString mensaje;     // la salida
        QString registrado;  // la descripción en AUX_ERR (y el texto del cuadro, si lo hay)
        bool cuadro;
    };
    const Caso casos[] = {
        {{kS2, kDuplicada}, true, false, true, 2627, dDuplicada, "", false},
        {{kS2, kCheck}, false, true, true, 547, dCheck, "", false},
        // La bandera que no corresponde al código no silencia nada.
        {{kS2, kCheck}, true, false, true, 547, "547 : " + dCheck + "\r\n", "547 : " + dCheck + "\r\n", true},
        {{kNula}, true, true, true, 515, "515 : " + dNula + "\r\n", "515 : " + dNula + "\r\n", true},
        // Sólo el primer error decide: un duplicado después de otro error no se silencia.
        {{kNula, kDuplicada, kS2},
         true,
         false,
         true,
         515,
         "515 : " + dNula + "\r\n",
         "515 : " + dNula + "\r\n",
         true},
        {{kS2, kDuplicada},
         false,
         false,
         false,
         2627,
         "2627 : " + dDuplicada + "\r\n",
         "2627 : " + dDuplicada + "\r\n",
         false},
    };
    for (const auto& c : casos) {
        mensajes_->olvidar();
        if (c.cuadro) mensajes_->responder(RespuestaMensaje::Aceptar);
        sql("DELETE FROM AUX_ERR");
        const Salida s = correr(c.sentencias, c.ignorarDuplicado, c.ignorarReferencia, c.mostrar);
        EXPECT_TRUE(s.hayError);
        EXPECT_EQ(s.codigo, c.codigo);
        EXPECT_EQ(s.mensaje, c.mensaje);
        EXPECT_EQ(series(), QStringList{"S1"});
        sinTransaccionAbierta();
        EXPECT_EQ(mensajes_->cuadros().size(), c.cuadro ? 1u : 0u) << qPrintable(c.mensaje);
        if (c.cuadro && !mensajes_->cuadros().empty()) {
            EXPECT_EQ(mensajes_->cuadros()[0].texto, c.registrado);
        }
        EXPECT_EQ(filas("SELECT Error, Descripcion FROM AUX_ERR"),
                  QStringList{QString::number(c.codigo) + '|' + c.registrado});
    }
}

// Un COMMIT que el motor rechaza (clave foránea diferida) deja la transacción abierta: va al
// aviso de error, y ninguna respuesta la deja abierta.
TEST_F(Script, UnCommitFallidoVaAlAvisoYNoQuedaTransaccionAbierta) {
    sql("PRAGMA foreign_keys = ON");
    sql("CREATE TABLE PADRE (id INTEGER PRIMARY KEY)");
    sql("CREATE TABLE HIJO (id INTEGER REFERENCES PADRE (id) DEFERRABLE INITIALLY DEFERRED)");
    const ListaSentencias huerfano{kS2, "INSERT INTO HIJO (id) VALUES (5)"};
    struct Caso {
        std::vector<int> respuestas;
        int32_t codigo;  // -99: no escrito
    };
    const Caso casos[] = {
        {{RespuestaMensaje::Abortar}, -99},
        {{RespuestaMensaje::Reintentar, RespuestaMensaje::Abortar}, -99},
        {{RespuestaMensaje::Omitir}, 0},
    };
    for (const auto& c : casos) {
        mensajes_->olvidar();
        for (int r : c.respuestas) mensajes_->responder(r);
        const Salida s = correr(huerfano);
        EXPECT_FALSE(s.hayError);
        EXPECT_EQ(s.codigo, c.codigo);
        ASSERT_EQ(mensajes_->cuadros().size(), c.respuestas.size());
        EXPECT_TRUE(mensajes_->cuadros()[0].titulo.contains("GActualizarDatoScript"));
        EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("(547)"))
            << qPrintable(mensajes_->cuadros()[0].texto);
        sinTransaccionAbierta();
        EXPECT_EQ(series(), QStringList{"S1"});
        EXPECT_EQ(filas("SELECT COUNT(*) FROM HIJO"), QStringList{"0"});
    }
}
