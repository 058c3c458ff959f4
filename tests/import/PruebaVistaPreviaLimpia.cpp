#include <QRegularExpression>

#include "ado/excel/LibrosDePrueba.h"
#include "import/VentanaDePrueba.h"

// La vista previa muestra sólo el archivo y la hoja nombrados: cada "Buscar >>>", cada cambio de
// hoja y cada "Cargar vista previa" la vacían antes de leer, y un origen sin filas lo dice una vez en el
// resumen.
namespace {
const QByteArray kConFilas =
    "eca1,serie,modelo,precio,activacion\r\n"
    "E1,VIEJA-1,TV,1,01/02/2026\r\n"
    "E2,VIEJA-2,Radio,2,02/02/2026\r\n";

// Un número interno entre paréntesis, como "(-2147467259)" o "(3709)".
const QRegularExpression kNumeroInterno(QStringLiteral("\\(-?\\d{3,}\\)"));

class VistaPreviaLimpia : public VentanaDePrueba {
  protected:
    bool muestraFilasViejas() const {
        for (const QString& f : grilla(modelo_->MSFlexGrid2))
            if (f.contains("VIEJA")) return true;
        return false;
    }
};
}  // namespace

TEST_F(VistaPreviaLimpia, BuscarOtroArchivoNoDejaLasFilasDelAnterior) {
    QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89", 33);
    struct Caso {
        const char* nombre;
        QByteArray contenido;
        bool diceSinFilas;  // el resumen dice que no tiene filas
        const char* aviso;  // lo que dice el único cuadro (nullptr: ninguno)
    };
    const Caso casos[] = {
        {"vacio.csv", "", false, "está vacío"},
        {"titulos.csv", "eca1,serie,modelo,precio,activacion\r\n", true, nullptr},
        {"imagen.csv", png, false, "no es un archivo de texto"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        // Cada caso en su carpeta: el controlador de texto lista la carpeta entera.
        buscar(archivo(QStringLiteral("antes_%1/datos.csv").arg(c.nombre), kConFilas));
        ASSERT_TRUE(muestraFilasViejas());
        mensajes_->olvidar();
        if (c.aviso) mensajes_->responder(RespuestaMensaje::Abortar);
        buscar(archivo(QStringLiteral("despues_%1/%1").arg(c.nombre), c.contenido));
        EXPECT_FALSE(muestraFilasViejas()) << qPrintable(grilla(modelo_->MSFlexGrid2).join("\n"));
        const QString resumen = modelo_->lblResumen();
        EXPECT_EQ(resumen.contains("no tiene filas"), c.diceSinFilas) << qPrintable(resumen);
        EXPECT_LE(resumen.count("no tiene filas"), 1);
        QStringList todo = mensajes_->textos();
        todo << resumen << modelo_->lblEstado();
        for (const QString& t : todo) EXPECT_FALSE(t.contains(kNumeroInterno)) << qPrintable(t);
        if (c.aviso) {
            ASSERT_EQ(mensajes_->cuadros().size(), 1u) << qPrintable(mensajes_->textos().join("\n"));
            EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains(QString::fromUtf8(c.aviso)))
                << qPrintable(mensajes_->cuadros()[0].texto);
        } else {
            EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
        }
    }
}

TEST_F(VistaPreviaLimpia, CambiarDeHojaVaciaLaGrilla) {
    const QString ruta = dir_.filePath("origen/libro.xlsx");
    QDir().mkpath(dir_.filePath("origen"));
    LibroAMano libro;
    libro.hojas = {{"Llena",
                    "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>eca1</t></is></c>"
                    "<c r=\"B1\" t=\"inlineStr\"><is><t>serie</t></is></c></row>"
                    "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>E1</t></is></c>"
                    "<c r=\"B2\" t=\"inlineStr\"><is><t>VIEJA-1</t></is></c></row>"},
                   {"Vacia", ""}};
    libro.escribir(ruta);
    buscar(ruta);
    ASSERT_TRUE(muestraFilasViejas()) << qPrintable(grilla(modelo_->MSFlexGrid2).join("\n"));
    ventana_->cmbTabla_Elegir("Vacia");
    EXPECT_FALSE(muestraFilasViejas());
    EXPECT_EQ(campo("SqlPrevio"), "SELECT * FROM [Vacia]");
    ventana_->cmdCargarVistaPrevia_Click();
    EXPECT_FALSE(muestraFilasViejas());
    EXPECT_TRUE(modelo_->lblResumen().contains("no tiene filas")) << qPrintable(modelo_->lblResumen());
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    // Volver a la hoja con filas las muestra y el aviso se va.
    ventana_->cmbTabla_Elegir("Llena");
    ventana_->cmdCargarVistaPrevia_Click();
    EXPECT_TRUE(muestraFilasViejas());
    EXPECT_EQ(modelo_->lblResumen(), "");
}

// Un nombre escrito que no es una tabla del origen: "Cargar vista previa" lo dice y no deja a la
// vista las filas de la tabla anterior bajo el nombre nuevo, se anule o se omita la falla.
TEST_F(VistaPreviaLimpia, UnaTablaEscritaQueNoEstaNoDejaLasFilasDeAntes) {
    const struct {
        const char* nombre;
        int respuesta;
    } casos[] = {{"anular", RespuestaMensaje::Abortar}, {"omitir", RespuestaMensaje::Omitir}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        buscar(archivo(QStringLiteral("%1/datos.csv").arg(c.nombre), kConFilas));
        ASSERT_TRUE(muestraFilasViejas());
        mensajes_->olvidar();
        mensajes_->responder(c.respuesta);
        modelo_->setCmbTablaTexto("no_existe#csv");
        ventana_->cmdCargarVistaPrevia_Click();
        EXPECT_FALSE(muestraFilasViejas()) << qPrintable(grilla(modelo_->MSFlexGrid2).join("\n"));
        ASSERT_FALSE(mensajes_->cuadros().empty());
        EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("no_existe#csv"))
            << qPrintable(mensajes_->cuadros()[0].texto);
    }
}
