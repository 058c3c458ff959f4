#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "ado/Conexion.h"
#include "ado/Proveedores.h"
#include "ado/TextoConexion.h"
#include "ado/odbc/DiagnosticosOdbc.h"
#include "ado/odbc/EnlaceOdbc.h"
#include "comun/Pruebas.h"
#include "comun/SqliteComoServidor.h"
#include "platform/ErrorEjecucion.h"

// El proveedor ODBC contra el administrador de controladores real. Aquí no hay un SQL Server:
// el controlador SQLite3 de Debian hace de motor, y FreeTDS se prueba contra un puerto cerrado.

namespace {

// Los controladores registrados, o una falla que dice cómo registrarlos.
::testing::AssertionResult Registrado(const char* controlador) {
    EnlaceOdbc enlace(QStringLiteral("prueba"));
    enlace.crearEntorno();
    if (enlace.controladores().contains(QLatin1String(controlador))) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "El controlador ODBC \"" << controlador
           << "\" no está registrado: corra scripts/install-deps (odbcinst -q -d "
              "lista los registrados).";
}

// Un puerto de 127.0.0.1 donde nadie escucha: se pide uno libre al sistema y se lo suelta.
int PuertoCerrado() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t largo = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &largo) != 0) {
        if (s >= 0) ::close(s);
        return 1;
    }
    ::close(s);
    return ntohs(a.sin_port);
}

class BaseOdbc : public ::testing::Test {
  protected:
    SqliteComoServidor servidor_;  // antes de abrir la conexión
    void SetUp() override {
        ASSERT_TRUE(Registrado("SQLite3"));
        ASSERT_TRUE(dir_.isValid());
        texto_ = QStringLiteral("DRIVER={SQLite3};Database=") + dir_.filePath("suite.db") + ';';
        cn_.Open(texto_);
        // VARCHAR como el nvarchar(n) de SQL Server: el controlador informa TEXT como texto largo,
        // que no entra en el WHERE de un cambio.
        ejecutar(
            "CREATE TABLE CONFIG (Id INTEGER PRIMARY KEY AUTOINCREMENT, Grupo VARCHAR(50), Clave VARCHAR(50) "
            "NOT NULL, "
            "Valor VARCHAR(255), Politica INTEGER, Datos BLOB)");
    }

    void ejecutar(const QString& sql) {
        cn_.Execute(sql);
        ASSERT_EQ(cn_.Errors().Count(), 0)
            << qPrintable(sql) << ": "
            << qPrintable(cn_.Errors().Count() ? cn_.Errors().Item(0).descripcion : QString());
    }

    QStringList columna(const QString& sql, int i = 0) {
        QStringList valores;
        auto rs = cn_.abrirRecordset(sql);
        for (; !rs->EOF_(); rs->MoveNext())
            valores << (rs->Field(i).isNull() ? QStringLiteral("<nulo>") : rs->Field(i).toString());
        return valores;
    }

    QTemporaryDir dir_;
    QString texto_;
    Conexion cn_;
};

}  // namespace

