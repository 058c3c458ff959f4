// garantias-cli anular y historial: lo que listan, cuándo preguntan y sus códigos de salida.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>

#include "cli/ProgramaCli.h"

namespace {

const QString kCadena = QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= demo;");
const QByteArray kCsv = "eca1,serie,modelo,otro,activacion\nE,S1,M,x,A\nE,S2,M,x,A\n";

class AnularHistorial : public ::testing::Test {
  protected:
    ResultadoCli cli(QStringList argumentos, const QByteArray& entrada = {}) {
        argumentos << "--conexion" << kCadena;
        return programa_.correr(argumentos, entrada);
    }
    // SQL directo en la base embebida, como otra herramienta.
    QString sqlite(const QString& sql) { return programa_.consultar(sql); }
    // Importa el csv; la corrida queda en el diario.
    void importar(const QString& nombre) {
        const QString ruta = dir_.filePath(nombre);
        EscribirArchivo(ruta, kCsv);
        const ResultadoCli r = cli({"importar", ruta});
        ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
    }
    QString anulado() { return sqlite("SELECT Anulado FROM MV_TRANSMISIONES ORDER BY Transmision"); }

    QTemporaryDir dir_;
    ProgramaCli programa_{dir_.path()};
};

TEST_F(AnularHistorial, AnularPreguntaSalvoConSiYTerminaConSuCodigo) {
    ASSERT_NO_FATAL_FAILURE(importar("datos.csv"));
    struct Caso {
        QStringList argumentos;
        QByteArray entrada;
        int codigo;
        const char* salida;   // comienzo de la salida estándar
        const char* errores;  // algo de la salida de errores
        const char* anulado;  // Anulado de la transmisión 1 después
    } casos[] = {
        {{"anular", "1"}, "", 1, "", "¿Anular? [s/N] \ngarantias-cli: no se anuló la transmisión 1", "0"},
        {{"anular", "1"}, "n\n", 1, "", "no se anuló la transmisión 1", "0"},
        {{"anular", "7"}, "", 3, "", "No existe la transmisión 7.", "0"},
        {{"anular", "x"}, "", 2, "", "anular necesita el número de una transmisión", "0"},
        {{"anular", "1"},
         "sí\n",
         0,
         "Transmisión 1 anulada: 2 filas borradas.",
         "Se borrarán las 2 filas",
         "1"},
        {{"anular", "1", "--si"}, "", 1, "", "La transmisión 1 ya está anulada", "1"},
    };
    for (const Caso& c : casos) {
        const ResultadoCli r = cli(c.argumentos, c.entrada);
        const QString que = c.argumentos.join(' ') + " <" + c.entrada;
        EXPECT_EQ(r.codigo, c.codigo) << qPrintable(que) << qPrintable(r.errores);
        EXPECT_TRUE(*c.salida ? r.salida.startsWith(QString::fromUtf8(c.salida)) : r.salida.isEmpty())
            << qPrintable(que) << qPrintable(r.salida);
        EXPECT_TRUE(r.errores.contains(QString::fromUtf8(c.errores)))
            << qPrintable(que) << qPrintable(r.errores);
        EXPECT_EQ(anulado(), c.anulado) << qPrintable(que);
    }
    // Los mismos bytes con otro nombre entran otra vez (las series quedaron libres, sin pregunta);
    // con --si se anulan sin preguntar.
    ASSERT_NO_FATAL_FAILURE(importar("otro.csv"));
    const ResultadoCli r = cli({"anular", "2", "--si"});
    EXPECT_EQ(r.codigo, 0) << qPrintable(r.errores);
    EXPECT_FALSE(r.errores.contains("¿Anular?")) << qPrintable(r.errores);
    EXPECT_EQ(anulado(), "1\n1");

    // transmisiones: las columnas de la grilla y, detrás, las del diario; las anuladas siguen.
    const ResultadoCli lista = cli({"transmisiones"});
    ASSERT_EQ(lista.codigo, 0) << qPrintable(lista.errores);
    ASSERT_EQ(lista.lineas().size(), 3) << qPrintable(lista.salida);
    EXPECT_EQ(lista.lineas()[0],
              "Nro\tUsuario\tFecha\tArchivo\tLeídas\tAgregadas\tYa guardadas\tSin serie\t"
              "Fallidas\tResultado\tAnulada");
    for (const QString& linea : lista.lineas().mid(1)) {
        const QStringList celdas = linea.split('\t');
        ASSERT_EQ(celdas.size(), 11) << qPrintable(linea);
        EXPECT_EQ(celdas.mid(3), (QStringList{celdas[0] == "1" ? "datos.csv" : "otro.csv", "2", "2", "0", "0",
                                              "0", "completa", "sí"}));
    }
}

TEST_F(AnularHistorial, HistorialListaElDiarioConTitulosYFiltra) {
    ASSERT_NO_FATAL_FAILURE(importar("enero.csv"));
    ASSERT_EQ(sqlite("UPDATE GARANTIAS_CORRIDAS SET Inicio='2026-01-05 10:00:00', Fin=NULL"), "");
    const ResultadoCli todo = cli({"historial"});
    ASSERT_EQ(todo.codigo, 0) << qPrintable(todo.errores);
    ASSERT_EQ(todo.lineas().size(), 2) << qPrintable(todo.salida);
    EXPECT_TRUE(todo.lineas()[0].startsWith("Inicio\tFin\tResultado\tTransmisión\tAnulada\tArchivo\t"));
    const QStringList celdas = todo.lineas()[1].split('\t');
    ASSERT_EQ(celdas.size(), todo.lineas()[0].split('\t').size());
    EXPECT_EQ(celdas.mid(0, 13), (QStringList{"05/01/2026 10:00:00", "", "completa", "1", "", "enero.csv",
                                              "enero#csv", "texto", "2", "2", "0", "0", "0"}));
    EXPECT_EQ(celdas.last(), dir_.filePath("enero.csv"));

    struct Caso {
        QStringList argumentos;
        int codigo;
        int lineas;
    } casos[] = {
        {{"historial", "--desde", "05/01/2026"}, 0, 2},
        {{"historial", "--desde", "06/01/2026"}, 0, 1},
        {{"historial", "--desde", "2026-01-05"}, 2, 0},
        {{"historial", "--archivo", dir_.filePath("enero.csv")}, 0, 2},  // por su ruta
        {{"historial", "--archivo", dir_.filePath("nunca.csv")}, 3, 1},
    };
    for (const Caso& c : casos) {
        const ResultadoCli r = cli(c.argumentos);
        EXPECT_EQ(r.codigo, c.codigo) << qPrintable(c.argumentos.join(' ')) << qPrintable(r.errores);
        EXPECT_EQ(r.lineas().size(), c.lineas) << qPrintable(c.argumentos.join(' ')) << qPrintable(r.salida);
    }
}

}  // namespace
