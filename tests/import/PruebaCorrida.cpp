#include <QRegularExpression>
#include <csignal>

#include "import/VentanaDePrueba.h"
#include "platform/Proceso.h"
#include "platform/Senales.h"

namespace {

class Corrida : public VentanaDePrueba {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(VentanaDePrueba::SetUp());
        // Estas corridas importan a propósito los mismos bytes más de una vez (series ya
        // guardadas): sin la pregunta de archivo repetido, que tiene sus propias pruebas.
        ventana_->setRepetir(true);
    }
    // Elige el archivo (su primera tabla) e importa.
    void importar(const QString& nombre, const QByteArray& csv) {
        buscar(archivo(nombre, csv));
        // La vista previa de un archivo bueno no avisa nada: los cuadros que siguen son de la corrida.
        EXPECT_TRUE(mensajes_->cuadros().empty())
            << "la vista previa avisó: " << qPrintable(mensajes_->textos().join("\n"));
        mensajes_->olvidar();
        ventana_->cmdImportar_Click();
    }
    QStringList garantias() {
        return filas(
            "SELECT modelo, serie, nroTransmision, eca1, activacion FROM AUX_GARANTIA ORDER BY rowid");
    }
    QStringList transmisiones() {
        return filas(
            "SELECT TIPO, Transmision, Responsable_envio, Anulado FROM MV_TRANSMISIONES ORDER BY "
            "Transmision");
    }
};

const QByteArray kCabecera = "eca1,serie,modelo,otro,activacion\n";

}  // namespace

TEST_F(Corrida, CasosDeImportacion) {
    struct Caso {
        const char* nombre;
        const char* previo;     // sentencias antes de importar
        QByteArray filas;       // del archivo, sin cabecera
        QStringList garantias;  // AUX_GARANTIA después
        QStringList transmisiones;
        int64_t insertadas;
        int64_t yaEstaban;  // guardadas de antes o traídas antes por el mismo archivo
        int64_t sinSerie;
    };
    const Caso casos[] = {
        {"todas nuevas",
         "",
         "E1,S1,M1,x,A1\nE2,S2,M2,x,A2\n",
         {"M1|S1|1|E1|A1", "M2|S2|1|E2|A2"},
         {"S|1|operador|0"},
         2,
         0,
         0},
        {"algunas guardadas (el registro queda: la corrida agregó filas)",
         "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) VALUES ('V','S1',0,'V','V')",
         "E1,s1 ,M1,x,A1\nE2,S2,M2,x,A2\n",
         {"V|S1|0|V|V", "M2|S2|1|E2|A2"},
         {"S|1|operador|0"},
         1,
         1,
         0},
        {"todas guardadas: no queda registro ni se gasta número",
         "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) VALUES ('V','S1',0,'V','V')",
         "E1,S1,M1,x,A1\n",
         {"V|S1|0|V|V"},
         {},
         0,
         1,
         0},
        {"la misma serie dos veces",
         "",
         "E1,S1,M1,x,A1\nE2,S1,M2,x,A2\n",
         {"M1|S1|1|E1|A1"},
         {"S|1|operador|0"},
         1,
         1,
         0},
        {"series vacías se saltan",
         "",
         "E1,,M1,x,A1\nE2,  ,M2,x,A2\nE3,S3,M3,x,A3\n",
         {"M3|S3|1|E3|A3"},
         {"S|1|operador|0"},
         1,
         0,
         2},
        {"comillas y letras de otros alfabetos en todo",
         "",
         "\"O'Brien, Ñandú\",\"S'1\",\"TV 32' LED\",x,\"ación'; DROP TABLE AUX_GARANTIA;--\"\n",
         {"TV 32' LED|S'1|1|O'Brien, Ñandú|ación'; DROP TABLE AUX_GARANTIA;--"},
         {"S|1|operador|0"},
         1,
         0,
         0},
        {"número siguiente al mayor",
         "INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha,Hora,Responsable_envio,Anulado) VALUES "
         "('S',7,'01/01/2026','10:00','x',0)",
         "E1,S1,M1,x,A1\n",
         {"M1|S1|8|E1|A1"},
         {"S|7|x|0", "S|8|operador|0"},
         1,
         0,
         0},
        {"números de más de 16 bits",
         "INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha,Hora,Responsable_envio,Anulado) VALUES "
         "('S',32767,'01/01/2026','10:00','x',0)",
         "E1,S1,M1,x,A1\n",
         {"M1|S1|32768|E1|A1"},
         {"S|32767|x|0", "S|32768|operador|0"},
         1,
         0,
         0},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        sql("DELETE FROM AUX_GARANTIA");
        sql("DELETE FROM MV_TRANSMISIONES");
        if (*c.previo) sql(c.previo);
        importar("datos.csv", kCabecera + c.filas);
        EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
        EXPECT_EQ(modelo_->lblEstado(), "Importación finalizada");
        EXPECT_EQ(garantias(), c.garantias);
        EXPECT_EQ(transmisiones(), c.transmisiones);
        EXPECT_EQ(ventana_->resumen().insertadas, c.insertadas);
        EXPECT_EQ(ventana_->resumen().yaGuardadas + ventana_->resumen().repetidasEnArchivo, c.yaEstaban);
        EXPECT_EQ(ventana_->resumen().sinSerie, c.sinSerie);
        EXPECT_FALSE(ventana_->ConexionOrigen().abierta());
    }
}

