// La clave de la cadena no queda a la vista de los demás usuarios en la línea de comandos del
// proceso (/proc/PID/cmdline, lo que lee ps), ni en garantias-cli ni en la ventana.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "cli/ProgramaCli.h"

namespace {

// La línea de comandos del proceso como la ve otro usuario, con los argumentos separados por " ".
QByteArray LineaDeComandos(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll().replace('\0', ' ');
}

// Espera (hasta 20 s) a que la línea del proceso ya no tenga la clave; devuelve la última leída.
QByteArray EsperarSinClave(const QProcess& p, const QByteArray& clave) {
    QElapsedTimer reloj;
    reloj.start();
    QByteArray linea;
    while (reloj.elapsed() < 20000 && p.state() == QProcess::Running) {
        linea = LineaDeComandos(p.processId());
        if (!linea.isEmpty() && !linea.contains(clave)) break;
        QThread::msleep(20);  // el programa la tapa apenas arranca: se mira hasta que lo hizo
    }
    return linea;
}

const char kClave[] = "secretisima";

TEST(ClaveOculta, GarantiasCliTapaLaClaveDeConexion) {
    QTemporaryDir dir;
    ProgramaCli cli(dir.path());
    QProcess p;
    p.setProcessEnvironment(cli.entorno());
    // En un solo argumento, con comillas. "serie -" lee las series de la entrada: el proceso sigue vivo hasta
    // cerrarla.
    p.start(cli.ruta(),
            {"serie", "-", "--conexion",
             QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= %1;").arg(kClave)});
    ASSERT_TRUE(p.waitForStarted(10000));
    const QByteArray linea = EsperarSinClave(p, kClave);
    EXPECT_FALSE(linea.contains(kClave)) << linea.constData();
    EXPECT_TRUE(linea.contains("@Password=************;")) << linea.constData();
    p.write("NADA\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 3) << p.readAllStandardError().constData();  // la serie no está: se conectó
}

TEST(ClaveOculta, LaVentanaTapaLaClaveDeLaCadenaDeLanzamiento) {
    QTemporaryDir dir;
    ProgramaCli cli(dir.path());
    QProcessEnvironment entorno = cli.entorno();
    entorno.insert("QT_QPA_PLATFORM", "offscreen");
    // La ventana, como garantias-cli, enlazada en la carpeta de la prueba: una copia que corre desde
    // su carpeta escribe allí su catálogo (consultas.ntw), y no debe ser en la de compilación.
    const QString ventana = dir.filePath("bin/garantias");
    ASSERT_TRUE(::link(QFile::encodeName(QCoreApplication::applicationDirPath() + "/garantias").constData(),
                       QFile::encodeName(ventana).constData()) == 0 ||
                QFile::copy(QCoreApplication::applicationDirPath() + "/garantias", ventana));
    QProcess p;
    p.setProcessEnvironment(entorno);
    // Sin comillas, como la escribe a veces una línea de comandos: la clave llega en su propio argumento.
    p.start(ventana, QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= %1; @Caja=1;orva@")
                         .arg(kClave)
                         .split(' '));
    ASSERT_TRUE(p.waitForStarted(10000));
    const QByteArray linea = EsperarSinClave(p, kClave);
    EXPECT_FALSE(linea.contains(kClave)) << linea.constData();
    p.terminate();
    p.waitForFinished(10000);
}

}  // namespace
