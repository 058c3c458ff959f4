#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "connections/Acceso.h"
#include "connections/ui/frmAcceso.h"
#include "platform/Dll_Sistema.h"
#include "suite/Sesion.h"

namespace {
class Ventana : public Acceso {
  protected:
    // Carga el modelo y muestra la ventana activa, como la deja el ingreso.
    frmAcceso& abrir() {
        modelo_.Form_Load();
        modelo_.mostrar();
        ventana_ = std::make_unique<frmAcceso>(modelo_);
        ventana_->Centrar();
        ventana_->show();
        QApplication::setActiveWindow(ventana_.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(ventana_.get()));
        QApplication::processEvents();
        return *ventana_;
    }
    QWidget* foco() { return QApplication::focusWidget(); }

    std::unique_ptr<frmAcceso> ventana_;
};
}  // namespace

TEST_F(Ventana, ControlesComoEnElDiseno) {
    frmAcceso& v = abrir();
    EXPECT_EQ(v.size(), QSize(579, 313));
    EXPECT_EQ(v.windowTitle(), "Control de Acceso");
    EXPECT_TRUE(v.windowFlags() & Qt::FramelessWindowHint);
    struct Caso {
        const char* nombre;
        QRect lugar;
    };
    const Caso casos[] = {
        {"Label1_2", {0, 0, 585, 25}},
        {"Label7", {0, 24, 585, 49}},
        {"Label8", {0, 60, 585, 17}},
        {"framAcceso", {8, 96, 313, 156}},
        {"TxtUserId", {96, 16, 209, 19}},
        {"TxtServidor", {96, 88, 209, 19}},
        {"CboPlataformaDB", {95, 126, 146, 21}},
        {"TxtPuerto", {256, 128, 49, 19}},
        {"lstBases", {336, 96, 225, 132}},
        {"CmdRegistrar", {336, 232, 73, 17}},
        {"CmdLineaComando", {424, 232, 130, 17}},
        {"bcAceptar", {168, 280, 106, 25}},
        {"bcCancelar", {304, 280, 106, 24}},
    };
    for (const Caso& c : casos) {
        QWidget* w = v.findChild<QWidget*>(c.nombre);
        ASSERT_NE(w, nullptr) << c.nombre;
        EXPECT_EQ(w->geometry(), c.lugar) << c.nombre;
    }
    EXPECT_EQ(v.findChild<QLabel*>("Label7")->font().family(), "DejaVu Sans");
    EXPECT_EQ(v.findChild<QLabel*>("Label7")->font().pointSizeF(), 24);
    EXPECT_TRUE(v.Label8()->font().underline());
    EXPECT_EQ(v.Label8()->text(), ModeloAcceso::DireccionWeb());
    EXPECT_EQ(v.caja(Caja::TxtUserId)->toolTip(), "Ingrese el nombre de usuario");
    EXPECT_EQ(v.caja(Caja::TxtPuerto)->toolTip(), "Ingrese el Puerto ");
    EXPECT_EQ(v.caja(Caja::TxtUserPassword)->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(v.bcAceptar()->font().bold());
    for (QPushButton* b : v.findChildren<QPushButton*>())
        EXPECT_FALSE(b->autoDefault() || b->isDefault()) << qPrintable(b->text());
    EXPECT_EQ(v.CboPlataformaDB()->count(), 2);
    EXPECT_EQ(v.CboPlataformaDB()->itemText(1), "ORACLE");
    // El orden de tabulación empieza por las cuatro cajas.
    EXPECT_EQ(v.caja(Caja::TxtUserId)->nextInFocusChain(), v.caja(Caja::TxtUserPassword));
    EXPECT_EQ(v.caja(Caja::TxtServidor)->nextInFocusChain(), v.CboPlataformaDB());
}

TEST_F(Ventana, SugerenciasSeleccionadasYReemplazadasAlEscribir) {
    frmAcceso& v = abrir();
    QLineEdit* usuario = v.caja(Caja::TxtUserId);
    EXPECT_EQ(foco(), usuario);
    EXPECT_EQ(usuario->text(), "Ingrese el usuario");
    EXPECT_EQ(usuario->selectedText(), "Ingrese el usuario");
    QLineEdit* base = v.caja(Caja::TxtDbName);
    EXPECT_EQ(base->text(), "ingrese el nombre de la base de datos");
    base->setFocus();
    base->selectAll();
    QTest::keyClicks(base, "ventas");
    EXPECT_EQ(base->text(), "ventas");
    EXPECT_EQ(modelo_.texto(Caja::TxtDbName), "ventas");
    base->selectAll();
    QTest::keyClick(base, Qt::Key_Delete);
    EXPECT_EQ(base->text(), "ingrese el nombre de la base de datos");  // vuelve, seleccionada
    EXPECT_EQ(base->selectedText(), base->text());
    EXPECT_EQ(v.caja(Caja::TxtPuerto)->text(), "1433");
}

TEST_F(Ventana, EnterPasaDeCajaEnCajaYNoApretaConectar) {
    frmAcceso& v = abrir();
    ASSERT_EQ(foco(), v.caja(Caja::TxtUserId));
    QTest::keyClicks(foco(), "op1");
    QTest::keyClick(foco(), Qt::Key_Return);
    EXPECT_EQ(foco(), v.caja(Caja::TxtUserPassword));
    QTest::keyClicks(foco(), "clave");
    QTest::keyClick(foco(), Qt::Key_Enter);
    EXPECT_EQ(foco(), v.caja(Caja::TxtDbName));
    QTest::keyClick(foco(), Qt::Key_Return);
    EXPECT_EQ(foco(), v.caja(Caja::TxtServidor));
    QTest::keyClick(foco(), Qt::Key_Return);
    EXPECT_EQ(foco(), v.bcAceptar());
    QTest::keyClick(foco(), Qt::Key_Return);  // no es el botón por defecto
    EXPECT_TRUE(v.isVisible());
    EXPECT_TRUE(modelo_.visible());
    EXPECT_EQ(v.caja(Caja::TxtUserPassword)->displayText(), "*****");
}

TEST_F(Ventana, EscApretaCancelarYNoTocaLaSesion) {
    frmAcceso& v = abrir();
    sesion().Usuario = "antes";
    QTest::keyClicks(v.caja(Caja::TxtUserId), "otro");
    QTest::keyClick(v.caja(Caja::TxtUserId), Qt::Key_Escape);
    EXPECT_FALSE(v.isVisible());
    EXPECT_FALSE(modelo_.Aceptar);
    EXPECT_EQ(sesion().Usuario, "antes");
}

TEST_F(Ventana, DobleClicEnUnaConexionLaEligeYConecta) {
    GrabarBase("VENTAS / SRV01", "ventas", "ventas", "ventas", "srv01:1500");
    GrabarBase("DEMO /", "demo", "demo", "demo", "");
    frmAcceso& v = abrir();
    ASSERT_EQ(v.lstBases()->count(), 2);
    EXPECT_EQ(v.caja(Caja::TxtServidor)->text(), "SRV01");  // la primera, elegida al cargar
    QTest::keyClick(v.lstBases(), Qt::Key_Down);            // mover la selección es un clic
    EXPECT_EQ(v.caja(Caja::TxtDbName)->text(), "demo");
    EXPECT_EQ(v.caja(Caja::TxtServidor)->text(), "ingrese el nombre del servidor e instancia");
    const QRect fila = v.lstBases()->visualItemRect(v.lstBases()->item(0));
    QTest::mouseClick(v.lstBases()->viewport(), Qt::LeftButton, {}, fila.center());
    QTest::mouseDClick(v.lstBases()->viewport(), Qt::LeftButton, {}, fila.center());
    EXPECT_FALSE(v.isVisible());
    EXPECT_TRUE(modelo_.Aceptar);
    EXPECT_EQ(modelo_.texto(Caja::TxtServidor), "SRV01");
    EXPECT_EQ(modelo_.texto(Caja::TxtPuerto), "1500");
    EXPECT_EQ(sesion().Usuario, "");
}

TEST_F(Ventana, ConectarSinArchivoRegistraLaConexion) {
    frmAcceso& v = abrir();
    v.caja(Caja::TxtDbName)->selectAll();
    QTest::keyClicks(v.caja(Caja::TxtDbName), "demo");
    QTest::mouseClick(v.bcAceptar(), Qt::LeftButton);
    EXPECT_FALSE(v.isVisible());
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join('|'));
    EXPECT_TRUE(leerBases().startsWith("DEMO /,demo,demo,"));
}

TEST_F(Ventana, Label8AbreLaDireccion) {
    QStringList lanzado;
    Dll_Sistema::FijarLanzador([&](const QString& programa, const QStringList& argumentos) {
        lanzado << programa << argumentos;
        return true;
    });
    frmAcceso& v = abrir();
    QTest::mouseClick(v.Label8(), Qt::LeftButton);
    Dll_Sistema::FijarLanzador({});
    EXPECT_TRUE(lanzado.join(' ').contains("https://garantias.example.org")) << qPrintable(lanzado.join(' '));
}
