// Dos estaciones importan a la vez, con garantias-cli, archivos que se superponen a la misma base
// embebida: ninguna queda afuera por el bloqueo, cada una toma su número y cada serie se guarda
// una sola vez, bajo el número de la estación que la guardó.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "ado/Valores.h"
#include "cli/ProgramaCli.h"
#include "platform/Proceso.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

namespace {

const QString kCadena = QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= demo;");

QString Serie(int i) { return QStringLiteral("S%1").arg(i, 8, 10, QLatin1Char('0')); }

// Las filas desde..desde+filas-1; el punto de venta (eca1) dice de qué estación es cada fila.
QByteArray ArchivoEstacion(char estacion, int desde, int filas) {
    QByteArray csv = "eca1,serie,modelo,otro,activacion\n";
    for (int i = desde; i < desde + filas; ++i) {
        csv += estacion + QByteArray("-") + QByteArray::number(i) + ',' + Serie(i).toLatin1() +
               ",Heladera 340 L,x,01/03/2024\n";
    }
    return csv;
}

// Lo que dijo una corrida de garantias-cli importar.
struct Informe {
    int codigo = -1;
    QString errores;
    int transmision = 0;
    int agregadas = -1;
    int yaGuardadas = -1;
};

class Estacion {
  public:
    Estacion(const QString& archivo, const ProgramaCli& programa) {
        p_.setProcessEnvironment(programa.entorno());
        p_.setProgram(programa.ruta());
        p_.setArguments({QStringLiteral("importar"), archivo, QStringLiteral("--conexion"), kCadena});
    }
    void empezar() { p_.start(); }
    Informe esperar() {
        Informe r;
        if (!p_.waitForStarted(10000) || !p_.waitForFinished(120000)) {
            p_.kill();
            p_.waitForFinished(5000);
            r.errores = QStringLiteral("no arrancó o no terminó: ") + p_.errorString();
            return r;
        }
        r.codigo = p_.exitStatus() == QProcess::NormalExit ? p_.exitCode() : -2;
        r.errores = QString::fromUtf8(p_.readAllStandardError());
        static const QRegularExpression resumen(
            QStringLiteral("Transmisión (\\d+): (\\d+) filas agregadas, (\\d+) series ya guardadas"));
        const QRegularExpressionMatch m = resumen.match(QString::fromUtf8(p_.readAllStandardOutput()));
        if (m.hasMatch()) {
            r.transmision = m.captured(1).toInt();
            r.agregadas = m.captured(2).toInt();
            r.yaGuardadas = m.captured(3).toInt();
        }
        return r;
    }

  private:
    QProcess p_;
};

struct Caso {
    const char* nombre;
    bool basePrevia;  // la base ya existe, con una transmisión; si no, la crean las dos a la vez
    int filas;        // por estación; la mitad de las series está en los dos archivos
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

class DosEstaciones : public ::testing::TestWithParam<Caso> {
  protected:
    void TearDown() override {
        Componentes::Reiniciar();
        ReiniciarSesion();
        Proceso::FijarCarpetaAplicacion({});
        qunsetenv("GARANTIAS_DATOS");
    }

    // Abre la base que dejaron las estaciones, como la abre el programa (con su intercalación).
    Dll_Datos& abrirBase() {
        qputenv("GARANTIAS_DATOS", datos().toUtf8());
        Proceso::FijarCarpetaAplicacion(dir_.path());
        Componentes::Reiniciar();
        ReiniciarSesion();
        Dll_Datos& d = Componentes::Datos();
        d.NombreBase = d.NombreUsuario = d.ClaveUsuario = QStringLiteral("demo");
        d.Conectar(true, 3, {}, true, true);
        EXPECT_TRUE(d.Conectado()) << qPrintable(d.UltimaFalla());
        return d;
    }
    QString datos() const { return cli_.datos(); }
    QString archivo(const QString& relativa, const QByteArray& bytes) {
        const QString ruta = dir_.filePath(relativa);
        EscribirArchivo(ruta, bytes);
        return ruta;
    }

