// El diario de las importaciones sobre una base embebida real: lo que escribe cada llamada, que
// nunca queda atado a la transacción de las filas, que una falla no detiene nada, las corridas
// muertas que marca el inicio y cómo encuentra un archivo ya importado.
#include <QCoreApplication>
#include <QProcess>

#include "comun/SuiteEmbebida.h"
#include "data/DiarioCorridas.h"
#include "platform/Dll_Sistema.h"

namespace {

const QDateTime kAhora(QDate(2026, 12, 10), QTime(13, 45, 7));

class Diario : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());
        DiarioCorridas::OlvidarAvisos();
        diario_ = std::make_unique<DiarioCorridas>(
            Componentes::Datos(), [] { return kAhora; }, [this](const QString& t) { avisos_ << t; });
    }
    void TearDown() override {
        diario_.reset();
        SuiteEmbebida::TearDown();
    }
    QStringList columnas(const QString& cuales) {
        return filas("SELECT " + cuales + " FROM GARANTIAS_CORRIDAS ORDER BY Inicio, Corrida");
    }
    // Una corrida ya terminada, escrita directamente.
    void corrida(const QString& id, int transmision, const QString& archivo, const QString& sha,
                 qint64 tamano, const QString& modificado, int agregadas, const QString& inicio,
                 const QString& resultado = ResultadoCorrida::kCompleta, const QString& estacion = {},
                 qint64 proceso = 0) {
        sql(QStringLiteral(
                "INSERT INTO GARANTIAS_CORRIDAS (Corrida, Transmision, Archivo, Ruta, Sha256, Tamano, "
                "Modificado, Agregadas, Inicio, Resultado, Estacion, Proceso) VALUES ('%1', %2, '%3', "
                "'/datos/%3', %4, %5, '%6', %7, '%8', '%9', '%10', %11)")
                .arg(id)
                .arg(transmision > 0 ? QString::number(transmision) : QStringLiteral("NULL"))
                .arg(archivo)
                .arg(sha.isEmpty() ? QStringLiteral("NULL") : "'" + sha + "'")
                .arg(tamano)
                .arg(modificado)
                .arg(agregadas)
                .arg(inicio, resultado, estacion.isEmpty() ? Dll_Sistema().NombreEquipo() : estacion)
                .arg(proceso));
    }

    std::unique_ptr<DiarioCorridas> diario_;
    QStringList avisos_;
};

TEST_F(Diario, UnaCorridaQuedaConSuArchivoSusCuentasYSuFin) {
    CorridaDiario c;
    c.archivo = "prov.csv";
    c.ruta = "/datos/prov.csv";
    c.tamano = 1234;
    c.modificado = QDateTime(QDate(2026, 12, 1), QTime(8, 0));
    c.sha256 = "ab12";
    c.tabla = "prov.csv";
    c.clase = "texto";
    c.usuario = "operador";
    ASSERT_TRUE(diario_->empezar(c));
    EXPECT_FALSE(c.id.isEmpty());
    EXPECT_EQ(columnas("Transmision, Resultado, Inicio, Fin, Proceso = " +
                       QString::number(QCoreApplication::applicationPid()) + ", Estacion <> ''"),
              QStringList{"|en curso|2026-12-10 13:45:07||1|1"});

    c.transmision = 7;
    c.leidas = 10;
    c.agregadas = 6;
    c.yaGuardadas = 2;
    c.sinSerie = 1;
    c.fallidas = 1;
    diario_->actualizar(c);
    EXPECT_EQ(columnas("Transmision, Leidas, Agregadas, YaGuardadas, SinSerie, Fallidas, Resultado"),
              QStringList{"7|10|6|2|1|1|en curso"});

    diario_->terminar(c, ResultadoCorrida::kDetenida);
    EXPECT_EQ(columnas("Archivo, Ruta, Tamano, Modificado, Sha256, Tabla, Clase, Usuario, Fin, Resultado"),
              QStringList{"prov.csv|/datos/prov.csv|1234|2026-12-01 08:00:00|ab12|prov.csv|texto|operador|"
                          "2026-12-10 13:45:07|detenida"});
    EXPECT_TRUE(avisos_.isEmpty()) << qPrintable(avisos_.join('\n'));
}