TEST_F(Corrida, ElRegistroDeLaTransmisionLlevaFechaHoraYUsuario) {
    sesion().Usuario = "d'Artagnan";
    const QDateTime antes = QDateTime::currentDateTime();
    importar("datos.csv", kCabecera + "E1,S1,M1,x,A1\n");
    const QStringList r = filas("SELECT Fecha, Hora, Responsable_envio FROM MV_TRANSMISIONES");
    ASSERT_EQ(r.size(), 1);
    const QStringList partes = r[0].split('|');
    EXPECT_EQ(partes[0], antes.toString("dd/MM/yyyy"));
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d$").match(partes[1]).hasMatch()) << qPrintable(partes[1]);
    EXPECT_EQ(partes[2], "d'Artagnan");
}

TEST_F(Corrida, ImportarDosVecesNoGuardaNadaLaSegunda) {
    const QByteArray csv = kCabecera + "E1,S1,M1,x,A1\nE2,S2,M2,x,A2\n";
    importar("datos.csv", csv);
    ventana_->cmdImportar_Click();
    EXPECT_EQ(garantias(), (QStringList{"M1|S1|1|E1|A1", "M2|S2|1|E2|A2"}));
    EXPECT_EQ(transmisiones(), QStringList{"S|1|operador|0"});
    EXPECT_EQ(modelo_->lblEstado(), "Importación finalizada");
    EXPECT_EQ(ventana_->resumen().yaGuardadas, 2);
}

TEST_F(Corrida, ElResumenNombraLaTransmisionSoloSiQuedoGuardada) {
    const QByteArray csv = kCabecera + "E1,S1,M1,x,A1\nE2,,M2,x,A2\nE3,S3,M3,x,A3\n";
    struct Paso {
        const char* archivo;
        QByteArray filas;
        const char* resumen;
        QStringList transmisiones;
    };
    const Paso pasos[] = {
        {"datos.csv",
         csv,
         "Transmisión 1: 2 filas agregadas, 0 series ya guardadas, 1 filas sin serie.",
         {"S|1|operador|0"}},
        // Todo estaba: el registro se borra y el resumen no nombra el número, que se volverá a usar.
        {"datos.csv",
         csv,
         "Ninguna transmisión: 0 filas agregadas, 2 series ya guardadas, 1 filas sin serie.",
         {"S|1|operador|0"}},
        {"otra/otro.csv",
         kCabecera + "E4,S4,M4,x,A4\nE1,S1,M1,x,A1\n",
         "Transmisión 2: 1 filas agregadas, 1 series ya guardadas, 0 filas sin serie.",
         {"S|1|operador|0", "S|2|operador|0"}},
    };
    for (const auto& p : pasos) {
        SCOPED_TRACE(p.resumen);
        importar(p.archivo, p.filas);
        EXPECT_TRUE(ventana_->resumen().terminada);
        EXPECT_EQ(ventana_->resumen().texto(), p.resumen);
        EXPECT_EQ(transmisiones(), p.transmisiones);
    }
}