    QTemporaryDir dir_;
    ProgramaCli cli_{dir_.path()};
};

TEST_P(DosEstaciones, CadaSerieUnaVezYCadaEstacionConSuNumero) {
    const bool basePrevia = GetParam().basePrevia;
    const int kFilas = GetParam().filas;
    ASSERT_TRUE(dir_.isValid());
    // Cada archivo en su carpeta: el controlador de texto lista los de la carpeta.
    const QString a = archivo(QStringLiteral("a/estacion_a.csv"), ArchivoEstacion('A', 0, kFilas));
    const QString b = archivo(QStringLiteral("b/estacion_b.csv"), ArchivoEstacion('B', kFilas / 2, kFilas));
    if (basePrevia) {
        Estacion previa(
            archivo(QStringLiteral("p/previa.csv"), "eca1,serie,modelo,otro,activacion\nP-0,P0,TV,x,1\n"),
            cli_);
        previa.empezar();
        const Informe r = previa.esperar();
        ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
        ASSERT_EQ(r.transmision, 1);
    }

    Estacion estacionA(a, cli_), estacionB(b, cli_);
    estacionA.empezar();
    estacionB.empezar();
    const Informe ra = estacionA.esperar();
    const Informe rb = estacionB.esperar();

    // Ninguna queda afuera por el bloqueo de la otra.
    ASSERT_EQ(ra.codigo, 0) << qPrintable(ra.errores);
    ASSERT_EQ(rb.codigo, 0) << qPrintable(rb.errores);
    ASSERT_GT(ra.transmision, 0) << "sin resumen";
    ASSERT_GT(rb.transmision, 0) << "sin resumen";
    EXPECT_NE(ra.transmision, rb.transmision);
    const int primera = basePrevia ? 2 : 1;
    EXPECT_EQ(std::min(ra.transmision, rb.transmision), primera);
    EXPECT_EQ(std::max(ra.transmision, rb.transmision), primera + 1);
    // Las series comunes las guardó una u otra; las demás, cada una las suyas.
    EXPECT_EQ(ra.agregadas + rb.agregadas, kFilas * 3 / 2);
    EXPECT_EQ(ra.yaGuardadas + rb.yaGuardadas, kFilas / 2);
    EXPECT_EQ(ra.agregadas + ra.yaGuardadas, kFilas);
    EXPECT_EQ(rb.agregadas + rb.yaGuardadas, kFilas);

    Dll_Datos& d = abrirBase();
    RecordsetPtr rs;
    d.AbrirRecordset(QStringLiteral("SELECT nroTransmision, eca1, serie FROM AUX_GARANTIA"), rs);
    std::map<QString, std::pair<int, QString>> porSerie;  // serie -> (número, punto de venta)
    int filas = 0;
    std::map<int, int> porNumero;
    for (; !rs->EOF_(); rs->MoveNext(), ++filas) {
        const int nro = TextoValor(rs->Field(0)).toInt();
        porSerie[TextoValor(rs->Field(2))] = {nro, TextoValor(rs->Field(1))};
        ++porNumero[nro];
    }
    d.CerrarRecordset(rs);
    EXPECT_EQ(filas, kFilas * 3 / 2 + (basePrevia ? 1 : 0));
    EXPECT_EQ(static_cast<int>(porSerie.size()), filas) << "una serie guardada dos veces";
    EXPECT_EQ(porNumero[ra.transmision], ra.agregadas);
    EXPECT_EQ(porNumero[rb.transmision], rb.agregadas);
    int fuera = 0;
    for (int i = 0; i < kFilas * 3 / 2; ++i) {
        const auto it = porSerie.find(Serie(i));
        if (it == porSerie.end()) {
            ADD_FAILURE() << "falta la serie " << qPrintable(Serie(i));
            continue;
        }
        const auto& [nro, eca1] = it->second;
        // La fila es la que insertó la estación dueña del número: su punto de venta lo dice.
        const int esperado = nro == ra.transmision ? 'A' : nro == rb.transmision ? 'B' : 0;
        if (esperado == 0 || eca1 != QStringLiteral("%1-%2").arg(QChar(esperado)).arg(i)) ++fuera;
        // Las series de un solo archivo, bajo el número de su estación.
        if (i < kFilas / 2 && nro != ra.transmision) ++fuera;
        if (i >= kFilas && nro != rb.transmision) ++fuera;
    }
    EXPECT_EQ(fuera, 0) << "filas bajo el número de otra estación";

    // Las dos agregaron filas: sus dos registros de transmisión quedan, con números distintos.
    d.AbrirRecordset(
        QStringLiteral("SELECT Transmision FROM MV_TRANSMISIONES WHERE TIPO='S' ORDER BY Transmision"), rs);
    QStringList numeros;
    for (; !rs->EOF_(); rs->MoveNext()) numeros << TextoValor(rs->Field(0));
    d.CerrarRecordset(rs);
    QStringList esperados;
    for (int n = 1; n <= primera + 1; ++n) esperados << QString::number(n);
    EXPECT_EQ(numeros, esperados);
}

// 20.000 filas caben en un grupo de filas: la segunda estación espera el bloqueo de la primera.
INSTANTIATE_TEST_SUITE_P(Base, DosEstaciones,
                         ::testing::Values(Caso{"Existente", true, 20000}, Caso{"Nueva", false, 20000}),
                         [](const ::testing::TestParamInfo<Caso>& i) { return i.param.nombre; });

}  // namespace