// Lo que se escribe mientras la conexión tiene abierta la transacción de las filas se deshace con
// ella: por eso el diario no escribe ahí, y la próxima puesta al día lleva las cuentas.
TEST_F(Diario, NuncaEscribeDentroDeLaTransaccionDeLasFilas) {
    CorridaDiario c;
    c.archivo = "a.csv";
    ASSERT_TRUE(diario_->empezar(c));
    Conexion& cn = Componentes::Datos().conexion();
    cn.BeginTrans();
    c.transmision = 3;
    c.agregadas = 5;
    diario_->actualizar(c);
    CorridaDiario otra;
    EXPECT_FALSE(diario_->empezar(otra));
    cn.RollbackTrans();
    EXPECT_EQ(columnas("Transmision, Agregadas"), QStringList{"|0"});
    diario_->actualizar(c);
    EXPECT_EQ(columnas("Transmision, Agregadas"), QStringList{"3|5"});
}

TEST_F(Diario, UnaFallaAlEscribirSeAnotaUnaVezYNoDetieneNada) {
    CorridaDiario c;
    ASSERT_TRUE(diario_->empezar(c));
    sql("DROP TABLE GARANTIAS_CORRIDAS");
    c.agregadas = 1;
    EXPECT_NO_THROW(diario_->actualizar(c));
    EXPECT_NO_THROW(diario_->actualizar(c));
    EXPECT_NO_THROW(diario_->terminar(c, ResultadoCorrida::kCompleta));
    ASSERT_EQ(avisos_.size(), 1);
    EXPECT_TRUE(avisos_[0].startsWith("No se pudo escribir en el diario")) << qPrintable(avisos_[0]);
    // La conexión sigue sirviendo para las filas.
    sql("INSERT INTO AUX_GARANTIA (modelo, serie, nroTransmision) VALUES ('M', 'S1', 1)");
}

TEST_F(Diario, SinLaTablaNoHaceNadaYLoDiceUnaVezPorProceso) {
    sql("DROP TABLE GARANTIAS_CORRIDAS");
    CorridaDiario c;
    EXPECT_FALSE(diario_->empezar(c));
    EXPECT_EQ(diario_->repetida(c), std::nullopt);
    EXPECT_TRUE(diario_->historial({}).empty());
    EXPECT_EQ(diario_->marcarInterrumpidas(), 0);
    DiarioCorridas otro(
        Componentes::Datos(), [] { return kAhora; }, [this](const QString& t) { avisos_ << t; });
    EXPECT_FALSE(otro.disponible());
    ASSERT_EQ(avisos_.size(), 1) << qPrintable(avisos_.join('\n'));
    EXPECT_TRUE(avisos_[0].contains("GARANTIAS_CORRIDAS")) << qPrintable(avisos_[0]);
}

// Una corrida "en curso" se marca interrumpida sólo si es de esta estación y su proceso murió:
// las de otra estación pueden seguir vivas allá.
TEST_F(Diario, ElInicioMarcaInterrumpidasSoloLasDeEstaEstacionCuyoProcesoMurio) {
    QProcess muerto;
    muerto.start("true");
    ASSERT_TRUE(muerto.waitForFinished(10000));
    const qint64 pidMuerto = muerto.processId() ? muerto.processId() : 999999;
    const qint64 pidVivo = QCoreApplication::applicationPid();
    struct Caso {
        const char* id;
        const QString resultado;
        const char* estacion;  // vacía: esta
        qint64 proceso;
        const char* queda;
    } casos[] = {
        {"a", ResultadoCorrida::kEnCurso, "", pidMuerto, "interrumpida"},
        {"b", ResultadoCorrida::kEnCurso, "", 0, "interrumpida"},
        {"c", ResultadoCorrida::kEnCurso, "", pidVivo, "en curso"},
        {"d", ResultadoCorrida::kEnCurso, "OTRA-ESTACION", pidMuerto, "en curso"},
        {"e", ResultadoCorrida::kCompleta, "", pidMuerto, "completa"},
    };
    for (const Caso& c : casos)
        corrida(c.id, 0, "x.csv", {}, 1, "", 0, "2026-12-10 10:00:00", c.resultado, c.estacion, c.proceso);
    EXPECT_EQ(diario_->marcarInterrumpidas(), 2);
    QStringList esperado;
    for (const Caso& c : casos) esperado << QString::fromLatin1(c.id) + '|' + c.queda;
    EXPECT_EQ(filas("SELECT Corrida, Resultado FROM GARANTIAS_CORRIDAS ORDER BY Corrida"), esperado);
}