TEST_F(BaseOdbc, LasFilasLleganConSuTipoYSusAcentos) {
    ejecutar(
        "CREATE TABLE T (n INTEGER, nombre TEXT, precio DOUBLE, cantidad NUMERIC(10,0), activo BIT, fecha "
        "DATE, "
        "momento TIMESTAMP, hora TIME, datos BLOB, nada TEXT)");
    const QString largo = QString("ñandú café ").repeated(2000);  // más que una parte de SQLGetData
    ejecutar(
        "INSERT INTO T VALUES (12345678901, 'Ñandú café', 1234.5, 42, 1, '2024-02-29', '2024-02-29 "
        "13:45:10', "
        "'08:05:09', X'00FF10', NULL)");
    ejecutar("INSERT INTO T (n, nombre) VALUES (2, '" + largo + "')");
    auto rs = cn_.abrirRecordset("SELECT * FROM T ORDER BY n DESC");
    ASSERT_EQ(rs->FieldCount(), 10);
    EXPECT_EQ(rs->FieldName(1), "nombre");
    ASSERT_FALSE(rs->EOF_());
    EXPECT_EQ(rs->Field("n"), QVariant(qlonglong(12345678901)));
    EXPECT_EQ(rs->Field("nombre"), QVariant(QString("Ñandú café")));
    EXPECT_EQ(rs->Field("precio"), QVariant(1234.5));
    EXPECT_EQ(rs->Field("cantidad"), QVariant(qlonglong(42)));
    EXPECT_EQ(rs->Field("activo"), QVariant(true));
    EXPECT_EQ(rs->Field("fecha"), QVariant(QDate(2024, 2, 29)));
    EXPECT_EQ(rs->Field("momento"), QVariant(QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10))));
    EXPECT_EQ(rs->Field("hora"), QVariant(QString("08:05:09")));
    EXPECT_EQ(rs->Field("datos"), QVariant(QByteArray("\x00\xFF\x10", 3)));
    EXPECT_TRUE(rs->Field("nada").isNull());
    rs->MoveNext();
    ASSERT_FALSE(rs->EOF_());
    EXPECT_EQ(rs->Field("nombre").toString(), largo);
    EXPECT_TRUE(rs->Field("precio").isNull());
    rs->MoveNext();
    EXPECT_TRUE(rs->EOF_());
}

TEST_F(BaseOdbc, UnaSentenciaFallidaAnotaSusDiagnosticosConNumeroNativo) {
    cn_.Execute("INSERT INTO NOEXISTE (x) VALUES (1)");
    ASSERT_GE(cn_.Errors().Count(), 1);
    const ErrorAdo& e = cn_.Errors().Item(0);
    EXPECT_NE(e.nativo, 0);
    EXPECT_TRUE(e.descripcion.contains("NOEXISTE")) << qPrintable(e.descripcion);
    EXPECT_FALSE(e.descripcion.startsWith('[')) << qPrintable(e.descripcion);
    EXPECT_EQ(e.estadoSql.size(), 5);
    // La sentencia siguiente empieza con la lista vacía.
    ejecutar("INSERT INTO CONFIG (Clave) VALUES ('á')");
    EXPECT_EQ(columna("SELECT Clave FROM CONFIG"), QStringList{"á"});
}

TEST_F(BaseOdbc, UnaConsultaFallidaLanzaElPrimerDiagnosticoYLaListaTieneTodos) {
    try {
        cn_.abrirRecordset("SELECT * FROM NOEXISTE");
        FAIL() << "debía fallar";
    } catch (const ErrorEjecucion& e) {
        ASSERT_GE(cn_.Errors().Count(), 1);
        EXPECT_EQ(e.numero(), cn_.Errors().Item(0).nativo);
        EXPECT_NE(e.numero(), 0);
        EXPECT_EQ(e.descripcion(), cn_.Errors().Item(0).descripcion);
        EXPECT_TRUE(e.descripcion().contains("NOEXISTE")) << qPrintable(e.descripcion());
    }
}

