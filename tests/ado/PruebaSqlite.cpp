#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "ado/Conexion.h"
#include "ado/Proveedores.h"
#include "ado/Transaccion.h"
#include "ado/Valores.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

namespace {

// Una base de la suite en una carpeta temporal, con una tabla de prueba.
class BaseSuite : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        archivo_ = dir_.filePath("suite.db");
        conexion_.Open(TextoConexionSuite(archivo_) + "Crear=1;");
        conexion_.Execute(
            "CREATE TABLE AUX (serie TEXT COLLATE ESPANOL_CI NOT NULL, modelo TEXT, Fecha TEXT COLLATE "
            "FECHA_DMY, n INTEGER)");
        conexion_.Execute("CREATE UNIQUE INDEX AUX_serie ON AUX (serie)");
        ASSERT_EQ(conexion_.Errors().Count(), 0);
    }

    QStringList columna(const QString& sql, int i = 0) {
        QStringList valores;
        auto rs = conexion_.abrirRecordset(sql);
        for (; !rs->EOF_(); rs->MoveNext()) valores << TextoValor(rs->Field(i));
        return valores;
    }

    QTemporaryDir dir_;
    QString archivo_;
    Conexion conexion_;
};

}  // namespace

TEST_F(BaseSuite, UnLoteSigueDespuesDeUnaFallaYAnotaCadaUnaConSuNumeroNativo) {
    conexion_.Execute(
        "INSERT INTO AUX (serie) VALUES ('A')\r"
        "INSERT INTO AUX (serie) VALUES ('a ')\r"  // misma serie: sin mayúsculas ni blancos finales
        "INSERT INTO NOEXISTE (x) VALUES (1)\r"
        "INSERT INTO AUX (serie) VALUES ('B')\r");
    ASSERT_EQ(conexion_.Errors().Count(), 2);
    EXPECT_EQ(conexion_.Errors().Item(0).nativo, 2627);
    EXPECT_EQ(conexion_.Errors().Item(1).nativo, 208);
    EXPECT_TRUE(conexion_.Errors().Item(1).descripcion.contains("NOEXISTE"));
    EXPECT_EQ(columna("SELECT serie FROM AUX ORDER BY serie"), (QStringList{"A", "B"}));
    // La próxima sentencia empieza con la lista vacía.
    conexion_.Execute("DELETE FROM AUX WHERE serie = 'b'");
    EXPECT_EQ(conexion_.Errors().Count(), 0);
    EXPECT_EQ(columna("SELECT serie FROM AUX"), (QStringList{"A"}));
}

// La sentencia preparada guarda los textos en UTF-8 en búferes propios que reusa de fila en fila:
// un texto más corto después de uno largo, uno con acentos después de uno ASCII, una fila que
// falla (no deja nada) y las siguientes llegan a la base tal cual.
TEST_F(BaseSuite, LaSentenciaPreparadaGuardaCadaTextoTalCualAunqueReuseSusBuferes) {
    auto insertar = conexion_.preparar("INSERT INTO AUX (serie, modelo, n) VALUES (?,?,?)");
    const struct {
        QString serie, modelo;
        int64_t cambiadas;
    } casos[] = {
        {"SERIE-LARGA-0001", "Heladera No Frost 360 L", 1},
        {"S2", "TV", 1},
        {QString::fromUtf8("ÑANDÚ-€-3"), QString::fromUtf8("Lavarropas Automático"), 1},
        {"s2 ", "repetida en otra escritura: la base la rechaza", -1},
        {"X", "", 1},
        {"Y", QString(), 1},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(conexion_.ejecutar(*insertar, {c.serie, c.modelo, 7}), c.cambiadas)
            << c.serie.toStdString();
        EXPECT_EQ(conexion_.Errors().Count(), c.cambiadas < 0 ? 1 : 0);
    }
    EXPECT_EQ(conexion_.ejecutar(*insertar, {"Z", QString::fromUtf8("Ñ"), 7}), 1);
    EXPECT_EQ(columna("SELECT serie || '|' || modelo || '|' || n FROM AUX ORDER BY rowid"),
              (QStringList{"SERIE-LARGA-0001|Heladera No Frost 360 L|7", "S2|TV|7",
                           QString::fromUtf8("ÑANDÚ-€-3|Lavarropas Automático|7"), "X||7", "Y||7",
                           QString::fromUtf8("Z|Ñ|7")}));
}

TEST_F(BaseSuite, UnGuionEnTransaccionSeDeshaceEntero) {
    conexion_.Execute(
        "BEGIN TRANSACTION \r\r\rINSERT INTO AUX (serie) VALUES ('X')\rINSERT INTO AUX (serie, n) VALUES "
        "(NULL, 1)\r");
    ASSERT_EQ(conexion_.Errors().Count(), 1);
    EXPECT_EQ(conexion_.Errors().Item(0).nativo, 515);
    conexion_.Execute("ROLLBACK TRANSACTION");
    EXPECT_EQ(conexion_.Errors().Count(), 0);
    EXPECT_TRUE(columna("SELECT serie FROM AUX").isEmpty());
}

