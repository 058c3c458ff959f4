// Anular con el proceso cortado por kill -9 en un punto al azar deja todo o nada; anular mientras
// otro proceso importa no reusa números, no deja filas bajo un número anulado y el diario coincide
// con las tablas; una importación cortada por kill -9 queda "interrumpida" en el diario cuando el
// programa vuelve a empezar, con cuentas que no pasan de lo que quedó en las tablas.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include "cli/ProgramaCli.h"

namespace {

const QString kCadena = QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= demo;");

QByteArray Csv(const QString& prefijo, int filas) {
    QByteArray csv = "eca1,serie,modelo,otro,activacion\n";
    for (int i = 0; i < filas; ++i) csv += "E," + prefijo.toUtf8() + '-' + QByteArray::number(i) + ",M,x,A\n";
    return csv;
}

class AnulacionCortes : public ::testing::Test {
  protected:
    QStringList argumentos(QStringList a) const { return a << "--conexion" << kCadena; }
    // Una consulta en la base, como otra herramienta; "ERROR: ..." si falla.
    QString sqlite(const QString& sql) { return programa_.consultar(sql); }
    void importar(const QString& nombre, const QByteArray& csv) {
        const QString ruta = dir_.filePath(nombre);
        EscribirArchivo(ruta, csv);
        const ResultadoCli r = programa_.correr(argumentos({"importar", ruta}));
        ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
    }
    void arrancar(QProcess& p, const QStringList& a) {
        p.setProcessEnvironment(programa_.entorno());
        p.start(programa_.ruta(), argumentos(a));
        ASSERT_TRUE(p.waitForStarted(10000));
    }