TEST_F(BaseOdbc, LaFormaActualizableAgregaYCambiaLaFilaPorSusValoresOriginales) {
    // Dos filas iguales salvo un nulo: el cambio debe alcanzar sólo a la leída.
    ejecutar(
        "INSERT INTO CONFIG (Grupo, Clave, Valor, Politica, Datos) VALUES (NULL, 'TimeOut', '0', 0, X'01')");
    ejecutar(
        "INSERT INTO CONFIG (Grupo, Clave, Valor, Politica, Datos) VALUES ('BaseDeDatos', 'TimeOut', '0', 0, "
        "X'02')");
    {
        auto rs = cn_.abrirRecordset("SELECT * FROM CONFIG WHERE Grupo IS NULL", 2, 3);
        ASSERT_FALSE(rs->EOF_());
        rs->SetField("Valor", QString("45"));
        rs->Update();
        // Otro cambio sobre la misma fila la ubica por los valores ya cambiados.
        rs->SetField("Grupo", QString("Sesión"));
        rs->Update();
    }
    EXPECT_EQ(columna("SELECT Grupo || '=' || Valor FROM CONFIG ORDER BY Id"),
              (QStringList{"Sesión=45", "BaseDeDatos=0"}));
    {
        auto rs = cn_.abrirRecordset("SELECT * FROM CONFIG WHERE 1=0", 2, 3);
        EXPECT_TRUE(rs->EOF_());
        rs->AddNew();
        rs->SetField("Clave", QString("Nueva ñ"));
        rs->SetField("Politica", qlonglong(1));
        rs->SetField("Valor", QVariant());
        rs->Update();
    }
    EXPECT_EQ(columna("SELECT Clave FROM CONFIG WHERE Politica = 1 AND Valor IS NULL"),
              QStringList{"Nueva ñ"});
    EXPECT_EQ(columna("SELECT Id FROM CONFIG WHERE Clave = 'Nueva ñ'"),
              QStringList{"3"});  // la clave la pone el motor
}

TEST_F(BaseOdbc, CambiarUnaFilaQueOtroCambioFallaConElNumeroDeAdo) {
    ejecutar("INSERT INTO CONFIG (Clave, Valor) VALUES ('A', '1')");
    auto rs = cn_.abrirRecordset("SELECT * FROM CONFIG", 2, 3);
    ASSERT_FALSE(rs->EOF_());
    Conexion otra;
    otra.Open(texto_);
    otra.Execute("UPDATE CONFIG SET Valor = '2'");
    ASSERT_EQ(otra.Errors().Count(), 0);
    otra.Close();
    rs->SetField("Valor", QString("3"));
    try {
        rs->Update();
        FAIL() << "debía fallar";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), -2147217864);
    }
    EXPECT_EQ(columna("SELECT Valor FROM CONFIG"), QStringList{"2"});
}

TEST_F(BaseOdbc, UnaSentenciaEnMedioDeUnRecorridoNoLoCorta) {
    for (int i = 1; i <= 3; ++i) ejecutar(QString("INSERT INTO CONFIG (Clave) VALUES ('c%1')").arg(i));
    auto rs = cn_.abrirRecordset("SELECT Clave FROM CONFIG ORDER BY Id");
    QStringList leidas;
    for (; !rs->EOF_(); rs->MoveNext()) {
        leidas << rs->Field(0).toString();
        ejecutar("INSERT INTO CONFIG (Clave) VALUES ('x" + rs->Field(0).toString() + "')");
    }
    EXPECT_EQ(leidas, (QStringList{"c1", "c2", "c3"}));
    EXPECT_EQ(columna("SELECT count(*) FROM CONFIG"), QStringList{"6"});
}

TEST_F(BaseOdbc, DeshacerLaTransaccionDeshaceDeVerdad) {
    cn_.BeginTrans();
    ejecutar("INSERT INTO CONFIG (Clave) VALUES ('deshecha')");
    EXPECT_EQ(columna("SELECT Clave FROM CONFIG"), QStringList{"deshecha"});
    cn_.RollbackTrans();
    EXPECT_TRUE(columna("SELECT Clave FROM CONFIG").isEmpty());
    cn_.BeginTrans();
    ejecutar("INSERT INTO CONFIG (Clave) VALUES ('confirmada')");
    cn_.CommitTrans();
    // Otra conexión la ve: quedó escrita.
    Conexion otra;
    otra.Open(texto_);
    auto rs = otra.abrirRecordset("SELECT Clave FROM CONFIG");
    ASSERT_FALSE(rs->EOF_());
    EXPECT_EQ(rs->Field(0).toString(), "confirmada");
}