// El proceso murió después de confirmar filas y antes de anotarlas: la corrida interrumpida queda
// con las filas que la base tiene bajo su transmisión, no con las que alcanzó a anotar.
TEST_F(Diario, UnaCorridaInterrumpidaQuedaConLasFilasDeLaBase) {
    corrida("a", 3, "x.csv", {}, 1, "", 1, "2026-12-10 10:00:00", ResultadoCorrida::kEnCurso, {}, 0);
    corrida("b", 0, "y.csv", {}, 1, "", 0, "2026-12-10 11:00:00", ResultadoCorrida::kEnCurso, {}, 0);
    for (const char* serie : {"S1", "S2", "S3"})
        sql(QStringLiteral("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) VALUES "
                           "('M','%1',3,'E','A')")
                .arg(serie));
    EXPECT_EQ(diario_->marcarInterrumpidas(), 2);
    EXPECT_EQ(columnas("Corrida, Transmision, Agregadas, Resultado"),
              (QStringList{"a|3|3|interrumpida", "b||0|interrumpida"}));
}

// El mismo archivo: por sus bytes cuando se conocen; si no, por nombre, tamaño y hora. Sólo
// cuentan las corridas que agregaron filas, y gana la última.
TEST_F(Diario, EncuentraLaUltimaCorridaQueAgregoLosMismosBytes) {
    corrida("1", 1, "enero.csv", "aa", 100, "2026-01-31 10:00:00", 5, "2026-02-01 09:00:00");
    corrida("2", 0, "enero.csv", "aa", 100, "2026-01-31 10:00:00", 0, "2026-02-02 09:00:00");
    corrida("3", 4, "copia.csv", "aa", 100, "2026-03-01 10:00:00", 2, "2026-02-03 09:00:00");
    corrida("4", 0, "vacio.csv", "bb", 10, "2026-01-31 10:00:00", 0, "2026-02-04 09:00:00");
    corrida("5", 6, "sinhuella.csv", "", 300, "2026-01-31 10:00:00", 9, "2026-02-05 09:00:00");
    struct Caso {
        const char* nombre;
        const char* archivo;
        const char* sha;
        qint64 tamano;
        QDateTime modificado;
        int transmision;  // 0: ninguna
    } casos[] = {
        {"mismos bytes, otro nombre", "otro.csv", "aa", 100, {}, 4},
        {"sin filas agregadas", "vacio.csv", "bb", 10, {}, 0},
        {"bytes nuevos", "enero.csv", "cc", 100, {}, 0},
        {"sin huella: nombre, tamaño y hora", "sinhuella.csv", "", 300,
         QDateTime(QDate(2026, 1, 31), QTime(10, 0)), 6},
        {"sin huella: otra hora", "sinhuella.csv", "", 300, QDateTime(QDate(2026, 1, 31), QTime(10, 1)), 0},
        {"sin huella: otro tamaño", "sinhuella.csv", "", 301, QDateTime(QDate(2026, 1, 31), QTime(10, 0)), 0},
    };
    for (const Caso& c : casos) {
        CorridaDiario archivo;
        archivo.archivo = c.archivo;
        archivo.sha256 = c.sha;
        archivo.tamano = c.tamano;
        archivo.modificado = c.modificado;
        const auto r = diario_->repetida(archivo);
        EXPECT_EQ(r ? r->transmision : 0, c.transmision) << c.nombre;
    }
}

TEST_F(Diario, ElHistorialFiltraPorFechaYPorArchivo) {
    corrida("1", 1, "enero.csv", "aa", 100, "", 5, "2026-02-01 09:00:00");
    corrida("2", 2, "copia.csv", "aa", 100, "", 5, "2026-02-03 09:00:00");
    corrida("3", 3, "enero.csv", "bb", 100, "", 5, "2026-02-05 23:59:59");
    corrida("4", 4, "otro.csv", "cc", 100, "", 5, "2026-02-06 00:00:00");
    auto ids = [this](const FiltroHistorial& f) {
        QStringList r;
        for (const CorridaDiario& c : diario_->historial(f)) r << c.id;
        return r.join(',');
    };
    EXPECT_EQ(ids({}), "1,2,3,4");
    EXPECT_EQ(ids({QDate(2026, 2, 5), {}, {}, {}}), "3,4");
    EXPECT_EQ(ids({QDate(2026, 2, 7), {}, {}, {}}), "");
    // Los mismos bytes con cualquier nombre, o la misma ruta.
    EXPECT_EQ(ids({{}, "aa", "/datos/otro.csv", "otro.csv"}), "1,2,4");
    // Sin los bytes (el archivo ya no está): su ruta o su nombre.
    EXPECT_EQ(ids({{}, {}, "/otra/carpeta/enero.csv", "enero.csv"}), "1,3");
    EXPECT_EQ(ids({QDate(2026, 2, 2), {}, "/otra/carpeta/enero.csv", "enero.csv"}), "3");
}

}  // namespace