    QTemporaryDir dir_;
    ProgramaCli programa_{dir_.path()};
};

TEST_F(AnulacionCortes, UnKillEnMedioDeLaAnulacionDejaTodoONada) {
    constexpr int kFilas = 60000;
    ASSERT_NO_FATAL_FAILURE(importar("grande.csv", Csv("G", kFilas)));
    const QString nada = QStringLiteral("%1|0|1|0").arg(kFilas);
    const QString todo = QStringLiteral("0|1|0|1");
    auto estado = [this] {
        return sqlite(
            "SELECT (SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision=1), (SELECT Anulado FROM "
            "MV_TRANSMISIONES WHERE Transmision=1), (SELECT Anulada IS NULL FROM GARANTIAS_CORRIDAS WHERE "
            "Transmision=1), (SELECT count(*) FROM MV_CPTEACCIONES)");
    };
    ASSERT_EQ(estado(), nada);
    // Cuánto tarda una anulación entera: los cortes caen entre el arranque y el final.
    const quint32 semilla = QRandomGenerator::global()->generate();
    SCOPED_TRACE(QStringLiteral("semilla %1").arg(semilla).toStdString());
    QRandomGenerator azar(semilla);
    int cortadas = 0;
    for (int intento = 0; intento < 12; ++intento) {
        QProcess p;
        ASSERT_NO_FATAL_FAILURE(arrancar(p, {"anular", "1", "--si"}));
        QThread::msleep(azar.bounded(20, 700));
        const bool vivo = p.state() == QProcess::Running;
        if (vivo) ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
        p.waitForFinished(20000);
        if (vivo) ++cortadas;
        const QString e = estado();
        ASSERT_TRUE(e == nada || e == todo) << "intento " << intento << ": " << qPrintable(e);
        EXPECT_EQ(sqlite("PRAGMA integrity_check"), "ok");
        if (e == todo) break;
    }
    // Al final, anulada entera (si ningún intento llegó a terminar, ahora sí).
    const ResultadoCli fin = programa_.correr(argumentos({"anular", "1", "--si"}));
    EXPECT_TRUE(fin.codigo == 0 || fin.errores.contains("ya está anulada")) << qPrintable(fin.errores);
    EXPECT_EQ(estado(), todo);
    EXPECT_GT(cortadas, 0);
}

TEST_F(AnulacionCortes, AnularMientrasOtroImportaNoReusaNumerosNiDejaFilasBajoUnaAnulada) {
    constexpr int kArchivos = 8;
    QStringList archivos;
    for (int i = 0; i < kArchivos; ++i) {
        archivos << dir_.filePath(QStringLiteral("lote%1/lote.csv").arg(i));
        EscribirArchivo(archivos.back(), Csv(QStringLiteral("L%1").arg(i), 3000));
    }
    ASSERT_NO_FATAL_FAILURE(importar("primero.csv", Csv("P", 100)));
    QProcess importa, anula;
    int siguiente = 0;
    while (siguiente < kArchivos || importa.state() != QProcess::NotRunning) {
        if (importa.state() == QProcess::NotRunning && siguiente < kArchivos) {
            if (siguiente > 0) ASSERT_EQ(importa.exitCode(), 0) << qPrintable(importa.readAllStandardError());
            ASSERT_NO_FATAL_FAILURE(arrancar(importa, {"importar", archivos[siguiente++]}));
        }
        if (anula.state() == QProcess::NotRunning) {
            // La más nueva que no está anulada: a veces es la que se está importando (se rechaza).
            const QString n = sqlite("SELECT max(Transmision) FROM MV_TRANSMISIONES WHERE Anulado=0");
            if (!n.isEmpty() && !n.startsWith("ERROR"))
                ASSERT_NO_FATAL_FAILURE(arrancar(anula, {"anular", n, "--si"}));
        }
        importa.waitForFinished(20);
        anula.waitForFinished(20);
    }
    anula.waitForFinished(20000);
    const int anulaciones = sqlite("SELECT count(*) FROM MV_TRANSMISIONES WHERE Anulado=1").toInt();
    EXPECT_GT(anulaciones, 0);
    // Ningún número se dio dos veces, ni en las transmisiones ni en el diario.
    EXPECT_EQ(sqlite("SELECT count(*) - count(DISTINCT Transmision) FROM MV_TRANSMISIONES"), "0");
    EXPECT_EQ(
        sqlite("SELECT count(*) - count(DISTINCT Transmision) FROM GARANTIAS_CORRIDAS WHERE Transmision "
               "IS NOT NULL"),
        "0");
    EXPECT_EQ(sqlite("SELECT count(*) FROM MV_TRANSMISIONES"), QString::number(kArchivos + 1));
    // Ninguna fila bajo un número anulado, ninguna sin transmisión.
    EXPECT_EQ(sqlite("SELECT count(*) FROM AUX_GARANTIA g JOIN MV_TRANSMISIONES t ON t.Transmision = "
                     "g.nroTransmision WHERE t.Anulado = 1"),
              "0");
    EXPECT_EQ(sqlite("SELECT count(*) FROM AUX_GARANTIA g WHERE NOT EXISTS (SELECT 1 FROM MV_TRANSMISIONES t "
                     "WHERE t.Transmision = g.nroTransmision)"),
              "0");
    // El diario dice lo mismo que las tablas: cada transmisión es de una corrida completa; las
    // anuladas, anuladas y sin filas; las otras, con las filas que agregó.
    EXPECT_EQ(
        sqlite("SELECT t.Transmision, t.Anulado, c.Anulada IS NOT NULL, c.Resultado, "
               "CASE WHEN t.Anulado = 1 THEN 0 ELSE c.Agregadas END, "
               "(SELECT count(*) FROM AUX_GARANTIA g WHERE g.nroTransmision = t.Transmision) "
               "FROM MV_TRANSMISIONES t LEFT JOIN GARANTIAS_CORRIDAS c ON c.Transmision = t.Transmision "
               "WHERE c.Corrida IS NULL OR t.Anulado <> (c.Anulada IS NOT NULL) OR c.Resultado <> 'completa' "
               "OR (CASE WHEN t.Anulado = 1 THEN 0 ELSE c.Agregadas END) <> "
               "(SELECT count(*) FROM AUX_GARANTIA g WHERE g.nroTransmision = t.Transmision)"),
        "");
    EXPECT_EQ(sqlite("SELECT count(*) FROM MV_CPTEACCIONES WHERE Tipo_accion='B'"),
              QString::number(anulaciones));
}

TEST_F(AnulacionCortes, UnaImportacionCortadaPorKillQuedaInterrumpidaAlVolverAEmpezar) {
    constexpr int kFilas = 400000;
    const QString ruta = dir_.filePath("cortado.csv");
    EscribirArchivo(ruta, Csv("K", kFilas));
    ASSERT_NO_FATAL_FAILURE(importar("antes.csv", Csv("A", 10)));  // la base y el diario ya existen
    QProcess p;
    ASSERT_NO_FATAL_FAILURE(arrancar(p, {"importar", ruta}));
    // Se corta después del primer grupo confirmado, con la corrida todavía en curso.
    QString corrida;
    for (int i = 0; i < 3000 && p.state() == QProcess::Running; ++i) {
        corrida =
            sqlite("SELECT Resultado, Agregadas > 0 FROM GARANTIAS_CORRIDAS WHERE Archivo='cortado.csv'");
        if (corrida == "en curso|1") break;
        QThread::msleep(10);
    }
    ASSERT_EQ(corrida, "en curso|1") << "la importación terminó antes del corte";
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(sqlite("SELECT Resultado FROM GARANTIAS_CORRIDAS WHERE Archivo='cortado.csv'"), "en curso");

    // El próximo arranque del programa (aquí, otro verbo) la marca, y el historial lo dice.
    const ResultadoCli h = programa_.correr(argumentos({"historial", "--archivo", ruta}));
    ASSERT_EQ(h.codigo, 0) << qPrintable(h.errores);
    const QStringList lineas = h.salida.trimmed().split('\n');
    ASSERT_EQ(lineas.size(), 2) << qPrintable(h.salida);
    EXPECT_EQ(lineas[1].split('\t').value(2), "interrumpida") << qPrintable(lineas[1]);
    // Lo que el diario cuenta quedó en las tablas: nunca más de lo guardado.
    const QStringList cuentas =
        sqlite(
            "SELECT c.Agregadas, (SELECT count(*) FROM AUX_GARANTIA g WHERE g.nroTransmision = "
            "c.Transmision) FROM GARANTIAS_CORRIDAS c WHERE c.Archivo='cortado.csv'")
            .split('|');
    ASSERT_EQ(cuentas.size(), 2);
    EXPECT_GT(cuentas[0].toLongLong(), 0);
    EXPECT_LE(cuentas[0].toLongLong(), cuentas[1].toLongLong());
    EXPECT_LT(cuentas[1].toLongLong(), kFilas);
}

}  // namespace