TEST_F(BaseOdbc, ListaLasTablasYLasVistas) {
    ejecutar("CREATE TABLE B_TABLA (x INTEGER)");
    ejecutar("CREATE VIEW V_CONFIG AS SELECT Clave FROM CONFIG");
    QStringList tablas;
    auto rs = cn_.OpenSchemaTablas();
    for (; !rs->EOF_(); rs->MoveNext()) tablas << rs->Field("TABLE_NAME").toString();
    EXPECT_TRUE(tablas.contains("CONFIG"));
    EXPECT_TRUE(tablas.contains("B_TABLA"));
    EXPECT_TRUE(tablas.contains("V_CONFIG"));
}

TEST_F(BaseOdbc, LasOpcionesDeLaConexionNoDetienenAlPrograma) {
    // El arranque fija el tiempo de espera y "read uncommitted" aunque el motor no lo ofrezca.
    EXPECT_NO_THROW(cn_.setCommandTimeout(90));
    EXPECT_NO_THROW(cn_.setIsolationLevel(256));
    ejecutar("INSERT INTO CONFIG (Clave) VALUES ('sigue')");
    EXPECT_EQ(columna("SELECT Clave FROM CONFIG"), QStringList{"sigue"});
}

TEST(ConexionOdbc, UnServidorQueNoRespondeFallaEnfrentePocosSegundos) {
    ASSERT_TRUE(Registrado("FreeTDS"));
    const QString servidor = QStringLiteral("127.0.0.1:%1").arg(PuertoCerrado());
    const QString textos[] = {
        TextoConexionSqlServer(servidor, "VENTAS", "VENTAS", "VENTAS"),
        "PROVIDER=SQLOLEDB;Server=" + servidor + ";Database =VENTAS;UId=VENTAS;Pwd=VENTAS;",
    };
    for (const QString& texto : textos) {
        Conexion cn;
        QElapsedTimer reloj;
        reloj.start();
        EXPECT_THROW(cn.Open(texto), ErrorEjecucion);
        EXPECT_LT(reloj.elapsed(), 10000) << qPrintable(texto);
        EXPECT_FALSE(cn.abierta());
        ASSERT_GE(cn.Errors().Count(), 1);
        const ErrorAdo& e = cn.Errors().Item(0);
        EXPECT_EQ(e.nativo, 20009);  // el número de FreeTDS para "servidor inalcanzable"
        EXPECT_TRUE(e.descripcion.startsWith("No se pudo conectar con el servidor"))
            << qPrintable(e.descripcion);
        EXPECT_TRUE(e.descripcion.contains(servidor)) << qPrintable(e.descripcion);
        EXPECT_FALSE(e.descripcion.contains("VENTAS;")) << "la descripción no debe mostrar la clave";
    }
}

TEST(ConexionOdbc, OracleSinControladorFallaConClaridad) {
    EnlaceOdbc enlace(QStringLiteral("prueba"));
    enlace.crearEntorno();
    for (const QString& c : enlace.controladores()) {
        if (c.contains("Oracle", Qt::CaseInsensitive))
            GTEST_SKIP() << "hay un controlador de Oracle registrado: " << qPrintable(c);
    }
    Conexion cn;
    EXPECT_THROW(cn.Open("Provider=OraOLEDB.Oracle.1;Data Source=orcl;User Id=op1;Password=pw;"),
                 ErrorEjecucion);
    ASSERT_EQ(cn.Errors().Count(), 1);
    EXPECT_NE(cn.Errors().Item(0).nativo, 0);
    EXPECT_TRUE(cn.Errors().Item(0).descripcion.startsWith("No hay un controlador ODBC de Oracle instalado"));
}

