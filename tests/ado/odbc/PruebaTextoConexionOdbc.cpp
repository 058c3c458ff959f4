#include <gtest/gtest.h>

#include "ado/Proveedores.h"
#include "ado/odbc/FuenteOdbc.h"
#include "ado/odbc/TextoConexionOdbc.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

// El texto de FreeTDS se lee con las mismas reglas que el administrador de controladores: cada
// caso se comprueba releyendo los valores, no comparando el texto armado.
TEST(TextoConexionSqlServer, ArmaElServidorElPuertoYLaInstancia) {
    struct Caso {
        const char* servidor;
        const char* server;
        const char* port;  // nullptr: sin Port
    };
    const Caso casos[] = {
        {"srv01", "srv01", nullptr},
        {" srv01 ", "srv01", nullptr},
        {"srv01:1500", "srv01", "1500"},
        {"srv01,1500", "srv01", "1500"},
        {"10.0.0.5, 1444", "10.0.0.5", "1444"},
        {"srv01\\SQLEXPRESS", "srv01\\SQLEXPRESS", nullptr},
        // Con puerto, FreeTDS va a ese puerto: la instancia no viaja como parte del nombre.
        {"srv01\\SQLEXPRESS,1433", "srv01", "1433"},
        {"srv01\\VENTAS , 1500", "srv01", "1500"},
    };
    for (const auto& c : casos) {
        const TextoConexion t(TextoConexionSqlServer(c.servidor, "ventas", "op1", "x"));
        EXPECT_EQ(t.valor("Driver"), "FreeTDS") << c.servidor;
        EXPECT_EQ(t.valor("Server"), QString::fromUtf8(c.server)) << c.servidor;
        EXPECT_EQ(t.tiene("Port"), c.port != nullptr) << c.servidor;
        if (c.port) {
            EXPECT_EQ(t.valor("Port"), QString::fromUtf8(c.port)) << c.servidor;
        }
        EXPECT_EQ(t.valor("Database"), "ventas");
        EXPECT_EQ(t.valor("ClientCharset"), "UTF-8");
        EXPECT_TRUE(t.valor("TDS_Version") == "7.3" || t.valor("TDS_Version") == "7.4");
    }
}

TEST(TextoConexionSqlServer, UnaClaveConPuntoYComaOLlaveAbiertaNoCambiaLaConexion) {
    const char* claves[] = {"a;b", "{abre", "ñandú;{", "x=y;UID=sa"};
    for (const char* clave : claves) {
        const TextoConexion t(TextoConexionSqlServer("srv", "ventas", "op1", QString::fromUtf8(clave)));
        EXPECT_EQ(t.valor("PWD"), QString::fromUtf8(clave));
        EXPECT_EQ(t.valor("UID"), "op1") << clave;
        EXPECT_EQ(t.valor("Server"), "srv") << clave;
        EXPECT_EQ(t.valor("Database"), "ventas") << clave;
    }
}

// FreeTDS 1.3 corta un valor entre llaves en la primera "};": una "}" podría meter otras claves.
// Se rechaza antes de llegar al controlador, diciendo qué valor la tiene (nunca el valor).
TEST(TextoConexionSqlServer, UnValorConLlaveDeCierreSeRechazaConClaridad) {
    struct Caso {
        const char* servidor;
        const char* base;
        const char* usuario;
        const char* clave;
        const char* nombra;
    };
    const Caso casos[] = {
        {"srv", "ventas", "op1", "x}y", "la clave"},   {"srv", "ventas", "op1", "};UID=sa;PWD=", "la clave"},
        {"srv", "ventas", "op}1", "x", "el usuario"},  {"srv", "ven}tas", "op1", "x", "la base"},
        {"srv}", "ventas", "op1", "x", "el servidor"},
    };
    for (const auto& c : casos) {
        try {
            TextoConexionSqlServer(c.servidor, c.base, c.usuario, c.clave);
            ADD_FAILURE() << "debía rechazar " << c.nombra;
        } catch (const ErrorEjecucion& e) {
            EXPECT_NE(e.numero(), 0);
            EXPECT_TRUE(e.descripcion().contains(QString::fromUtf8(c.nombra))) << qPrintable(e.descripcion());
            EXPECT_TRUE(e.descripcion().contains("\"}\"")) << qPrintable(e.descripcion());
            EXPECT_FALSE(e.descripcion().contains("UID=sa")) << qPrintable(e.descripcion());
        }
    }
}

