#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "banner/ui/Lbf_CtrlDisplay.h"
#include "comun/Pruebas.h"

namespace {

bool MismaImagen(const QPixmap& a, const QPixmap& b) {
    return !a.isNull() && a.toImage().convertToFormat(QImage::Format_RGB32) ==
                              b.toImage().convertToFormat(QImage::Format_RGB32);
}

// Recién creada: ventana propia sin borde, fuera de la barra de tareas, 523 x 186 centrada,
// semitransparente, con el título de diseño, el botón sin cancelar y el fotograma 1.
TEST(VentanaCartel, LaCargaDejaLaVentanaComoSeDiseno) {
    Lbf_CtrlDisplay v;
    EXPECT_TRUE(v.isWindow());
    EXPECT_EQ(v.parentWidget(), nullptr);
    EXPECT_EQ(v.windowType(), Qt::Tool);
    EXPECT_TRUE(v.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(v.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(v.minimumSize(), v.maximumSize()) << "el tamaño no se puede cambiar";
    EXPECT_EQ(v.windowTitle(), QStringLiteral("Procesando Datos"));
    EXPECT_EQ(v.palette().color(QPalette::Window), QColor(Qt::white));

    EXPECT_EQ(v.size(), QSize(523, 186));
    const QRect pantalla = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(v.pos(), QPoint(pantalla.left() + (pantalla.width() - 523) / 2,
                              pantalla.top() + (pantalla.height() - 186) / 2));
    EXPECT_NEAR(v.windowOpacity(), 200.0 / 255.0, 1.0 / 255.0);

    EXPECT_EQ(v.TituloBoton(), QStringLiteral("&Cancelar"));
    EXPECT_EQ(v.Contador(), 0);
    EXPECT_EQ(v.FotogramaMostrado(), 1);
    EXPECT_TRUE(MismaImagen(v.findChild<QLabel*>("Image1")->pixmap(), v.Fotograma(1)));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(v.TextoLinea(i), QString()) << i;
    EXPECT_FALSE(v.isVisible()) << "crearla no la muestra";
}

// Las medidas de diseño en twips, a 15 por píxel.
TEST(VentanaCartel, ControlesEnSuLugar) {
    Lbf_CtrlDisplay v;
    const struct {
        const char* nombre;
        QRect lugar;
    } casos[] = {
        {"LblCtrol0", {0, 8, 521, 19}},
        {"LblCtrol1", {0, 32, 521, 19}},
        {"LblCtrol2", {0, 56, 521, 19}},
        {"Image1", {232, 88, 73, 65}},
        {"CmdDisplayCancelar", {208, 160, 113, 25}},
    };
    for (const auto& c : casos) {
        QWidget* control = v.findChild<QWidget*>(c.nombre);
        ASSERT_NE(control, nullptr) << c.nombre;
        EXPECT_EQ(control->geometry(), c.lugar) << c.nombre;
    }
    for (const char* nombre : {"LblCtrol0", "LblCtrol1", "LblCtrol2"}) {
        QLabel* linea = v.findChild<QLabel*>(nombre);
        EXPECT_TRUE(linea->alignment() & Qt::AlignHCenter) << nombre;
        EXPECT_TRUE(linea->font().bold()) << nombre;
        EXPECT_EQ(linea->textFormat(), Qt::PlainText) << nombre;
        EXPECT_TRUE(linea->autoFillBackground()) << nombre;
        EXPECT_EQ(linea->palette().color(QPalette::Window), QColor(Qt::white)) << nombre;
        // El texto en negrita entra en la línea.
        EXPECT_LE(linea->fontMetrics().height(), linea->height()) << nombre;
    }
    QLabel* imagen = v.findChild<QLabel*>("Image1");
    EXPECT_EQ(imagen->alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(imagen->pixmap().size(), QSize(32, 32)) << "a su tamaño natural";
}

// Cada paso del reloj muestra el fotograma del contador: 1..12 y otra vez 1; el contador
// nunca pasa de 12.
TEST(VentanaCartel, ElRelojRecorreLosFotogramasEnVuelta) {
    Lbf_CtrlDisplay v;
    QLabel* imagen = v.findChild<QLabel*>("Image1");
    for (int paso = 0; paso < 30; ++paso) {
        v.Timer1_Timer();
        const int esperado = paso % 12 + 1;
        EXPECT_EQ(v.FotogramaMostrado(), esperado) << "paso " << paso;
        EXPECT_TRUE(MismaImagen(imagen->pixmap(), v.Fotograma(esperado))) << "paso " << paso;
        EXPECT_LE(v.Contador(), 12);
        EXPECT_EQ(v.Contador(), esperado % 12);
    }
}

// El reloj corre solo desde que la ventana existe, aunque no se vea, cada 100 ms.
TEST(VentanaCartel, ElRelojCorreDesdeLaCreacion) {
    Lbf_CtrlDisplay v;
    QTimer* reloj = v.findChild<QTimer*>("Timer1");
    ASSERT_NE(reloj, nullptr);
    EXPECT_TRUE(reloj->isActive());
    EXPECT_EQ(reloj->interval(), 100);
    QTest::qWait(450);
    // Unos cuatro pasos; con la máquina cargada pueden ser menos, nunca una vuelta entera.
    EXPECT_GE(v.Contador(), 1);
    EXPECT_LE(v.Contador(), 8);
    EXPECT_EQ(v.FotogramaMostrado(), v.Contador());
}

// Un clic de verdad en el botón (por la ventana, como lo entrega el sistema) lo deja en
// "Abortado"; otro clic no cambia nada.
TEST(VentanaCartel, ClicEnCancelarPasaAAbortado) {
    Lbf_CtrlDisplay v;
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    QPushButton* boton = v.findChild<QPushButton*>("CmdDisplayCancelar");
    ASSERT_NE(boton, nullptr);
    QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, boton->geometry().center());
    EXPECT_EQ(v.TituloBoton(), QStringLiteral("Abortado"));
    QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {}, boton->geometry().center());
    EXPECT_EQ(v.TituloBoton(), QStringLiteral("Abortado"));
    // Fuera del botón, nada.
    Lbf_CtrlDisplay otra;
    otra.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&otra));
    QTest::mouseClick(otra.windowHandle(), Qt::LeftButton, {}, QPoint(20, 170));
    EXPECT_EQ(otra.TituloBoton(), QStringLiteral("&Cancelar"));
}

// Un cierre pedido desde fuera (Alt+F4, el gestor de ventanas) no la cierra: el cartel lo
// cierra quien lo abrió.
TEST(VentanaCartel, PedirleQueSeCierreNoLaCierra) {
    Lbf_CtrlDisplay v;
    v.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    EXPECT_FALSE(v.close());
    EXPECT_TRUE(v.isVisible());
}

}  // namespace
