#include <QDir>
#include <QStandardPaths>

#include "Acceso.h"
#include "connections/AccesoDirecto.h"

namespace {
// El escritorio del usuario en una carpeta temporal: HOME y la configuración XDG apuntan allí.
class Escritorio : public Acceso {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Acceso::SetUp());
        ASSERT_TRUE(casa_.isValid());
        home_ = qgetenv("HOME");
        configuracion_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", casa_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", casa_.filePath("config").toUtf8());
        escritorio_ = casa_.filePath("Desktop");
        ASSERT_EQ(QDir::cleanPath(CarpetaEscritorio()), QDir::cleanPath(escritorio_));
    }
    void TearDown() override {
        qputenv("HOME", home_);
        if (configuracion_.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", configuracion_);
        Acceso::TearDown();
    }
    QTemporaryDir casa_;
    QString escritorio_;
    QByteArray home_, configuracion_;
};
}  // namespace

TEST_F(Escritorio, ElAccesoDirectoSeEscribeYUnSegundoClicLoSobrescribe) {
    ASSERT_TRUE(QDir().mkpath(escritorio_));
    modelo_.CmdLineaComando_Click();
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join('|'));
    const QString archivo = escritorio_ + "/garantias.desktop";
    ASSERT_EQ(ArchivoAccesoDirecto(), archivo);
    const QString texto = QString::fromUtf8(LeerArchivo(archivo));
    EXPECT_TRUE(texto.startsWith("[Desktop Entry]\nType=Application\n")) << qPrintable(texto);
    EXPECT_TRUE(texto.contains("\nName=garantias\n"));
    EXPECT_TRUE(texto.contains("\nExec=" + Proceso::CarpetaEjecutable() + "garantias\n"))
        << qPrintable(texto);
    EXPECT_TRUE(texto.contains("\nIcon=" + RutaIcono() + "\n"));
    EXPECT_TRUE(LeerArchivo(RutaIcono()).contains("<svg"));
    EXPECT_TRUE(QFileInfo(archivo).isExecutable());

    EscribirArchivo(archivo, "viejo");
    modelo_.CmdLineaComando_Click();
    EXPECT_EQ(QString::fromUtf8(LeerArchivo(archivo)), texto);
}

TEST_F(Escritorio, UnaRutaConBlancosVaEntreComillas) {
    EXPECT_TRUE(TextoAccesoDirecto("/opt/mis programas/garantias", "/i.svg")
                    .contains("\nExec=\"/opt/mis programas/garantias\"\n"));
}

TEST_F(Escritorio, SinEscritorioOSinPermisoSeAvisaConClick) {
    // Sin la carpeta: Abortar deja la acción.
    mensajes_->responder(RespuestaMensaje::Abortar);
    modelo_.CmdLineaComando_Click();
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].titulo.contains(" - Click"))
        << qPrintable(mensajes_->cuadros()[0].titulo);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("(76)"));
    EXPECT_FALSE(QFileInfo::exists(escritorio_));

    // Un acceso directo que no se puede escribir (su nombre es una carpeta): Omitir sigue y
    // termina sin más avisos; Reintentar vuelve a probar.
    ASSERT_TRUE(QDir().mkpath(escritorio_ + "/garantias.desktop"));
    mensajes_->olvidar();
    mensajes_->responder(4);
    mensajes_->responder(5);
    modelo_.CmdLineaComando_Click();
    ASSERT_EQ(mensajes_->cuadros().size(), 2u);
    EXPECT_TRUE(mensajes_->cuadros()[1].texto.contains("(75)"));
    EXPECT_TRUE(mensajes_->cuadros()[1].titulo.contains(" - Click"));
}