TEST_F(Corrida, UnaFilaRechazadaDetieneLaCorridaYConservaLoAnterior) {
    sql("CREATE TRIGGER rechazo BEFORE INSERT ON AUX_GARANTIA WHEN NEW.modelo = 'MALO' BEGIN SELECT "
        "RAISE(ABORT, 'modelo rechazado'); END");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    importar("datos.csv", kCabecera + "E1,S1,M1,x,A1\nE2,S2,MALO,x,A2\nE3,S3,M3,x,A3\n");
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(mensajes_->cuadros()[0].titulo, "Aviso");
    EXPECT_EQ(Botones::icono(mensajes_->cuadros()[0].estilo), Botones::IconoCritico);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("modelo rechazado"));
    // El cuadro dice también lo que quedó, contado en la base; la línea de estado, la falla.
    EXPECT_EQ(mensajes_->cuadros()[0].texto,
              modelo_->lblEstado() + " Quedó guardada 1 fila en la transmisión 1.");
    EXPECT_EQ(ventana_->resumen().guardado, "Quedó guardada 1 fila en la transmisión 1");
    EXPECT_EQ(garantias(), QStringList{"M1|S1|1|E1|A1"});
    EXPECT_EQ(transmisiones(), QStringList{"S|1|operador|0"});
    EXPECT_TRUE(ventana_->ConexionOrigen().abierta());  // la corrida se dejó con el origen abierto
    // La próxima operación la repara (3705: cierra y repite).
    mensajes_->olvidar();
    ventana_->cmdCargarVistaPrevia_Click();
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
}

TEST_F(Corrida, UnOrigenDeMenosDeCincoCamposVaAManejarError) {
    mensajes_->responder(RespuestaMensaje::Abortar);
    importar("tres.csv", "a,serie,c\n1,S1,3\n");
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(Botones::juego(mensajes_->cuadros()[0].estilo), Botones::AbortarReintentarOmitir);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("campo 5"))
        << qPrintable(mensajes_->cuadros()[0].texto);
    EXPECT_TRUE(garantias().isEmpty());
    EXPECT_NE(modelo_->lblEstado(), "Importación finalizada");
}

TEST_F(Corrida, CancelarYLuegoImportarNoFingeQueFunciono) {
    buscar(archivo("datos.csv", kCabecera + "E1,S1,M1,x,A1\n"));
    // Cancelado: la ruta queda vacía, la lista no; la vista previa y la corrida leen sin conexión.
    mensajes_->responder(RespuestaMensaje::Abortar, 2);
    buscar(std::nullopt);
    mensajes_->olvidar();
    ventana_->cmdImportar_Click();
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(mensajes_->cuadros()[0].texto, "No se permite la operación: la conexión está cerrada.");
    EXPECT_NE(modelo_->lblEstado(), "Importación finalizada");
    EXPECT_TRUE(garantias().isEmpty());
    EXPECT_TRUE(transmisiones().isEmpty());  // sin filas no queda transmisión
}

TEST_F(Corrida, SinNombreDeTablaNoSeEscribeNada) {
    mensajes_->responder(RespuestaMensaje::Aceptar);
    ventana_->cmdImportar_Click();
    EXPECT_EQ(mensajes_->textos(), QStringList{"Debe informar el nombre de la tabla a leer"});
    EXPECT_TRUE(transmisiones().isEmpty());
}

TEST_F(Corrida, SalirEnMedioConservaLasFilasEscritas) {
    QByteArray csv = kCabecera;
    for (int i = 1; i <= 500; ++i) csv += "E,S" + QByteArray::number(i) + ",M,x,A\n";
    buscar(archivo("datos.csv", csv));
    FinObservable fin;
    QObject::connect(modelo_.get(), &ModeloVentana::progreso, [](qint64 hechas, qint64) {
        if (hechas == 120) Proceso::Terminar(0);
    });
    EXPECT_THROW(ventana_->cmdImportar_Click(), Proceso::FinDelProceso);
    // Otra conexión ve lo que la corrida escribió antes del fin.
    EXPECT_EQ(filasDeOtraConexion("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"120"});
}

TEST_F(Corrida, MientrasCorreNoEmpiezaOtraOperacion) {
    QByteArray csv = kCabecera;
    for (int i = 1; i <= 50; ++i) csv += "E,S" + QByteArray::number(i) + ",M,x,A\n";
    buscar(archivo("datos.csv", csv));
    int intentos = 0;
    QObject::connect(modelo_.get(), &ModeloVentana::progreso, [&](qint64 hechas, qint64) {
        if (hechas != 10) return;
        ++intentos;
        ventana_->cmdImportar_Click();  // un clic que llega en medio
        ventana_->CmdBuscar_Click();
        ventana_->SSTab1_Click(1);
    });
    ventana_->cmdImportar_Click();
    EXPECT_EQ(intentos, 1);
    EXPECT_EQ(transmisiones(), QStringList{"S|1|operador|0"});
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"50"});
    EXPECT_EQ(modelo_->MSFlexGrid1.Rows(), 2);  // la pestaña no se cargó
}

