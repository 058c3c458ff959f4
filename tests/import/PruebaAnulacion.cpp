// Anular una transmisión, en la base embebida y con la base en un "servidor" (el controlador
// ODBC de SQLite hace de SQL Server): las filas, la marca, el diario y el registro de acciones, lo
// que se rechaza sin tocar nada, y que una falla en medio no deja nada a medias.
#include <QRegularExpression>

#include "comun/SqliteComoServidor.h"
#include "data/DiarioCorridas.h"
#include "import/AnulacionTransmision.h"
#include "import/VentanaDePrueba.h"

namespace {

const QByteArray kCsv = "eca1,serie,modelo,otro,activacion\nE,S1,M,x,A\nE,S2,M,x,A\nE,S3,M,x,A\n";

class Anulacion : public VentanaDePrueba {
  protected:
    SqliteComoServidor servidor_;  // antes de abrir la conexión
    // Importa el csv (la corrida lo anota en el diario) y deja su corrida con el resultado dado.
    int32_t importar(const QByteArray& csv, const QString& resultado = ResultadoCorrida::kCompleta) {
        buscar(archivo("datos.csv", csv));
        mensajes_->olvidar();
        ventana_->cmdImportar_Click();
        const int32_t n = ventana_->resumen().transmision;
        sql(QStringLiteral(
                "UPDATE GARANTIAS_CORRIDAS SET Resultado='%1', Estacion='caja1' WHERE Transmision=%2")
                .arg(resultado)
                .arg(n));
        return n;
    }
    // Lo que la anulación toca, en una línea por tabla.
    QStringList estado(int32_t n) {
        const QString t = QString::number(n);
        return {filas("SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision=" + t).join(','),
                filas("SELECT Anulado FROM MV_TRANSMISIONES WHERE Transmision=" + t).join(','),
                filas("SELECT Anulada IS NOT NULL, AnuladaPor FROM GARANTIAS_CORRIDAS WHERE Transmision=" + t)
                    .join(','),
                filas("SELECT count(*) FROM MV_CPTEACCIONES").join(',')};
    }
    // Las demás tablas que la anulación necesita y el esquema embebido ya tiene, en el "servidor".
    void crearTablasServidor() {
        sql("CREATE TABLE MV_CPTEACCIONES (TC VARCHAR(4), IdComprobante VARCHAR(20), IdComplemento INTEGER, "
            "Tipo_accion VARCHAR(2), FECHAHORA VARCHAR(30), Usuario VARCHAR(50), PC VARCHAR(50), SYSTEMUSER "
            "VARCHAR(255), Proceso VARCHAR(255), ProcesoLote VARCHAR(50), Cuenta VARCHAR(15))");
        sql("CREATE VIEW V_MV_CPTEACCIONES AS SELECT * FROM MV_CPTEACCIONES");
        sql("CREATE TRIGGER V_MV_CPTEACCIONES_i INSTEAD OF INSERT ON V_MV_CPTEACCIONES BEGIN INSERT INTO "
            "MV_CPTEACCIONES VALUES (NEW.TC, NEW.IdComprobante, NEW.IdComplemento, NEW.Tipo_accion, "
            "NEW.FECHAHORA, "
            "NEW.Usuario, NEW.PC, NEW.SYSTEMUSER, NEW.Proceso, NEW.ProcesoLote, NEW.Cuenta); END");
        // El guion de SQL Server del diario, con los tipos que el controlador de prueba entiende.
        sql("CREATE TABLE GARANTIAS_CORRIDAS (Corrida VARCHAR(40) NOT NULL PRIMARY KEY, Transmision INT, "
            "Archivo VARCHAR(260), Ruta VARCHAR(1024), Tamano BIGINT, Modificado VARCHAR(19), Sha256 "
            "VARCHAR(64), "
            "Tabla VARCHAR(260), Clase VARCHAR(40), Leidas BIGINT NOT NULL DEFAULT 0, Agregadas BIGINT NOT "
            "NULL "
            "DEFAULT 0, YaGuardadas BIGINT NOT NULL DEFAULT 0, SinSerie BIGINT NOT NULL DEFAULT 0, Fallidas "
            "BIGINT NOT NULL DEFAULT 0, Inicio VARCHAR(19), Fin VARCHAR(19), Resultado VARCHAR(20) NOT NULL, "
            "Estacion VARCHAR(128), Usuario VARCHAR(128), Proceso BIGINT, Anulada VARCHAR(19), AnuladaPor "
            "VARCHAR(128))");
    }
    void conectarServidor() {
        ASSERT_NO_FATAL_FAILURE(conectarServidorOdbc());
        crearTablasServidor();
    }