TEST(ConexionOdbc, UnControladorQueNoExisteFallaConClaridad) {
    Conexion cn;
    EXPECT_THROW(cn.Open("DRIVER={No Existe 9};Database=x;"), ErrorEjecucion);
    ASSERT_EQ(cn.Errors().Count(), 1);
    EXPECT_NE(cn.Errors().Item(0).nativo, 0);
    EXPECT_TRUE(cn.Errors().Item(0).descripcion.contains("no está registrado"))
        << qPrintable(cn.Errors().Item(0).descripcion);
}

// El controlador SQLite3 da un solo registro por falla (y rechaza los lotes de varias
// sentencias); FreeTDS da dos al no poder conectar: ahí se ve que se leen todos, en orden.
TEST(DiagnosticosOdbc, SeLeenTodosLosRegistrosEnOrden) {
    ASSERT_TRUE(Registrado("FreeTDS"));
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)));
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)));
    QString texto =
        TextoConexionSqlServer(QStringLiteral("127.0.0.1:%1").arg(PuertoCerrado()), "VENTAS", "u", "c");
    EXPECT_FALSE(
        SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, Ancho(texto), static_cast<SQLSMALLINT>(texto.size()),
                                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    const auto registros = LeerDiagnosticos(SQL_HANDLE_DBC, dbc, "prueba");
    ASSERT_GE(registros.size(), 2u);
    QStringList textos;
    for (const auto& r : registros) {
        EXPECT_NE(r.nativo, 0);
        EXPECT_EQ(r.estadoSql.size(), 5);
        textos << r.descripcion;
    }
    EXPECT_TRUE(textos.front().contains("Adaptive Server is unavailable")) << qPrintable(textos.join(" | "));
    EXPECT_EQ(registros.front().nativo, 20009);
    EXPECT_EQ(NumeroDeFalla(registros), 20009);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}

// La sentencia preparada del proveedor ODBC dice lo que el motor hizo (SQLRowCount): la misma
// inserción "si no está" agrega la primera vez y nada la segunda, también con otra capitalización.
TEST_F(BaseOdbc, LaSentenciaPreparadaCuentaLasFilasQueElMotorCambio) {
    ejecutar("CREATE TABLE G (serie VARCHAR(100) COLLATE NOCASE NOT NULL, nro INTEGER)");
    auto insertar = cn_.preparar(
        "INSERT INTO G (serie,nro) SELECT ?,? WHERE NOT EXISTS (SELECT * FROM G WITH (UPDLOCK, HOLDLOCK) "
        "WHERE serie=?)");
    struct Caso {
        const char* serie;
        int64_t filas;
    };
    const Caso casos[] = {{"ABC-1", 1}, {"ABC-1", 0}, {"abc-1", 0}, {"ÑANDÚ", 1}, {"ñandú", 1}};
    // SQLite sólo iguala mayúsculas de ASCII: "ñandú" es otra serie para este motor de prueba.
    for (const auto& c : casos) {
        const QString serie = QString::fromUtf8(c.serie);
        EXPECT_EQ(cn_.ejecutar(*insertar, {serie, 7, serie}), c.filas) << c.serie;
        EXPECT_EQ(cn_.Errors().Count(), 0) << c.serie;
    }
    EXPECT_EQ(columna("SELECT serie FROM G ORDER BY rowid"), (QStringList{"ABC-1", "ÑANDÚ", "ñandú"}));
    // Una falla va a la lista de errores y devuelve -1.
    auto mala = cn_.preparar("INSERT INTO NoExiste (x) VALUES (?)");
    EXPECT_EQ(cn_.ejecutar(*mala, {1}), -1);
    EXPECT_GT(cn_.Errors().Count(), 0);
}

