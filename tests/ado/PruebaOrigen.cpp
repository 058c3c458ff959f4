#include <gtest/gtest.h>

#include "ado/ArchivoOrigen.h"
#include "ado/ConsultaSimple.h"
#include "ado/TextoConexion.h"

namespace {

TEST(OrigenArchivo, TextoDeConexionPorExtension) {
    struct Caso {
        const char* ruta;
        const char* texto;
    };
    const Caso casos[] = {
        {"/datos/prov/lista.csv", "DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=/datos/prov;"},
        {"/datos/prov/datos.CSV", "DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=/datos/prov;"},
        {"/datos/prov/lista.Txt", "DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=/datos/prov;"},
        {"/datos/base.db",
         "DRIVER=SQLite3 ODBC "
         "Driver;Database=/datos/base.db;LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;"
         "StepAPI=0;"},
        {"/datos/libro.xls",
         "Driver={Microsoft Excel Driver (*.xls)};DriverId=790;Dbq=/datos/libro.xls;DefaultDir=/datos;"},
        {"/datos/libro.XLSX",
         "Driver={Microsoft Excel Driver (*.xls)};DriverId=790;Dbq=/datos/libro.XLSX;DefaultDir=/datos;"},
        {"/datos/tabla.dbf", "Provider=vfpoledb.1;Data Source=/datos/;Collating Sequence=general"},
        {"/datos/base.mdb",
         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/datos/base.mdb;Jet OLEDB:Database Password=;"},
        {"/datos/hoja.xml", ""},
        {"/datos/sin_extension", ""},
        {"", ""},
        {"/datos/copia.csv.bak", ""},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(ArchivoOrigen::De(QString::fromUtf8(c.ruta)).textoConexion(), QString::fromUtf8(c.texto))
            << c.ruta;
    }
}

// Los proveedores leen del texto la ruta entera, aunque lleve blancos o puntos.
TEST(OrigenArchivo, LaRutaSeLeeEnteraDelTexto) {
    const QString ruta = QStringLiteral("/mis datos/prov.2024/base de datos.mdb");
    EXPECT_EQ(TextoConexion(ArchivoOrigen::De(ruta).textoConexion()).valor("Data Source"), ruta);
    EXPECT_EQ(TextoConexion(ArchivoOrigen::De("/mis datos/x.csv").textoConexion()).valor("DBQ"),
              "/mis datos");
}

TEST(OrigenArchivo, FiltroDeTablas) {
    struct Caso {
        const char* extension;
        const char* nombre;
        bool pasa;
    };
    const Caso casos[] = {
        {"xls", "Hoja1$", true},
        {"XLS", "Hoja1$", true},
        {"xls", "Hoja1$_FilterDatabase", true},
        {"xls", "Hoja1", false},
        {"xls", "Rango_con_nombre", false},
        {"xlsx", "Hoja1", true},
        {"mdb", "MSysObjects", false},
        {"mdb", "msysACEs", false},
        {"MDB", "  MSYSQueries", false},
        {"mdb", "Clientes", true},
        {"mdb", "mSy", true},
        {"mdb", "MSy_Tabla", true},
        {"db", "MSysObjects", true},
        {"csv", "datos#csv", true},
        {"txt", "", true},
        {"dbf", "mSysX", true},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(ClasePorExtension(QString::fromUtf8(c.extension))->pasaFiltro(QString::fromUtf8(c.nombre)),
                  c.pasa)
            << c.extension << " " << c.nombre;
    }
}

TEST(OrigenArchivo, NombreBaseHastaElUltimoPunto) {
    struct Caso {
        const char* archivo;
        const char* base;
    };
    const Caso casos[] = {
        {"datos.csv", "datos"},
        {"datos.2024.csv", "datos.2024"},
        {"/carpeta.con.puntos/lista.dbf", "lista"},
        {"sin_punto", "sin_punto"},
        {".oculto.csv", ".oculto"},
        {"", ""},
    };
    for (const auto& c : casos)
        EXPECT_EQ(ClaseTexto().nombreBase(QString::fromUtf8(c.archivo)), QString::fromUtf8(c.base))
            << c.archivo;
    EXPECT_EQ(ArchivoOrigen::De("/a.b/datos.CSV").extension, "CSV");
    EXPECT_EQ(ArchivoOrigen::De("/a.b/datos").extension, "");
}

}  // namespace

namespace {

// Una ruta que no necesita comillas queda tal cual en el texto de conexión; una que las necesita
// va entre llaves (textos de ODBC) o entre comillas dobles (textos de OLE DB), y se lee entera.
TEST(OrigenArchivo, LaRutaSobreviveAlTextoDeConexion) {
    struct Clase {
        const char* extension;
        const char* clave;  // la que lleva la ruta o la carpeta
        bool carpeta;
    };
    const Clase clases[] = {{"csv", "DBQ", true},        {"txt", "DBQ", true},
                            {"xls", "Dbq", false},       {"xlsx", "Dbq", false},
                            {"db", "Database", false},   {"mdb", "Data Source", false},
                            {"dbf", "Data Source", true}};
    const QStringList carpetas = {
        "/datos/prov;x",   "/datos/ con blancos ", "/datos/{llave}",       "/datos/\"comillas\"",
        "/datos/'simple'", "/datos/a=b#c[d]",      "/datos/acentuación ñ", "/"};
    for (const Clase& c : clases) {
        for (const QString& carpeta : carpetas) {
            const QString archivo = QStringLiteral("nombre;con.puntos ") + '.' + c.extension;
            const QString ruta = (carpeta == "/" ? carpeta : carpeta + '/') + archivo;
            const ArchivoOrigen a = ArchivoOrigen::De(ruta);
            ASSERT_TRUE(a.conocido()) << qPrintable(ruta);
            const QString texto = a.textoConexion();
            QString esperado = c.carpeta ? carpeta : ruta;
            if (QString(c.extension) == "dbf" && carpeta != "/") esperado += '/';
            EXPECT_EQ(TextoConexion(texto).valor(c.clave), esperado) << qPrintable(texto);
            // Cada clase reconoce su texto, y sólo ella (xls y xlsx comparten el suyo).
            for (const ClaseOrigen* otra : ClasesOrigen()) {
                const bool misma = otra == a.clase || (otra->nombre().startsWith("Excel") &&
                                                       a.clase->nombre().startsWith("Excel"));
                EXPECT_EQ(otra->reconoce(TextoConexion(texto)), misma)
                    << qPrintable(otra->nombre()) << " " << qPrintable(texto);
            }
        }
    }
    EXPECT_EQ(TextoConexion::ValorOdbc("/a b/c"), "/a b/c");
    EXPECT_EQ(TextoConexion::ValorOdbc("/a;b}"), "{/a;b}}}");
    EXPECT_EQ(TextoConexion::ValorOleDb("/a;\"b\""), "\"/a;\"\"b\"\"\"");
}

TEST(OrigenArchivo, UnNombreDeTablaVaEntreCorchetesConElCierreDoblado) {
    const QStringList nombres = {"Hoja1$",           "a]b",       "]]", "g] UNION SELECT 1 --",
                                 "con \"comillas\"", " blancos ", "[x]"};
    for (const QString& n : nombres) {
        const QString sentencia = SentenciaDeTabla(n);
        EXPECT_EQ(TablaDeConsulta(sentencia), n) << qPrintable(sentencia);
    }
    EXPECT_EQ(SentenciaDeTabla("a]b"), "SELECT * FROM [a]]b]");
    EXPECT_EQ(TablaDeConsulta("select * from \"a\"\"b\""), "a\"b");
    EXPECT_FALSE(TablaDeConsulta("SELECT * FROM [a]b]").has_value());
}

}  // namespace