// Cómo termina una Transaccion según lo que se hizo con ella antes de salir del alcance, y si
// la conexión queda con una transacción abierta (la que nadie deshizo).
TEST_F(BaseSuite, LaTransaccionSeDeshaceSalvoQueSeConfirmeOSeDePorDeshecha) {
    enum class Fin { Nada, Confirmar, Deshacer, DarPorDeshecha, Excepcion };
    const struct {
        const char* caso;
        Fin fin;
        bool quedaLaFila;
        bool quedaAbierta;
    } casos[] = {
        {"sale sin confirmar", Fin::Nada, false, false},
        {"sale por una excepción", Fin::Excepcion, false, false},
        {"confirmada", Fin::Confirmar, true, false},
        {"deshecha antes de salir", Fin::Deshacer, false, false},
        // Nadie la deshace: la conexión la sigue teniendo (quien la da por deshecha responde).
        {"dada por deshecha", Fin::DarPorDeshecha, false, true},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        try {
            Transaccion t(conexion_);
            conexion_.Execute("INSERT INTO AUX (serie) VALUES ('T')");
            ASSERT_EQ(conexion_.Errors().Count(), 0);
            if (c.fin == Fin::Confirmar) t.confirmar();
            if (c.fin == Fin::Deshacer) t.deshacer();
            if (c.fin == Fin::DarPorDeshecha) t.darPorDeshecha();
            if (c.fin == Fin::Excepcion) throw ErrorEjecucion(Errores::ProveedorFallo, "falla en medio");
        } catch (const ErrorEjecucion&) {
        }
        EXPECT_EQ(conexion_.enTransaccion(), c.quedaAbierta);
        if (conexion_.enTransaccion()) conexion_.RollbackTrans();
        EXPECT_EQ(columna("SELECT serie FROM AUX").size(), c.quedaLaFila ? 1 : 0);
        conexion_.Execute("DELETE FROM AUX");
    }
}

TEST_F(BaseSuite, ComparaTextosComoSqlServerYOrdenaFechasDmy) {
    conexion_.Execute(
        "INSERT INTO AUX (serie, Fecha) VALUES ('Ñandú', '02/01/2027')\n"
        "INSERT INTO AUX (serie, Fecha) VALUES ('x1', '31/12/2026')\n"
        "INSERT INTO AUX (serie, Fecha) VALUES ('x2', '15/03/2026')");
    ASSERT_EQ(conexion_.Errors().Count(), 0);
    EXPECT_EQ(columna("SELECT serie FROM AUX WHERE serie = 'ñANDÚ   '"), QStringList{"Ñandú"});
    EXPECT_EQ(columna("SELECT Fecha FROM AUX ORDER BY Fecha DESC"),
              (QStringList{"02/01/2027", "31/12/2026", "15/03/2026"}));
    EXPECT_EQ(columna("SELECT TOP 1 serie FROM AUX with(nolock) ORDER BY Fecha"), QStringList{"x2"});
    const QString ahora = columna("select  getDate() as fecha").value(0);
    EXPECT_TRUE(ahora.startsWith(QDate::currentDate().toString("yyyy-MM-dd"))) << qPrintable(ahora);
}

TEST_F(BaseSuite, ElRecordsetActualizableAgregaYCambiaFilas) {
    RecordsetPtr rs = conexion_.abrirRecordset("SELECT * FROM AUX WHERE serie = 'S1'", 2, 3);
    EXPECT_TRUE(rs->EOF_());
    rs->AddNew();
    rs->SetField("serie", "S1");
    rs->SetField("MODELO", "TV 32' LED");  // el nombre del campo no distingue mayúsculas
    rs->SetField("n", 7);
    rs->Update();
    rs->Close();

    rs = conexion_.abrirRecordset("SELECT * FROM AUX WHERE serie = 's1'", 2, 3);
    ASSERT_FALSE(rs->EOF_());
    EXPECT_EQ(rs->FieldCount(), 4);  // la columna interna de la fila no se ve
    EXPECT_EQ(rs->Field("modelo").toString(), "TV 32' LED");
    rs->SetField("n", 8);
    rs->Update();
    EXPECT_EQ(rs->Field("n").toLongLong(), 8);
    rs->Close();
    EXPECT_EQ(columna("SELECT n FROM AUX"), QStringList{"8"});

    // Una fila que la base rechaza lanza su descripción.
    rs = conexion_.abrirRecordset("select  top 1 * from AUX  with(nolock) ", 2, 3);
    rs->AddNew();
    rs->SetField("serie", "s1");
    try {
        rs->Update();
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 2627);
    }
}

