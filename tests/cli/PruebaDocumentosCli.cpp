// Las páginas de manual y la terminación de bash que la compilación genera con garantias-cli: que
// bash las entienda, que groff las lea sin quejas y que digan lo mismo que --help y el separador
// de argumentos, verbo por verbo.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "cli/ProgramaCli.h"

namespace {

struct Proceso {
    int codigo = -1;
    QString salida;
    QString errores;
};

Proceso Correr(const QString& programa, const QStringList& argumentos, const QString& carpeta = {}) {
    QProcess p;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(entorno);
    if (!carpeta.isEmpty()) p.setWorkingDirectory(carpeta);
    p.start(programa, argumentos);
    Proceso r;
    if (!p.waitForFinished(60000)) {
        ADD_FAILURE() << "no termina: " << qPrintable(programa) << ' ' << qPrintable(argumentos.join(' '));
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.codigo = p.exitCode();
    r.salida = QString::fromUtf8(p.readAllStandardOutput());
    r.errores = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class DocumentosCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const ResultadoCli r = cli.correr({"--terminacion-bash"});
        ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
        guion = dir.filePath("garantias-cli.bash");
        QFile f(guion);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(r.salida.toUtf8());
    }

    // Lo que ofrece la terminación para la línea escrita hasta el cursor (al final).
    QStringList Ofrece(const QString& linea) {
        const QString programa = QStringLiteral(
                                     "source %1\n"
                                     "read -r -a COMP_WORDS <<< \"$LINEA\"\n"
                                     "[[ \"$LINEA\" == *' ' ]] && COMP_WORDS+=('')\n"
                                     "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                     "_garantias_cli\n"
                                     "printf '%s\\n' \"${COMPREPLY[@]}\"\n")
                                     .arg(guion);
        QProcess p;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("LINEA"), linea);
        p.setProcessEnvironment(entorno);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral("bash"), {QStringLiteral("--norc"), QStringLiteral("-c"), programa});
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << qPrintable(QString::fromUtf8(p.readAllStandardError()));
        QStringList ofrecidas = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ofrecidas.sort();
        return ofrecidas;
    }

    // Los verbos y sus líneas de uso, como los muestra --help ("  importar ARCHIVO [--tabla ...").
    std::vector<std::pair<QString, QString>> VerbosDeLaAyuda() {
        const ResultadoCli ayuda = cli.correr({"--help"});
        const QString verbos =
            ayuda.salida.section(QStringLiteral("Verbos:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
        std::vector<std::pair<QString, QString>> lista;
        for (const QString& linea : verbos.split('\n')) {
            if (linea.startsWith(QLatin1String("  ")) && !linea.startsWith(QLatin1String("   ")))
                lista.emplace_back(linea.trimmed().section(' ', 0, 0), linea.trimmed());
        }
        return lista;
    }

    QTemporaryDir dir;
    ProgramaCli cli{dir.path()};
    QString guion;
};

TEST_F(DocumentosCli, LaTerminacionOfreceLoQueCadaPosicionAdmite) {
    QFile(dir.filePath("muestra.xlsx")).open(QIODevice::WriteOnly);
    QFile(dir.filePath("salida.csv")).open(QIODevice::WriteOnly);
    struct Caso {
        const char* linea;
        QStringList esperadas;  // vacía: nada
    };
    const Caso casos[] = {
        {"garantias-cli imp", {"importar"}},
        {"garantias-cli t", {"tablas", "transmisiones"}},
        {"garantias-cli --", {"--help", "--version"}},
        {"garantias-cli importar --r", {"--rechazos", "--repetir"}},
        {"garantias-cli importar --por-", {"--por-nombre", "--por-posicion"}},
        {"garantias-cli vista --", {"--help", "--tabla"}},
        {"garantias-cli tablas mu", {"muestra.xlsx"}},
        {"garantias-cli importar muestra.xlsx --rechazos sal", {"salida.csv"}},
        // El valor de una opción que no es un archivo no se adivina, y no cuenta como argumento.
        {"garantias-cli importar --tabla ", {}},
        {"garantias-cli --conexion x tr", {"transmisiones"}},
        {"garantias-cli usuario ", {"alta", "baja", "lista"}},
        {"garantias-cli usuario --conexion x b", {"baja"}},
        {"garantias-cli usuario alta ", {}},
        {"garantias-cli serie ", {}},
        {"garantias-cli no-existe ", {}},
    };
    for (const Caso& c : casos) {
        EXPECT_EQ(Ofrece(QString::fromUtf8(c.linea)), c.esperadas) << c.linea;
    }
}

// Cada verbo de --help se ofrece, y después de él exactamente las opciones que nombra su línea de
// uso: una opción que el separador acepta y la ayuda no nombra (o al revés) es un desvío.
TEST_F(DocumentosCli, CadaVerboOfreceLasOpcionesDeSuUso) {
    const auto verbos = VerbosDeLaAyuda();
    ASSERT_GE(verbos.size(), 7u);
    QStringList nombres;
    for (const auto& [verbo, uso] : verbos) nombres << verbo;
    nombres.sort();
    EXPECT_EQ(Ofrece(QStringLiteral("garantias-cli ")), nombres);
    static const QRegularExpression opcion(QStringLiteral("--[a-z0-9-]+"));
    for (const auto& [verbo, uso] : verbos) {
        QStringList delUso{QStringLiteral("--help")};
        for (const auto& m : opcion.globalMatch(uso)) {
            if (!delUso.contains(m.captured())) delUso << m.captured();
        }
        delUso.sort();
        EXPECT_EQ(Ofrece(QStringLiteral("garantias-cli %1 --").arg(verbo)), delUso) << qPrintable(uso);
        for (const QString& o : delUso) {
            const ResultadoCli r = cli.correr({verbo, o, QStringLiteral("--help")});
            EXPECT_FALSE(r.errores.contains(QLatin1String("opción")))
                << qPrintable(verbo + ' ' + o + ": " + r.errores);
        }
    }
}

TEST_F(DocumentosCli, LasPaginasDeManualSeLeenSinAvisosYNombranCadaVerbo) {
    if (QStandardPaths::findExecutable(QStringLiteral("groff")).isEmpty()) GTEST_SKIP() << "falta groff";
    for (const char* pedido : {"--manual", "--manual-ventana"}) {
        const ResultadoCli r = cli.correr({pedido});
        ASSERT_EQ(r.codigo, 0) << pedido;
        const QString pagina = dir.filePath(QStringLiteral("pagina.1"));
        QFile f(pagina);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(r.salida.toUtf8());
        f.close();
        const Proceso avisos = Correr(QStringLiteral("groff"), {"-K", "utf8", "-man", "-ww", "-z", pagina});
        EXPECT_EQ(avisos.codigo, 0) << pedido;
        EXPECT_TRUE(avisos.errores.isEmpty()) << pedido << ": " << qPrintable(avisos.errores);
        Proceso texto = Correr(QStringLiteral("groff"), {"-K", "utf8", "-man", "-Tutf8", "-P-cbou", pagina});
        // groff escribe el guion de una opción como el signo menos de Unicode.
        texto.salida.replace(QChar(0x2212), '-').replace(QChar(0x2010), '-');
        const QString plano = texto.salida.simplified();
        if (QLatin1String(pedido) == QLatin1String("--manual")) {
            for (const auto& [verbo, uso] : VerbosDeLaAyuda()) {
                EXPECT_TRUE(plano.contains(uso.simplified())) << qPrintable(uso);
            }
            EXPECT_TRUE(plano.contains(QLatin1String("--rechazos ARCHIVO.csv"))) << qPrintable(plano);
            EXPECT_TRUE(plano.contains(QLatin1String("130 interrumpido con Ctrl-C")));
        } else {
            EXPECT_TRUE(plano.contains(QLatin1String("@Server=; @dbname= demo;"))) << qPrintable(plano);
        }
    }
}

}  // namespace
