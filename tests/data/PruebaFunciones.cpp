#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>

#include "comun/Pruebas.h"
#include "data/Dll_Funciones.h"

TEST(Dll_Funciones, TextosYRutas) {
    Dll_Funciones f;
    EXPECT_EQ(f.ValorNoNulo(QVariant()), "");
    EXPECT_EQ(f.ValorNoNulo(QVariant(QDate(2026, 12, 9))), "09/12/2026");
    EXPECT_EQ(f.ValorNoNulo(QVariant(12.0)), "12");
    EXPECT_EQ(f.RutaConBarra("/opt/app"), "/opt/app/");
    EXPECT_EQ(f.RutaConBarra("/opt/app/"), "/opt/app/");
    EXPECT_EQ(f.QuitarCaracteres("=a=b=", "="), "ab");
    EXPECT_EQ(f.LimitarLargo("abcdef", 4), "abcd");
    EXPECT_EQ(f.LimitarLargo("ab", 4), "ab");
    EXPECT_EQ(f.FormatearCodigo("1", 4), "   1");
    EXPECT_EQ(f.FormatearCodigo("", 4), "    ");
    EXPECT_EQ(f.FormatearCodigo("12345", 4), "12345");
}

TEST(Dll_Funciones, SepararRuta) {
    struct Caso {
        const char* ruta;
        const char* carpeta;
        const char* archivo;
        const char* extension;
    };
    const Caso casos[] = {
        {"/datos/prov/lista.CSV", "/datos/prov", "lista.CSV", "CSV"},
        {"/datos/lista.2026.xlsx", "/datos", "lista.2026.xlsx", "xlsx"},
        {"/datos/sin_extension", "/datos", "sin_extension", ""},
        {"C:\\prov\\a.dbf", "C:\\prov", "a.dbf", "dbf"},
        {"", "", "", ""},
    };
    Dll_Funciones f;
    for (const auto& c : casos) {
        QString carpeta, archivo, extension;
        f.SepararRuta(c.ruta, carpeta, archivo, extension);
        EXPECT_EQ(carpeta, c.carpeta) << c.ruta;
        EXPECT_EQ(archivo, c.archivo) << c.ruta;
        EXPECT_EQ(extension, c.extension) << c.ruta;
    }
}

TEST(Dll_Funciones, ValorNumerico) {
    Dll_Funciones f;
    EXPECT_DOUBLE_EQ(f.ValorNumerico("1433"), 1433);
    EXPECT_DOUBLE_EQ(f.ValorNumerico(" 45abc"), 45);
    EXPECT_DOUBLE_EQ(f.ValorNumerico("12,34567"), 12.3457);
    EXPECT_DOUBLE_EQ(f.ValorNumerico("-7.5"), -7.5);
    EXPECT_DOUBLE_EQ(f.ValorNumerico(""), 0);
    EXPECT_DOUBLE_EQ(f.ValorNumerico("x1"), 0);
}

TEST(Dll_Funciones, EncriptarEsReversibleYSeGuardaEnUnaListaConComas) {
    Dll_Funciones f;
    const QStringList textos = {"",       "demo", " con blancos ",   "a,b\"c\r\nd", "ñandú ÁÉÍ €",
                                "日本語", "😀 x",  QString(300, 'z'), "VENTAS"};
    for (const QString& t : textos) {
        const QString e = f.Encriptar(t);
        EXPECT_EQ(f.Desencriptar(e), t) << qPrintable(t);
        EXPECT_FALSE(e.contains(',') || e.contains('"') || e.contains('\r') || e.contains('\n'))
            << qPrintable(e);
        EXPECT_EQ(e, e.trimmed());
        if (t.size() > 3) EXPECT_FALSE(e.contains(t)) << "se lee a simple vista: " << qPrintable(e);
    }
    EXPECT_NE(f.Encriptar("clave1"), f.Encriptar("clave2"));
    // Un texto que no salió de Encriptar vuelve tal cual.
    EXPECT_EQ(f.Desencriptar("no-es-mio"), "no-es-mio");
}

TEST(Dll_Funciones, ManejarErrorPreguntaYDevuelveLaRespuesta) {
    MensajesDePrueba mensajes;
    mensajes->responder(5);
    Dll_Funciones f;
    EXPECT_EQ(f.ManejarError(ErrorEjecucion(3265, "El origen no tiene el campo 5", "ADO")), 5);
    ASSERT_EQ(mensajes->cuadros().size(), 1u);
    const auto& c = mensajes->cuadros()[0];
    EXPECT_EQ(Botones::juego(c.estilo), Botones::AbortarReintentarOmitir);
    // Para personas: sólo la descripción, sin el número interno; el título es el del programa.
    EXPECT_EQ(c.texto, "El origen no tiene el campo 5");
    EXPECT_EQ(c.titulo, TituloAplicacion());
}
