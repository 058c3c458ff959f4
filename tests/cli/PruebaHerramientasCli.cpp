// garantias-cli serie, importar --prueba y --rechazos, sobre bases embebidas en una carpeta temporal.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/ProgramaCli.h"
#include "platform/Cp1252.h"

namespace {

struct Resultado {
    int codigo = -1;
    QString salida, errores;
    QStringList lineas() const { return salida.split('\n', Qt::SkipEmptyParts); }
};

const QString kConexion = "@server=; @dbname= demo; @usuario= demo; @Password= demo;";
const QByteArray kCabecera = "eca1;serie;modelo;factura;activacion\n";

class HerramientasCli : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    Resultado cli(const QStringList& argumentos, const QByteArray& entrada = {}) {
        QProcess p;
        ProgramaCli programa(dir_.path());  // datos en dir_/datos, registro de errores en dir_
        QProcessEnvironment entorno = programa.entorno();
        entorno.insert("GARANTIAS_CONEXION", kConexion);
        p.setProcessEnvironment(entorno);
        p.start(programa.ruta(), argumentos);
        Resultado r;
        if (!p.waitForStarted(10000)) {
            ADD_FAILURE() << "no arranca garantias-cli";
            return r;
        }
        p.write(entrada);
        p.closeWriteChannel();
        if (!p.waitForFinished(120000)) {
            p.kill();
            ADD_FAILURE() << "garantias-cli no termina";
            return r;
        }
        r.codigo = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.salida = QString::fromUtf8(p.readAllStandardOutput());
        r.errores = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString archivo(const QString& nombre, const QByteArray& bytes) {
        const QString ruta = dir_.filePath(nombre);
        EscribirArchivo(ruta, bytes);
        return ruta;
    }
    // Lo guardado, por la línea de comandos: las transmisiones y las filas de la 1.
    QStringList guardado() {
        return cli({"transmisiones"}).lineas() + QStringList{"--"} + cli({"filas", "1"}).lineas();
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(HerramientasCli, SerieDiceDondeEstaCadaUnaYTerminaConTresSiFalta) {
    const Resultado imp =
        cli({"importar",
             archivo("a.csv", kCabecera + "Suc 1;ABC-1;TV;f;01/02/2026\nSuc 2;100%_X;Radio;f;02/02/2026\n")});
    ASSERT_EQ(imp.codigo, 0) << qPrintable(imp.errores);

    Resultado r = cli({"serie", "abc-1  ", "100%_x"});
    EXPECT_EQ(r.codigo, 0) << qPrintable(r.errores);
    ASSERT_EQ(r.lineas().size(), 3) << qPrintable(r.salida);
    EXPECT_EQ(r.lineas()[0], "serie\ttransmision\tfecha\thora\tusuario\teca1\tmodelo\tactivacion");
    EXPECT_TRUE(r.lineas()[1].startsWith("ABC-1\t1\t")) << qPrintable(r.lineas()[1]);
    EXPECT_TRUE(r.lineas()[1].endsWith("\tdemo\tSuc 1\tTV\t01/02/2026")) << qPrintable(r.lineas()[1]);

    r = cli({"serie", "ABC-1", "100%", "_", "--", "-ABC-1"});
    EXPECT_EQ(r.codigo, 3) << qPrintable(r.errores);
    EXPECT_EQ(r.lineas().mid(2),
              (QStringList{"100%\tno encontrada\t\t\t\t\t\t", "_\tno encontrada\t\t\t\t\t\t",
                           "-ABC-1\tno encontrada\t\t\t\t\t\t"}));

    EXPECT_EQ(cli({"serie"}).codigo, 2);
    EXPECT_TRUE(cli({"serie", "--help"}).salida.contains("Termina con 3 si alguna serie no está"));
    EXPECT_TRUE(cli({"--help"}).salida.contains("alguna serie pedida no está (serie)"));
}

TEST_F(HerramientasCli, SerieLeeCienMilSeriesDeLaEntrada) {
    QByteArray csv = kCabecera;
    for (int i = 0; i < 1000; ++i) csv += "E;S" + QByteArray::number(i * 100) + ";M;f;A\n";
    ASSERT_EQ(cli({"importar", archivo("a.csv", csv)}).codigo, 0);

    // Líneas vacías, de blancos, con CR LF, comillas y patrones: se buscan tal cual.
    QByteArray entrada = "\n   \r\n\"S0\"\r\ns%\r\n' OR 1=1 --\n";
    for (int i = 0; i < 100000; ++i) entrada += "s" + QByteArray::number(i) + (i % 2 ? " \r\n" : "\n");
    const Resultado r = cli({"serie", "-"}, entrada);
    EXPECT_EQ(r.codigo, 3) << qPrintable(r.errores);
    const QStringList lineas = r.lineas();
    ASSERT_EQ(lineas.size(), 1 + 3 + 100000);
    EXPECT_EQ(lineas[1], "\"S0\"\tno encontrada\t\t\t\t\t\t");
    EXPECT_EQ(lineas[2], "s%\tno encontrada\t\t\t\t\t\t");
    int encontradas = 0;
    for (int i = 0; i < 100000; ++i) {
        const QString& l = lineas[4 + i];
        if (i % 100 == 0) {
            ++encontradas;
            ASSERT_TRUE(l.startsWith(QStringLiteral("S%1\t1\t").arg(i))) << qPrintable(l);
        } else {
            ASSERT_TRUE(l.contains("\tno encontrada")) << qPrintable(l);
        }
    }
    EXPECT_EQ(encontradas, 1000);
}

TEST_F(HerramientasCli, PruebaYRechazos) {
    ASSERT_EQ(cli({"importar", archivo("a.csv", kCabecera + "E;VIEJA;M;f;A\n")}).codigo, 0);
    const QStringList antes = guardado();
    const QString csv = archivo("b.csv", kCabecera + "Ñuble;NUEVA;M1;f;A1\nE2;vieja;M2;f;A2\nE3;;M3;f;A3\n");

    // La prueba no escribe nada y da las cuentas que la importación da después.
    const QString rechazos = dir_.filePath("rechazos.csv");
    Resultado r = cli({"importar", csv, "--prueba", "--rechazos", rechazos});
    ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
    EXPECT_EQ(r.lineas(),
              (QStringList{
                  "Prueba finalizada",
                  "Prueba sin escribir: 1 filas que se agregarían, 1 series ya guardadas, 1 filas sin serie.",
                  "2 filas no importadas en \"" + rechazos + "\"."}));
    EXPECT_EQ(guardado(), antes);
    EXPECT_EQ(Cp1252::Decodificar(LeerArchivo(rechazos)),
              "eca1;serie;modelo;factura;activacion;motivo;detalle;fila\r\n"
              "E2;vieja;M2;f;A2;serie ya guardada;transmisión 1;2\r\n"
              "E3;;M3;f;A3;sin serie;;3\r\n");

    r = cli({"importar", csv, "--rechazos", rechazos, "--utf8"});
    ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
    EXPECT_EQ(r.lineas()[1], "Transmisión 2: 1 filas agregadas, 1 series ya guardadas, 1 filas sin serie.");
    EXPECT_EQ(QString::fromUtf8(LeerArchivo(rechazos)),
              "eca1;serie;modelo;factura;activacion;motivo;detalle;fila\r\n"
              "E2;vieja;M2;f;A2;serie ya guardada;transmisión 1;2\r\n"
              "E3;;M3;f;A3;sin serie;;3\r\n");

    // Un archivo de rechazos que no se puede escribir: no se importa nada.
    const QStringList despues = guardado();
    r = cli({"importar", archivo("c.csv", kCabecera + "E;OTRA;M;f;A\n"), "--rechazos",
             dir_.filePath("no/hay/carpeta.csv")});
    EXPECT_EQ(r.codigo, 1);
    EXPECT_TRUE(r.errores.contains("No se puede escribir el archivo de filas no importadas"))
        << qPrintable(r.errores);
    EXPECT_EQ(guardado(), despues);

    EXPECT_EQ(cli({"importar", csv, "--utf8"}).codigo, 2);

    // Una prueba de un origen legible termina con 0, aunque no tenga ninguna fila con serie.
    r = cli({"importar", archivo("d.csv", kCabecera + "E;;M;f;A\n"), "--prueba"});
    EXPECT_EQ(r.codigo, 0) << qPrintable(r.errores);
    EXPECT_EQ(r.lineas().value(1),
              "Prueba sin escribir: 0 filas que se agregarían, 0 series ya guardadas, 1 filas sin serie.");
}

// Unos títulos en otro orden: sin --por-nombre ni --por-posicion no se escribe nada y termina con 1
// diciendo por qué; con una de ellas, cada campo sale de donde se pidió, también en la prueba.
TEST_F(HerramientasCli, TitulosEnOtroOrdenSinElegirNoEscribenNada) {
    struct Caso {
        QStringList opciones;
        int codigo;
        const char* guardada;  // la serie que queda guardada (vacío: ninguna)
        const char* errores;   // un trozo de la salida de errores
    };
    const Caso casos[] = {
        {{}, 1, "", "los títulos parecen de otro orden: la columna 1, \"SERIE\", se toma como eca1"},
        {{"--prueba"},
         1,
         "",
         "No se escribió nada: --por-nombre los toma por sus títulos (eca1 de la columna 2"},
        {{"--por-nombre"},
         0,
         "S",
         "aviso: los campos se toman por sus títulos: eca1 de la columna 2 (\"ECA1\")"},
        {{"--por-posicion"}, 0, "E", "aviso: los campos se toman por posición"},
        {{"--por-nombre", "--prueba"}, 0, "", "aviso: los campos se toman por sus títulos"},
        {{"--por-nombre", "--por-posicion"}, 2, "", "no van juntas"},
    };
    int n = 0;
    for (const Caso& c : casos) {
        SCOPED_TRACE(qPrintable(c.opciones.join(' ')));
        ++n;
        const QString serie = QString("S%1").arg(n), eca1 = QString("E%1").arg(n);
        const QString csv =
            archivo(QString("orden%1.csv").arg(n), "SERIE;ECA1;modelo;factura;activacion\n" + serie.toUtf8() +
                                                       ';' + eca1.toUtf8() + ";M;f;A\n");
        const QStringList antes = guardado();
        const Resultado r = cli(QStringList{"importar", csv} + c.opciones);
        EXPECT_EQ(r.codigo, c.codigo) << qPrintable(r.errores);
        EXPECT_TRUE(r.errores.contains(QString::fromUtf8(c.errores))) << qPrintable(r.errores);
        if (!*c.guardada) {
            EXPECT_EQ(guardado(), antes);
        } else {
            // Guardada por sus títulos, la serie es la del título "SERIE"; por posición, la de la segunda.
            const QString esperada = *c.guardada == 'S' ? serie : eca1;
            EXPECT_EQ(cli({"serie", esperada}).codigo, 0) << qPrintable(esperada);
        }
    }
}

// Cada clase de archivo: la prueba da las cuentas y las filas no importadas que después da la
// importación, y no escribe nada.
TEST_F(HerramientasCli, PruebaYRechazosEnCadaClaseDeArchivo) {
    const QString ejemplos = QStringLiteral(GARANTIAS_EJEMPLOS);
    ASSERT_EQ(cli({"importar", ejemplos + "/garantias.csv"}).codigo, 0);
    // Sin la columna "detalle": en la prueba, una serie repetida en el mismo archivo no tiene transmisión.
    auto sinDetalle = [](const QString& ruta) {
        QStringList lineas = QString::fromUtf8(LeerArchivo(ruta)).split("\r\n");
        for (QString& l : lineas) {
            QStringList partes = l.split(';');
            if (partes.size() >= 3) partes.removeAt(partes.size() - 2);
            l = partes.join(';');
        }
        return lineas;
    };
    for (const char* clase : {"xlsx", "dbf", "db", "csv"}) {
        SCOPED_TRACE(clase);
        const QString origen = ejemplos + "/garantias." + clase;
        const QStringList antes = guardado();
        const Resultado prueba =
            cli({"importar", origen, "--prueba", "--rechazos", dir_.filePath("prueba.csv"), "--utf8"});
        ASSERT_EQ(prueba.codigo, 0) << qPrintable(prueba.errores);
        EXPECT_EQ(guardado(), antes);
        const Resultado real =
            cli({"importar", origen, "--rechazos", dir_.filePath("real.csv"), "--utf8", "--repetir"});
        ASSERT_EQ(real.codigo, 0) << qPrintable(real.errores);
        ASSERT_EQ(prueba.lineas().size(), 3);
        ASSERT_EQ(real.lineas().size(), 3);
        // Las mismas cuentas; la prueba dice que las filas se agregarían y si esos bytes ya se importaron.
        EXPECT_EQ(prueba.lineas()[1]
                      .section(':', 1)
                      .section(QStringLiteral(" Este archivo ya se importó"), 0, 0)
                      .replace("filas que se agregarían", "filas agregadas"),
                  real.lineas()[1].section(':', 1));
        EXPECT_EQ(prueba.lineas()[2].section(' ', 0, 0), real.lineas()[2].section(' ', 0, 0));
        EXPECT_EQ(sinDetalle(dir_.filePath("prueba.csv")), sinDetalle(dir_.filePath("real.csv")));
    }
}