TEST_F(BaseSuite, CerrarLaConexionCierraSusRecordsets) {
    RecordsetPtr rs = conexion_.abrirRecordset("SELECT * FROM AUX");
    conexion_.Close();
    EXPECT_FALSE(rs->abierto());
    try {
        rs->EOF_();
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 3704);
    }
    try {
        conexion_.Open(TextoConexionSuite(archivo_));
        conexion_.Open(TextoConexionSuite(archivo_));
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 3705);
    }
}

TEST_F(BaseSuite, UnaSegundaEstacionEsperaElBloqueoHastaElTiempoDeEspera) {
    Conexion otra;
    otra.setCommandTimeout(1);
    otra.Open(TextoConexionSuite(archivo_));
    conexion_.BeginTrans();
    conexion_.Execute("INSERT INTO AUX (serie) VALUES ('L')");
    QElapsedTimer reloj;
    reloj.start();
    otra.Execute("INSERT INTO AUX (serie) VALUES ('M')");
    ASSERT_EQ(otra.Errors().Count(), 1);
    EXPECT_EQ(otra.Errors().Item(0).nativo, 1222);
    EXPECT_GE(reloj.elapsed(), 900);
    conexion_.CommitTrans();
    otra.Execute("INSERT INTO AUX (serie) VALUES ('M')");
    EXPECT_EQ(otra.Errors().Count(), 0);
}

TEST(OrigenSqlite, SeLeeSinEscribirYMuestraFechas) {
    QTemporaryDir dir;
    const QString ruta = dir.filePath("proveedor.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(ruta.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE garantias (eca1 TEXT, serie TEXT, modelo TEXT, precio REAL, alta "
                           "DATE, activo BOOLEAN);"
                           "INSERT INTO garantias VALUES ('E1', '00012345', 'TV', 1234.5, '2026-12-09', 1);"
                           "INSERT INTO garantias VALUES (NULL, '2', 'Radio', 3.0, NULL, 0);"
                           "CREATE VIEW v AS SELECT serie FROM garantias;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const QByteArray antes = LeerArchivo(ruta);

    Conexion c;
    c.Open("DRIVER=SQLite3 ODBC Driver;Database=" + ruta +
           ";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;");
    auto tablas = c.OpenSchemaTablas();
    QStringList nombres;
    for (; !tablas->EOF_(); tablas->MoveNext()) nombres << tablas->Field("TABLE_NAME").toString();
    EXPECT_EQ(nombres, (QStringList{"garantias", "v"}));

    auto rs = c.abrirRecordset("SELECT * FROM [garantias]");
    QStringList fila;
    for (int i = 0; i < rs->FieldCount(); ++i) fila << TextoValor(rs->Field(i));
    EXPECT_EQ(fila, (QStringList{"E1", "00012345", "TV", "1234,5", "09/12/2026", "Verdadero"}));
    rs->MoveNext();
    EXPECT_EQ(TextoValor(rs->Field(0)), "");
    EXPECT_EQ(TextoValor(rs->Field(3)), "3");
    rs->Close();

    c.Execute("DELETE FROM garantias");
    EXPECT_EQ(c.Errors().Count(), 1);
    EXPECT_THROW(c.abrirRecordset("SELECT * FROM [no_hay]"), ErrorEjecucion);
    c.Close();
    EXPECT_EQ(LeerArchivo(ruta), antes);
}

TEST(OrigenSqlite, ArchivosQueNoSonBasesFallanConClaridad) {
    QTemporaryDir dir;
    const QString danado = dir.filePath("danado.db");
    EscribirArchivo(danado, QByteArray("esto no es una base de datos ").repeated(200));
    struct Caso {
        QString ruta;
        const char* causa;
    };
    const Caso casos[] = {{dir.filePath("falta.db"), "No existe"},
                          {danado, "no es una base SQLite"},
                          {dir.path(), "no es un archivo"}};
    for (const auto& caso : casos) {
        Conexion c;
        try {
            c.Open("DRIVER=SQLite3 ODBC Driver;Database=" + caso.ruta + ";");
            FAIL() << qPrintable(caso.ruta);
        } catch (const ErrorEjecucion& e) {
            EXPECT_TRUE(e.descripcion().contains(caso.causa)) << qPrintable(e.descripcion());
            EXPECT_TRUE(e.descripcion().contains(caso.ruta)) << qPrintable(e.descripcion());
        }
        ASSERT_EQ(c.Errors().Count(), 1);
        EXPECT_NE(c.Errors().Item(0).nativo, 0);
    }
    EXPECT_EQ(LeerArchivo(danado), QByteArray("esto no es una base de datos ").repeated(200));
}