TEST(TextoConexionSqlServer, SinUsuarioNoLlevaUsuarioNiClave) {
    const TextoConexion t(TextoConexionSqlServer("srv", "ventas", "  ", "clave"));
    EXPECT_FALSE(t.tiene("UID"));
    EXPECT_FALSE(t.tiene("PWD"));
    EXPECT_EQ(t.valor("Server"), "srv");
}

TEST(DestinoOdbc, ElTextoDePruebaDelRegistroVaAFreeTds) {
    // El texto de prueba de la ventana de registro, con el blanco antes del "=" de Database.
    const DestinoOdbc d = DestinoDe(
        TextoConexion("PROVIDER=SQLOLEDB;Server=srv01:1500;Database =VENTAS;UId=VENTAS;Pwd=VENTAS;"), {});
    EXPECT_EQ(d.texto, TextoConexionSqlServer("srv01:1500", "VENTAS", "VENTAS", "VENTAS"));
    EXPECT_TRUE(d.descripcion.contains("srv01:1500"));
    EXPECT_FALSE(d.descripcion.contains("Pwd", Qt::CaseInsensitive));
}

TEST(DestinoOdbc, UnTextoOdbcPasaTalCual) {
    const QString textos[] = {"DRIVER={SQLite3};Database=/tmp/a.db;", "DSN=suite;UID=a;PWD=b;"};
    for (const QString& t : textos) EXPECT_EQ(DestinoDe(TextoConexion(t), {}).texto, t);
}

TEST(DestinoOdbc, OracleUsaElControladorRegistradoOFallaConClaridad) {
    const TextoConexion oracle("Provider=OraOLEDB.Oracle.1;Data Source=orcl;User Id=op1;Password=pw;");
    const DestinoOdbc d = DestinoDe(oracle, {"FreeTDS", "Oracle 21 ODBC driver"});
    const TextoConexion t(d.texto);
    EXPECT_EQ(t.valor("Driver"), "Oracle 21 ODBC driver");
    EXPECT_EQ(t.valor("DBQ"), "orcl");
    EXPECT_EQ(t.valor("UID"), "op1");
    try {
        DestinoDe(oracle, {"FreeTDS", "SQLite3"});
        FAIL() << "sin controlador de Oracle debía fallar";
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().startsWith("No hay un controlador ODBC de Oracle instalado"))
            << qPrintable(e.descripcion());
        EXPECT_TRUE(e.descripcion().contains("orcl"));
    }
}

TEST(TablaActualizable, TomaLaTablaAntesDeLaSugerencia) {
    struct Caso {
        const char* sql;
        const char* tabla;
    };
    const Caso casos[] = {
        {"SELECT * FROM TA_CONFIGURACION with(nolock) WHERE CLAVE = 'TimeOut'", "TA_CONFIGURACION"},
        {"select top 1 * from AUX_ERR with(nolock) ", "AUX_ERR"},
        {"SELECT * FROM AUX_ERR WITH (NOLOCK)", "AUX_ERR"},
        {"SELECT * FROM dbo.TA_CONFIGURACION", "dbo.TA_CONFIGURACION"},
        {"SELECT * FROM [Mi Tabla] WHERE x=1", "[Mi Tabla]"},
        {"SELECT 1", ""},
    };
    for (const auto& c : casos) EXPECT_EQ(TablaActualizable(c.sql), QString::fromUtf8(c.tabla)) << c.sql;
}
