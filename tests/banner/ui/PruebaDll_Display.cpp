#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "banner/ui/Dll_Display.h"
#include "banner/ui/Lbf_CtrlDisplay.h"
#include "comun/Pruebas.h"

namespace {

const QVariant Nulo;
QVariant T(const char* s) { return QVariant(QString::fromUtf8(s)); }

// Un clic de verdad donde está el botón de cancelar (visible o no), entregado a la ventana
// como lo entrega el sistema: si el botón está oculto, el clic cae en el fondo.
void ClicEnCancelar(Lbf_CtrlDisplay* v) {
    ASSERT_NE(v, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(v));
    const QPoint centro = v->findChild<QPushButton*>("CmdDisplayCancelar")->geometry().center();
    QTest::mouseClick(v->windowHandle(), Qt::LeftButton, {}, centro);
}

// Lo que se ve del cartel después de una serie de llamadas.
struct Esperado {
    bool hayVentana = false;
    bool visible = false;
    QString titulo = {};
    bool botonVisible = false;
    QStringList lineas = {"", "", ""};
    bool cancelado = false;  // lo que responde un CartelMostrar() sin líneas al final
};

struct Caso {
    const char* nombre;
    std::function<void(Dll_Display&)> llamadas;
    Esperado esperado;
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

class CartelDisplay : public ::testing::TestWithParam<Caso> {};

TEST_P(CartelDisplay, EstadoTrasLasLlamadas) {
    const Caso& c = GetParam();
    Dll_Display cartel;
    c.llamadas(cartel);
    const Esperado& e = c.esperado;
    Lbf_CtrlDisplay* v = cartel.VentanaAbierta();
    ASSERT_EQ(v != nullptr, e.hayVentana);
    if (!v) return;
    EXPECT_EQ(v->isVisible(), e.visible);
    if (!e.titulo.isEmpty()) {
        EXPECT_EQ(v->windowTitle(), e.titulo);
    }
    EXPECT_EQ(v->BotonVisible(), e.botonVisible);
    EXPECT_EQ(QStringList({v->TextoLinea(0), v->TextoLinea(1), v->TextoLinea(2)}), e.lineas);
    bool cancelado = !e.cancelado;
    cartel.CartelMostrar(cancelado);
    EXPECT_EQ(cancelado, e.cancelado);
    // Mostrar sin líneas no cambia ninguna.
    EXPECT_EQ(QStringList({v->TextoLinea(0), v->TextoLinea(1), v->TextoLinea(2)}), e.lineas);
}

INSTANTIATE_TEST_SUITE_P(
    Estados, CartelDisplay,
    ::testing::Values(
        Caso{"SinLlamadasNoHayVentana", [](Dll_Display&) {}, {.hayVentana = false}},
        Caso{"CerrarSinCartelNoHaceNada", [](Dll_Display& d) { d.CartelCerrar(); }, {.hayVentana = false}},
        Caso{"MostrarAntesDeInicioCreaSinMostrar",
             [](Dll_Display& d) {
                 bool c = true;
                 d.CartelMostrar(c, T("uno"), T("dos"), T("tres"));
                 EXPECT_FALSE(c);
             },
             {.hayVentana = true,
              .titulo = "Procesando Datos",
              .botonVisible = true,
              .lineas = {"uno", "dos", "tres"}}},
        Caso{"InicioSinCancelar",
             [](Dll_Display& d) { d.CartelInicio("Conectando Base de Datos", false); },
             {.hayVentana = true, .visible = true, .titulo = "Conectando Base de Datos"}},
        Caso{"InicioConCancelar",
             [](Dll_Display& d) { d.CartelInicio("Importando", true); },
             {.hayVentana = true, .visible = true, .titulo = "Importando", .botonVisible = true}},
        Caso{"SoloL1DejaLasOtras",
             [](Dll_Display& d) {
                 bool c;
                 d.CartelInicio("t", false);
                 d.CartelMostrar(c, T("a"), T("b"), T("c"));
                 d.CartelMostrar(c, T("x"));
             },
             {.hayVentana = true, .visible = true, .titulo = "t", .lineas = {"x", "b", "c"}}},
        Caso{"OmitidaQuedaNulaSeVacia",
             [](Dll_Display& d) {
                 bool c;
                 d.CartelMostrar(c, T("a"), T("b"), T("c"));
                 d.CartelMostrar(c, Nulo, std::nullopt, Nulo);
             },
             {.hayVentana = true, .botonVisible = true, .lineas = {"", "b", ""}}},
        Caso{"ValoresEnSuFormaDeTexto",
             [](Dll_Display& d) {
                 bool c;
                 d.CartelMostrar(c, QVariant(qlonglong(1234)), QVariant(QDate(2024, 1, 31)), QVariant(true));
             },
             {.hayVentana = true, .botonVisible = true, .lineas = {"1234", "31/01/2024", "Verdadero"}}},
        Caso{"SegundoInicioReusaLaVentanaYSuCancelacion",
             [](Dll_Display& d) {
                 bool c;
                 d.CartelInicio("primero", true);
                 d.CartelMostrar(c, T("a"), T("b"), T("c"));
                 QPointer<Lbf_CtrlDisplay> antes = d.VentanaAbierta();
                 ClicEnCancelar(antes);
                 d.CartelInicio("segundo", false);
                 EXPECT_EQ(d.VentanaAbierta(), antes.data());
             },
             {.hayVentana = true,
              .visible = true,
              .titulo = "segundo",
              .lineas = {"a", "b", "c"},
              .cancelado = true}},
        Caso{"ClicConBotonOcultoNoCancela",
             [](Dll_Display& d) {
                 d.CartelInicio("t", false);
                 ClicEnCancelar(d.VentanaAbierta());
             },
             {.hayVentana = true, .visible = true, .titulo = "t"}},
        Caso{"CerrarYReabrirEmpiezaDeCero",
             [](Dll_Display& d) {
                 bool c;
                 d.CartelInicio("t", true);
                 d.CartelMostrar(c, T("a"), T("b"), T("c"));
                 ClicEnCancelar(d.VentanaAbierta());
                 d.CartelCerrar();
                 d.CartelInicio("otra", true);
             },
             {.hayVentana = true, .visible = true, .titulo = "otra", .botonVisible = true}},
        Caso{"CerrarDejaSinVentana",
             [](Dll_Display& d) {
                 d.CartelInicio("t", true);
                 d.CartelCerrar();
                 d.CartelCerrar();
             },
             {.hayVentana = false}}),
    [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

// Un clic en cancelar lo informa el siguiente CartelMostrar y todos los que siguen.
TEST(CartelDisplayCancelar, ElClicSeInformaHastaCerrar) {
    Dll_Display cartel;
    cartel.CartelInicio("Importando", true);
    bool cancelado = true;
    cartel.CartelMostrar(cancelado, T("fila 1"));
    EXPECT_FALSE(cancelado);
    ClicEnCancelar(cartel.VentanaAbierta());
    for (int i = 0; i < 3; ++i) {
        cancelado = false;
        cartel.CartelMostrar(cancelado, T("fila"));
        EXPECT_TRUE(cancelado) << i;
    }
    cartel.CartelCerrar();
    cartel.CartelMostrar(cancelado);
    EXPECT_FALSE(cancelado) << "una ventana nueva empieza sin cancelar";
}

// Mostrar mira el botón antes de procesar los eventos: un clic que todavía espera en la cola
// lo ve la llamada siguiente, no ésta.
TEST(CartelDisplayCancelar, ElClicEnColaLoVeLaLlamadaSiguiente) {
    Dll_Display cartel;
    cartel.CartelInicio("Importando", true);
    QMetaObject::invokeMethod(cartel.VentanaAbierta(), &Lbf_CtrlDisplay::CmdDisplayCancelar_Click,
                              Qt::QueuedConnection);
    bool cancelado = true;
    cartel.CartelMostrar(cancelado);
    EXPECT_FALSE(cancelado);
    cartel.CartelMostrar(cancelado);
    EXPECT_TRUE(cancelado);
}

// Quien trabaja sin esperar sólo llama a CartelMostrar: eso basta para que la animación avance.
TEST(CartelDisplayAnimacion, MostrarHaceAvanzarLaAnimacion) {
    Dll_Display cartel;
    cartel.CartelInicio("Importando", false);
    Lbf_CtrlDisplay* v = cartel.VentanaAbierta();
    ASSERT_NE(v, nullptr);
    QElapsedTimer reloj;
    reloj.start();
    bool cancelado;
    QList<int> vistos;
    while (reloj.elapsed() < 450) {
        cartel.CartelMostrar(cancelado, T("trabajando"));
        if (vistos.isEmpty() || vistos.last() != v->FotogramaMostrado()) vistos << v->FotogramaMostrado();
        EXPECT_LE(v->Contador(), 12);
    }
    EXPECT_GE(vistos.size(), 3) << "la animación no avanzó";
}

// Cerrar destruye la ventana de verdad; destruir el cartel abierto también.
TEST(CartelDisplayCerrar, LaVentanaSeDestruye) {
    QPointer<Lbf_CtrlDisplay> ventana;
    {
        Dll_Display cartel;
        cartel.CartelInicio("t", false);
        ventana = cartel.VentanaAbierta();
        ASSERT_FALSE(ventana.isNull());
        cartel.CartelCerrar();
        EXPECT_TRUE(ventana.isNull());
        cartel.CartelInicio("t", false);
        ventana = cartel.VentanaAbierta();
    }
    EXPECT_TRUE(ventana.isNull());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<Lbf_CtrlDisplay*>(w), nullptr) << "quedó una ventana del cartel";
}

}  // namespace