    // El camino entero: preguntar, anular, y que las series se puedan importar de nuevo con otro número.
    void anularYReimportar() {
        const int32_t n = importar(kCsv);
        ASSERT_EQ(n, 1);
        const EstadoAnulacion antes = PrepararAnulacion(n);
        ASSERT_EQ(antes.motivo, EstadoAnulacion::Lista) << qPrintable(antes.mensaje);
        const QString fecha = filas("SELECT Fecha || ' ' || Hora FROM MV_TRANSMISIONES").join("");
        EXPECT_EQ(antes.pregunta(),
                  "Se borrarán las 3 filas de la transmisión 1 (archivo datos.csv, " + fecha + "). ¿Anular?");
        EXPECT_EQ(estado(n), (QStringList{"3", "0", "0|", "0"}));

        const EstadoAnulacion hecha = Anular(n);
        ASSERT_EQ(hecha.motivo, EstadoAnulacion::Lista) << qPrintable(hecha.mensaje);
        EXPECT_EQ(hecha.filas, 3);
        EXPECT_EQ(estado(n), (QStringList{"0", "1", "1|operador", "1"}));
        EXPECT_EQ(
            filas("SELECT Tipo_accion, IdComprobante, Usuario, SYSTEMUSER FROM MV_CPTEACCIONES"),
            QStringList{"B|1|operador|Anulación de la transmisión 1: 3 filas borradas (archivo datos.csv)"});

        // Sigue listada; sus series vuelven a entrar, con un número nuevo.
        EXPECT_EQ(importar(kCsv), 2);
        EXPECT_EQ(ventana_->resumen().insertadas, 3);
        EXPECT_EQ(filas("SELECT Transmision, Anulado FROM MV_TRANSMISIONES ORDER BY Transmision"),
                  (QStringList{"1|1", "2|0"}));
        EXPECT_EQ(Anular(n).motivo, EstadoAnulacion::YaAnulada);
    }

