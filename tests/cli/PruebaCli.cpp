#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/ProgramaCli.h"

namespace {

using Resultado = ResultadoCli;

class LineaDeComandos : public ::testing::Test {
  protected:
    QString archivo(const QString& nombre, const QByteArray& bytes) {
        const QString ruta = dir.filePath(nombre);
        EscribirArchivo(ruta, bytes);
        return ruta;
    }
    QTemporaryDir dir;
    ProgramaCli cli{dir.path()};

    Resultado Cli(const QStringList& argumentos) { return cli.correr(argumentos); }
};

TEST_F(LineaDeComandos, AyudaYVersion) {
    const Resultado ayuda = Cli({"--help"});
    EXPECT_EQ(ayuda.codigo, 0);
    EXPECT_TRUE(ayuda.salida.contains("Uso: garantias-cli"));
    EXPECT_TRUE(ayuda.salida.contains("tablas ARCHIVO"));
    EXPECT_TRUE(ayuda.salida.contains("vista ARCHIVO [--tabla NOMBRE]"));
    const Resultado verbo = Cli({"vista", "--help"});
    EXPECT_EQ(verbo.codigo, 0);
    EXPECT_TRUE(verbo.salida.contains("19 filas"));
    const Resultado version = Cli({"--version"});
    EXPECT_EQ(version.codigo, 0);
    EXPECT_TRUE(version.salida.startsWith("garantias-cli "));
}

TEST_F(LineaDeComandos, ErroresDeUsoTerminanConDos) {
    const QString csv = archivo("datos.csv", "a;b\n1;2\n");
    struct Caso {
        QStringList argumentos;
        const char* mensaje;
    };
    const Caso casos[] = {
        {{}, "falta el verbo"},
        {{"importar-todo"}, "verbo desconocido"},
        {{"tablas"}, "tablas ARCHIVO"},
        {{"tablas", csv, csv}, "tablas ARCHIVO"},
        {{"vista", csv, "--tabla"}, "le falta su valor"},
        {{"vista", csv, "--hoja", "x"}, "opción desconocida"},
        {{"tablas", csv, "--tabla", "x"}, "no admite la opción --tabla"},
    };
    for (const auto& c : casos) {
        const Resultado r = Cli(c.argumentos);
        EXPECT_EQ(r.codigo, 2) << qPrintable(c.argumentos.join(' '));
        EXPECT_TRUE(r.errores.contains(c.mensaje)) << qPrintable(r.errores);
        EXPECT_TRUE(r.salida.isEmpty());
    }
}

TEST_F(LineaDeComandos, ArchivosMalosDanUnMensajeClaroYUno) {
    struct Caso {
        QString ruta;
        const char* mensaje;
    };
    const Caso casos[] = {
        {dir.filePath("no_esta.csv"), "no se encuentra el archivo"},
        {archivo("lista.xml", "<a/>"), "no se reconoce la clase de archivo"},
        {archivo("sin_extension", "a;b"), "no se reconoce la clase de archivo"},
        {archivo("base.mdb", "serie;modelo\n1;2\n"), "no es una base de Access"},
        {archivo("vacia.mdb", ""), "vacío"},
        {archivo("libro.xlsx", "esto no es un libro"), "libro.xlsx"},
        {archivo("tabla.dbf", QByteArray(40, '\x7f')), "tabla"},
        {dir.path(), "no es un archivo"},
    };
    for (const auto& c : casos) {
        for (const char* verbo : {"tablas", "vista"}) {
            const Resultado r = Cli({verbo, c.ruta});
            EXPECT_EQ(r.codigo, 1) << verbo << " " << qPrintable(c.ruta) << ": " << qPrintable(r.errores);
            EXPECT_TRUE(r.errores.startsWith("garantias-cli: ")) << qPrintable(r.errores);
            EXPECT_TRUE(r.errores.contains(c.mensaje)) << qPrintable(r.errores);
        }
    }
}

// Un csv de 100 filas: la vista muestra los títulos y las filas 1 a 19, numeradas.
TEST_F(LineaDeComandos, VistaDeUnCsvMuestra19Filas) {
    QByteArray csv = "eca;serie;modelo\n";
    for (int i = 1; i <= 100; ++i) csv += QByteArray::number(i) + ";000" + QByteArray::number(i) + ";M\n";
    const QString ruta = archivo("Proveedor.CSV", csv);

    const Resultado tablas = Cli({"tablas", ruta});
    ASSERT_EQ(tablas.codigo, 0) << qPrintable(tablas.errores);
    // Las tablas del controlador de texto para la carpeta y, al final, el nombre base.
    EXPECT_EQ(tablas.lineas().last(), "Proveedor");

    const Resultado vista = Cli({"vista", ruta, "--tabla", "Proveedor"});
    ASSERT_EQ(vista.codigo, 0) << qPrintable(vista.errores);
    const QStringList lineas = vista.lineas();
    ASSERT_EQ(lineas.size(), 20);
    EXPECT_EQ(lineas[0], "\teca\tserie\tmodelo");
    EXPECT_EQ(lineas[1], "1\t1\t0001\tM");
    EXPECT_EQ(lineas[19], "19\t19\t00019\tM");
}

TEST_F(LineaDeComandos, VistaDeUnaHojaCortaYValoresConSaltos) {
    const QString ruta = archivo("corto.csv", "a;b\n1;\"dos\nlineas\"\n2;x\ty\n3;z\n");
    const Resultado vista = Cli({"vista", ruta, "--tabla", "corto"});
    ASSERT_EQ(vista.codigo, 0) << qPrintable(vista.errores);
    EXPECT_EQ(vista.lineas(), (QStringList{"\ta\tb", "1\t1\tdos\\nlineas", "2\t2\tx\\ty", "3\t3\tz"}));
}

TEST_F(LineaDeComandos, AccessListaSinLasTablasDelSistema) {
    TOMAR_MUESTRA(mdb, "mdb/testV1997.mdb");
    const Resultado tablas = Cli({"tablas", mdb});
    ASSERT_EQ(tablas.codigo, 0) << qPrintable(tablas.errores);
    EXPECT_EQ(tablas.lineas(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));

    // Sin --tabla, la primera de la lista.
    const Resultado vista = Cli({"vista", mdb});
    ASSERT_EQ(vista.codigo, 0) << qPrintable(vista.errores);
    EXPECT_EQ(vista.lineas(),
              (QStringList{"\tA\tB\tC\tD\tE\tF\tG\tH\tI", "1\ta\tb\t0\t0\t0\t0\t12/12/1981\t0\tFalso",
                           "2\tabcdefg\thijklmnop\t2\t222\t333333333\t444,555\t21/09/1974\t3,5\tVerdadero"}));

    const Resultado falta = Cli({"vista", mdb, "--tabla", "NoEsta"});
    EXPECT_EQ(falta.codigo, 1);
    EXPECT_TRUE(falta.errores.contains("NoEsta")) << qPrintable(falta.errores);
}

TEST_F(LineaDeComandos, DbfListaSoloSuNombreBase) {
    TOMAR_MUESTRA(dbf, "dbf/dbase_8b.dbf");
    const Resultado tablas = Cli({"tablas", dbf});
    ASSERT_EQ(tablas.codigo, 0) << qPrintable(tablas.errores);
    EXPECT_EQ(tablas.lineas(), QStringList{"dbase_8b"});
    const Resultado vista = Cli({"vista", dbf});
    ASSERT_EQ(vista.codigo, 0) << qPrintable(vista.errores);
    ASSERT_EQ(vista.lineas().size(), 11);  // títulos y 10 registros
    EXPECT_TRUE(vista.lineas()[1].startsWith("1\tOne\t1\t01/01/1970\tVerdadero\t"))
        << qPrintable(vista.lineas()[1]);
}

TEST_F(LineaDeComandos, LibrosYBasesSqliteListanSusHojasYTablas) {
    struct Caso {
        const char* muestra;
        QStringList tablas;
    };
    const Caso casos[] = {
        {"xlsx/date_1904.xlsx", {"Sheet1$"}},
        {"sqlite/music.db", {"artists", "albums", "tracks"}},
    };
    for (const auto& c : casos) {
        TOMAR_MUESTRA(ruta, c.muestra);
        const Resultado r = Cli({"tablas", ruta});
        EXPECT_EQ(r.codigo, 0) << c.muestra << ": " << qPrintable(r.errores);
        EXPECT_EQ(r.lineas(), c.tablas) << c.muestra;
    }
}

}  // namespace