TEST_F(Corrida, UnaSenalEnMedioConfirmaElGrupoYTerminaConSuCodigo) {
    QByteArray csv = kCabecera;
    for (int i = 1; i <= 500; ++i) csv += "E,S" + QByteArray::number(i) + ",M,x,A\n";
    buscar(archivo("datos.csv", csv));
    FinObservable fin;
    QObject::connect(modelo_.get(), &ModeloVentana::progreso, [](qint64 hechas, qint64) {
        if (hechas == 120) Senales::Simular(SIGTERM);  // llega en medio de una fila
    });
    try {
        ventana_->cmdImportar_Click();
        ADD_FAILURE() << "la corrida no terminó el proceso";
    } catch (const Proceso::FinDelProceso& f) {
        EXPECT_EQ(f.codigo, 143);
    }
    EXPECT_EQ(Senales::Pendiente(), 0);
    EXPECT_EQ(filasDeOtraConexion("SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision=1"),
              QStringList{"120"});
    EXPECT_EQ(filasDeOtraConexion("SELECT Transmision FROM MV_TRANSMISIONES"), QStringList{"1"});
}

TEST_F(Corrida, SinFilasNuevasNoSeGastaNumero) {
    // Corridas que no agregan nada entre dos que sí: los números siguen sin huecos.
    // Cada archivo en su carpeta: el controlador de texto lista todos los de la carpeta.
    importar("a/datos.csv", kCabecera + "E,S1,M,x,A\n");
    importar("b/datos.csv", kCabecera + "E,S1,M,x,A\n");
    importar("c/datos.csv", kCabecera);
    importar("d/datos.csv", kCabecera + "E,,M,x,A\n");
    importar("e/datos.csv", kCabecera + "E,S2,M,x,A\n");
    EXPECT_EQ(transmisiones(), (QStringList{"S|1|operador|0", "S|2|operador|0"}));
    EXPECT_EQ(garantias(), (QStringList{"M|S1|1|E|A", "M|S2|2|E|A"}));
    EXPECT_EQ(ventana_->resumen().transmision, 2);
}

TEST_F(Corrida, UnRegistroRechazadoNoDejaNada) {
    sql("CREATE TRIGGER rechazo BEFORE INSERT ON MV_TRANSMISIONES BEGIN SELECT RAISE(ABORT, 'transmisiones "
        "cerradas'); END");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    importar("datos.csv", kCabecera + "E1,S1,M1,x,A1\n");
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(mensajes_->cuadros()[0].titulo, "Aviso");
    EXPECT_EQ(Botones::icono(mensajes_->cuadros()[0].estilo), Botones::IconoInformacion);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("transmisiones cerradas"));
    EXPECT_NE(modelo_->lblEstado(), "Importación finalizada");
    EXPECT_TRUE(garantias().isEmpty());
    EXPECT_TRUE(transmisiones().isEmpty());
    EXPECT_EQ(ventana_->resumen().transmision, 0);
}

// Con cada forma de escribir de la base embebida (en el hilo, de a tandas; una sentencia por
// fila), la primera fila, que esperaba el registro rechazado, queda como no agregada con la
// descripción de la base; las demás no se intentaron y no se dicen.
TEST_F(Corrida, UnRegistroRechazadoDejaLaPrimeraFilaConSuMotivo) {
    sql("CREATE TRIGGER rechazo BEFORE INSERT ON MV_TRANSMISIONES BEGIN SELECT RAISE(ABORT, 'transmisiones "
        "cerradas'); END");
    for (const char* lotes : {"", "no"}) {
        SCOPED_TRACE(lotes);
        qputenv("GARANTIAS_LOTES", lotes);
        mensajes_->responder(RespuestaMensaje::Aceptar);
        importar(QString("%1/datos.csv").arg(lotes[0] ? lotes : "hilo"),
                 kCabecera + "E1,S1,M1,x,A1\nE2,S2,M2,x,A2\nE3,S3,M3,x,A3\n");
        qunsetenv("GARANTIAS_LOTES");
        ASSERT_EQ(mensajes_->cuadros().size(), 1u);
        EXPECT_EQ(Botones::icono(mensajes_->cuadros()[0].estilo), Botones::IconoInformacion);
        EXPECT_EQ(rechazos(), QStringList{"E1|S1|M1|x|A1|falló|La instrucción entró en conflicto con una "
                                          "restricción (transmisiones cerradas).|1"});
        EXPECT_TRUE(garantias().isEmpty());
        EXPECT_TRUE(transmisiones().isEmpty());
        mensajes_->olvidar();
    }
}