// Una transacción que el motor terminó a espaldas del controlador (como la que SQL Server deshace
// al elegir la estación como víctima de un bloqueo mutuo): confirmarla lanza "no se pudo
// confirmar" en vez de dar por guardado lo deshecho, y la transacción siguiente se deshace de
// verdad (antes el controlador quedaba sin confirmar cada sentencia y nada se deshacía).
TEST_F(BaseOdbc, UnaTransaccionTerminadaPorElMotorSeDetectaYLaSiguienteSeDeshace) {
    ejecutar("CREATE TABLE G (serie VARCHAR(100))");
    cn_.BeginTrans();
    ejecutar("INSERT INTO G VALUES ('deshecha')");
    ejecutar("ROLLBACK");
    try {
        cn_.CommitTrans();
        FAIL() << "la confirmación de una transacción que ya no existe debía fallar";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 3902);
        EXPECT_TRUE(e.descripcion().contains("no quedó guardado")) << qPrintable(e.descripcion());
    }
    EXPECT_TRUE(cn_.abierta());
    EXPECT_FALSE(cn_.enTransaccion());
    cn_.BeginTrans();
    ejecutar("INSERT INTO G VALUES ('deshacer')");
    cn_.RollbackTrans();
    EXPECT_EQ(columna("SELECT count(*) FROM G"), QStringList{"0"});
    // Y una sentencia suelta vuelve a quedar guardada sola.
    ejecutar("INSERT INTO G VALUES ('queda')");
    Conexion otra;
    otra.Open(texto_);
    auto rs = otra.abrirRecordset("SELECT serie FROM G");
    ASSERT_FALSE(rs->EOF_());
    EXPECT_EQ(rs->Field(0).toString(), "queda");
}

// Deshacer una transacción que el motor ya deshizo no es una falla: lo pedido ya está hecho.
TEST_F(BaseOdbc, DeshacerLoQueElMotorYaDeshizoNoFalla) {
    ejecutar("CREATE TABLE G (serie VARCHAR(100))");
    cn_.BeginTrans();
    ejecutar("INSERT INTO G VALUES ('x')");
    ejecutar("ROLLBACK");
    EXPECT_NO_THROW(cn_.RollbackTrans());
    cn_.BeginTrans();
    ejecutar("INSERT INTO G VALUES ('y')");
    cn_.RollbackTrans();
    EXPECT_EQ(columna("SELECT count(*) FROM G"), QStringList{"0"});
}

// Lo que dice que la conexión con el servidor se cortó (y sólo eso) cierra la conexión.
TEST(FallasMotor, DistingueConexionPerdidaBloqueoYSinTransaccion) {
    struct Caso {
        ErrorAdo e;
        bool perdida, bloqueo, sinTransaccion;
    };
    const Caso casos[] = {
        {{"Communication link failure", 0, "", "08S01"}, true, false, false},
        {{"Read from the server failed", 20004, "", "HY000"}, true, false, false},
        {{"Unexpected EOF from the server", 20017, "", "08S01"}, true, false, false},
        {{"Timeout expired", 0, "", "HYT01"}, true, false, false},
        {{"Connection does not exist", 0, "", "08003"}, true, false, false},
        {{"Transaction (Process ID 55) was deadlocked", 1205, "", "40001"}, false, true, false},
        {{"The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.", 3902, "", "25000"},
         false,
         false,
         true},
        {{"The ROLLBACK TRANSACTION request has no corresponding BEGIN TRANSACTION.", 3903, "", "25000"},
         false,
         false,
         true},
        {{"cannot commit - no transaction is active", 1, "", "HY000"}, false, false, true},
        {{"Violation of UNIQUE KEY constraint", 2627, "", "23000"}, false, false, false},
        {{"Query timeout expired", 0, "", "HYT00"}, false, false, false},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(FallasMotor::EsPerdidaDeConexion(c.e), c.perdida) << qPrintable(c.e.descripcion);
        EXPECT_EQ(FallasMotor::EsBloqueoMutuo(c.e), c.bloqueo) << qPrintable(c.e.descripcion);
        EXPECT_EQ(FallasMotor::EsSinTransaccion(c.e), c.sinTransaccion) << qPrintable(c.e.descripcion);
    }
}