    // Si cualquiera de sus escrituras falla (el borrado de las filas, la marca, el diario, el
    // registro de acciones), nada de lo anterior queda: ni la marca sobre filas que siguen ahí ni
    // filas borradas de una transmisión sin marca. Cada falla la da la base, con un disparador.
    void fallaEnCadaEscrituraNoDejaNadaHecho() {
        const int32_t n = importar(kCsv);
        const struct {
            const char* nombre;
            const char* disparador;
        } casos[] = {
            {"el borrado de las filas", "BEFORE DELETE ON AUX_GARANTIA"},
            {"la marca de la transmisión", "BEFORE UPDATE ON MV_TRANSMISIONES"},
            {"el diario", "BEFORE UPDATE ON GARANTIAS_CORRIDAS"},
            {"el registro de acciones", "BEFORE INSERT ON MV_CPTEACCIONES"},
        };
        const QStringList antes = estado(n);
        ASSERT_EQ(antes, (QStringList{"3", "0", "0|", "0"}));
        for (const auto& c : casos) {
            SCOPED_TRACE(c.nombre);
            sql(QStringLiteral(
                    "CREATE TRIGGER falla %1 BEGIN SELECT RAISE(ABORT, 'rechazada por la base'); END")
                    .arg(c.disparador));
            const EstadoAnulacion e = Anular(n);
            EXPECT_EQ(e.motivo, EstadoAnulacion::Fallo);
            EXPECT_TRUE(e.mensaje.startsWith("No se anuló la transmisión 1: ")) << qPrintable(e.mensaje);
            EXPECT_TRUE(e.mensaje.contains("rechazada por la base")) << qPrintable(e.mensaje);
            EXPECT_EQ(estado(n), antes);
            EXPECT_FALSE(Componentes::Datos().conexion().enTransaccion());
            sql("DROP TRIGGER falla");
        }
        // Sin el disparador, la misma anulación se hace entera.
        EXPECT_EQ(Anular(n).motivo, EstadoAnulacion::Lista);
        EXPECT_EQ(estado(n), (QStringList{"0", "1", "1|operador", "1"}));
    }
};

TEST_F(Anulacion, BorraLasFilasMarcaLaTransmisionYLoAnotaEnLaBaseEmbebida) { anularYReimportar(); }

// La línea bajo las filas dice lo que el diario sabe de la transmisión elegida; una anulada queda
// en la lista, marcada, y la línea dice cuándo y quién la anuló.
TEST_F(Anulacion, LaLineaDeLaTransmisionDiceSuArchivoSusCuentasYSuAnulacion) {
    const int32_t n = importar(kCsv + "E,,M,x,A\n");
    ASSERT_EQ(n, 1);
    const auto elegir = [this] {
        ventana_->SSTab1_Click(1);
        modelo_->MSFlexGrid1.Row = 1;
        ventana_->MSFlexGrid1_Click();
    };
    elegir();
    EXPECT_EQ(
        modelo_->lblInfoTransmision(),
        "Transmisión 1: 3 filas; archivo datos.csv; 4 leídas, 3 agregadas, 0 ya guardadas, 1 sin serie, "
        "0 fallidas; completa");
    EXPECT_FALSE(modelo_->MSFlexGrid1.marcada(1));
    ASSERT_EQ(Anular(n).motivo, EstadoAnulacion::Lista);
    elegir();
    EXPECT_TRUE(modelo_->MSFlexGrid1.marcada(1));
    EXPECT_TRUE(modelo_->lblInfoTransmision().startsWith("Transmisión 1: 0 filas; archivo datos.csv; "))
        << qPrintable(modelo_->lblInfoTransmision());
    EXPECT_TRUE(modelo_->lblInfoTransmision().contains(
        QRegularExpression("; anulada el \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d por operador$")))
        << qPrintable(modelo_->lblInfoTransmision());
}

TEST_F(Anulacion, BorraLasFilasMarcaLaTransmisionYLoAnotaEnElServidor) {
    ASSERT_NO_FATAL_FAILURE(conectarServidor());
    anularYReimportar();
}

// Lo que no se anula, y que al rechazarlo no cambia nada.
TEST_F(Anulacion, LoQueNoSeAnulaQuedaComoEstaba) {
    const int32_t completa = importar(kCsv);
    const int32_t enCurso =
        importar("eca1,serie,modelo,otro,activacion\nE,S4,M,x,A\n", ResultadoCorrida::kEnCurso);
    const int32_t ajena = importar("eca1,serie,modelo,otro,activacion\nE,S5,M,x,A\n");
    sql(QStringLiteral("DELETE FROM GARANTIAS_CORRIDAS WHERE Transmision=%1").arg(ajena));  // otro la tomó
    ASSERT_EQ(Anular(completa).motivo, EstadoAnulacion::Lista);
    struct Caso {
        int32_t numero;
        EstadoAnulacion::Motivo motivo;
        const char* mensaje;
    } casos[] = {
        {99, EstadoAnulacion::NoExiste, "No existe la transmisión 99."},
        {completa, EstadoAnulacion::YaAnulada, "La transmisión 1 ya está anulada"},
        {enCurso, EstadoAnulacion::EnCurso, "La transmisión 2 todavía se está importando (estación caja1"},
        {ajena, EstadoAnulacion::Ajena, "La transmisión 3 no la importó este programa"},
    };
    auto tablas = [this] {
        return QStringList{filas("SELECT nroTransmision FROM AUX_GARANTIA ORDER BY serie").join(','),
                           filas("SELECT Transmision, Anulado FROM MV_TRANSMISIONES").join(','),
                           filas("SELECT Transmision, Anulada FROM GARANTIAS_CORRIDAS").join(','),
                           filas("SELECT count(*) FROM MV_CPTEACCIONES").join(',')};
    };
    const QStringList antes = tablas();
    for (const Caso& c : casos) {
        for (const EstadoAnulacion& e : {PrepararAnulacion(c.numero), Anular(c.numero)}) {
            EXPECT_EQ(e.motivo, c.motivo) << c.numero;
            EXPECT_TRUE(e.mensaje.startsWith(QString::fromUtf8(c.mensaje))) << qPrintable(e.mensaje);
        }
    }
    EXPECT_EQ(tablas(), antes);
}

TEST_F(Anulacion, UnaFallaEnCualquierEscrituraNoDejaNadaHechoEnLaBaseEmbebida) {
    fallaEnCadaEscrituraNoDejaNadaHecho();
}

TEST_F(Anulacion, UnaFallaEnCualquierEscrituraNoDejaNadaHechoEnElServidor) {
    ASSERT_NO_FATAL_FAILURE(conectarServidor());
    fallaEnCadaEscrituraNoDejaNadaHecho();
}

// Si la tabla del registro de acciones no está, tampoco.
TEST_F(Anulacion, UnaFallaEnMedioNoDejaNadaHecho) {
    const int32_t n = importar(kCsv);
    sql("DROP TABLE MV_CPTEACCIONES");
    const EstadoAnulacion e = Anular(n);
    EXPECT_EQ(e.motivo, EstadoAnulacion::Fallo);
    EXPECT_TRUE(e.mensaje.startsWith("No se anuló la transmisión 1: ")) << qPrintable(e.mensaje);
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision=1"), QStringList{"3"});
    EXPECT_EQ(filas("SELECT Anulado FROM MV_TRANSMISIONES"), QStringList{"0"});
    EXPECT_EQ(filas("SELECT Anulada IS NULL FROM GARANTIAS_CORRIDAS"), QStringList{"1"});
    EXPECT_FALSE(Componentes::Datos().conexion().enTransaccion());
}

// Sin diario (un servidor donde no se corrió su guion) no se anula nada: no se sabe qué es de este
// programa.
TEST_F(Anulacion, SinDiarioNoSeAnulaNada) {
    ASSERT_NO_FATAL_FAILURE(conectarServidor());
    const int32_t n = importar(kCsv);
    sql("DROP TABLE GARANTIAS_CORRIDAS");
    const EstadoAnulacion e = PrepararAnulacion(n);
    EXPECT_EQ(e.motivo, EstadoAnulacion::Ajena);
    EXPECT_TRUE(e.mensaje.contains("no tiene el diario")) << qPrintable(e.mensaje);
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"3"});
}

}  // namespace
