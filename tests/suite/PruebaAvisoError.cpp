#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include "comun/SuiteEmbebida.h"
#include "platform/Cp1252.h"
#include "suite/AvisoError.h"

namespace {
class Aviso : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());
        ASSERT_TRUE(tmp_.isValid());
        qputenv("temp", "x");
        qputenv("tmp", tmp_.path().toUtf8());
    }
    void TearDown() override {
        qunsetenv("temp");
        qunsetenv("tmp");
        SuiteEmbebida::TearDown();
    }
    QString registro() { return Cp1252::Decodificar(LeerArchivo(tmp_.filePath("QZERR.LOG"))); }

    QTemporaryDir tmp_;
    MensajesDePrueba mensajes_;
};
}  // namespace

TEST_F(Aviso, MuestraPreguntaYAnotaUnaLinea) {
    mensajes_->responder(3);
    const ErrorEjecucion e(62, "  Leyó después del final ", "garantias");
    EXPECT_EQ(AvisoError(e, std::nullopt, QString("FormLoad")), 3);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    const auto& c = mensajes_->cuadros()[0];
    EXPECT_EQ(c.texto, "Ha ocurrido el Siguiente Error (62) Leyó después del final");
    EXPECT_EQ(c.titulo, "garantias - FormLoad Aviso al operador!!! - 2 ");
    EXPECT_EQ(c.estilo, 18);
    const QString linea = registro();
    static const QRegularExpression forma(
        R"(^\d\d-\d\d-\d{4} \d\d:\d\d:\d\d Rutina: - FormLoad Mensaje Ha ocurrido el Siguiente Error \(62\) Leyó después del final Respondió : Abortar\r\n$)");
    EXPECT_TRUE(forma.match(linea).hasMatch()) << qPrintable(linea);
    EXPECT_TRUE(linea.startsWith(QDate::currentDate().toString("MM-dd-yyyy")));
}

TEST_F(Aviso, RespuestasYCasosDeBorde) {
    struct Caso {
        int numero;
        std::optional<QString> rutina;
        std::optional<int> botones;
        int respuesta;
        const char* fin;  // lo que sigue a "Respondió : "
    };
    const Caso casos[] = {
        {-2147023840, QString("Click"), std::nullopt, 4, "Reintentar"},
        {5, std::nullopt, std::nullopt, 5, "Ignorar"},
        {7, QString("x"), 0, 1, ""},
        {8, QString("x"), 4, 6, "Sí"},
    };
    for (const auto& c : casos) {
        mensajes_->responder(c.respuesta);
        EXPECT_EQ(AvisoError(ErrorEjecucion(c.numero, "d", "o"), c.botones, c.rutina), c.respuesta);
    }
    const QStringList lineas = registro().split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lineas.size(), 4);
    EXPECT_TRUE(lineas[0].contains("Error (-2147023840) d Respondió : Reintentar"));
    EXPECT_TRUE(lineas[1].contains(" Rutina:  Mensaje "));  // sin rutina
    EXPECT_EQ(mensajes_->cuadros()[1].titulo, "o Aviso al operador!!! - 2 ");
    EXPECT_TRUE(lineas[2].endsWith("Respondió : "));
    EXPECT_TRUE(lineas[3].endsWith("Respondió : Sí"));
}

TEST_F(Aviso, ErrorCeroNoMuestraNadaPeroCreaElRegistro) {
    EXPECT_EQ(AvisoError(ErrorEjecucion(0, "nada"), std::nullopt, QString("r")), 0);
    EXPECT_TRUE(mensajes_->cuadros().empty());
    EXPECT_TRUE(QFileInfo::exists(tmp_.filePath("QZERR.LOG")));
    // En la carpeta temporal: sólo el usuario lo lee.
    EXPECT_EQ(QFileInfo(tmp_.filePath("QZERR.LOG")).permissions() &
                  ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(registro().isEmpty());
}

TEST_F(Aviso, CarpetaDelRegistro) {
    qunsetenv("temp");
    qunsetenv("TEMP");
    // Sin "temp", la carpeta del usuario (que se crea): la de un HOME en la carpeta de la prueba.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", tmp_.path().toUtf8());
    EXPECT_EQ(RutaRegistroErrores(),
              Componentes::Sistema().CarpetaPredeterminada() + "QZERR.LOG");  // tmp solo no alcanza
    EXPECT_EQ(RutaRegistroErrores(), tmp_.path() + "/.local/share/garantias/QZERR.LOG");
    qputenv("HOME", home);
    qputenv("TEMP", "1");
    qputenv("tmp", (tmp_.path() + "/").toUtf8());
    EXPECT_EQ(RutaRegistroErrores(), tmp_.path() + "/QZERR.LOG");  // sin barra doble
    qunsetenv("TEMP");
}

TEST_F(Aviso, UnRegistroQueNoSePuedeAbrirNoImpideLaPregunta) {
    qputenv("tmp", (tmp_.path() + "/no/existe").toUtf8());
    mensajes_->responder(5);
    EXPECT_EQ(AvisoError(ErrorEjecucion(9, "x")), 5);
    EXPECT_EQ(mensajes_->cuadros().size(), 1u);
}

TEST_F(Aviso, UnRegistroQueEsUnEnlaceNoSeSigue) {
    // En la carpeta temporal otro usuario puede dejar QZERR.LOG como enlace a un archivo del
    // operador: el cuadro se muestra y la respuesta vuelve, pero nada se escribe a través de él.
    const QString otro = tmp_.filePath("otro.txt");
    EscribirArchivo(otro, "ajeno\n");
    ASSERT_EQ(::symlink(QFile::encodeName(otro).constData(),
                        QFile::encodeName(tmp_.filePath("QZERR.LOG")).constData()),
              0);
    mensajes_->responder(5);
    EXPECT_EQ(AvisoError(ErrorEjecucion(62, "d", "o"), std::nullopt, QString("FormLoad")), 5);
    AnotarAviso("un aviso");
    EXPECT_EQ(LeerArchivo(otro), "ajeno\n");
}
