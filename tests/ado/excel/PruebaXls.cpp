// El proveedor de .xls a través de la conexión, sobre las muestras públicas y archivos
// dañados hechos en la prueba.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTemporaryDir>

#include "LibrosDePrueba.h"
#include "comun/Pruebas.h"

TEST(Xls, ValoresConocidosDeLasMuestras) {
    REQUERIR_MUESTRAS();
    const HojaLeida formulas =
        LeerHoja(Muestra(QStringLiteral("xls/formula_test_sjmachin.xls")), QStringLiteral("Sheet1$"));
    EXPECT_EQ(formulas.campos, QStringList({"Description", "Data"}));
    ASSERT_GE(formulas.filas.size(), 1u);
    EXPECT_EQ(formulas.texto(0, 1), QStringLiteral("МОСКВА Москва"));

    const HojaLeida tipos = LeerHoja(Muestra(QStringLiteral("xls/Test_num_double_date_bool_string.xls")),
                                     QStringLiteral("sheet1"));
    EXPECT_EQ(tipos.campos,
              QStringList({"1", "1,02", "11/05/2009", "1", "next value is null", "07/05/2009 11:01:02"}));
    ASSERT_EQ(tipos.filas.size(), 29u);
    EXPECT_EQ(tipos.filas[0][0], QVariant(qlonglong{2}));  // un número entero guardado como decimal
    EXPECT_EQ(tipos.filas[0][1], QVariant(2.04));
    EXPECT_TRUE(tipos.filas[0][4].isNull());
    EXPECT_EQ(tipos.filas[0][5], QVariant(QDateTime(QDate(2009, 5, 8), QTime(11, 1, 2))));

    // Los tres que FreeXL no interpreta: BIFF8 con nombres no ASCII, BIFF5 en Mac Roman con fechas
    // de 1904 y BIFF5 sin registro CODEPAGE.
    const QString formate = Muestra(QStringLiteral("xls/Formate.xls"));
    EXPECT_EQ(HojasDe(formate).join(u'|'), QString::fromUtf8("Blätt1$|ÖÄÜ$|Blätt3$|Formate$"));
    const HojaLeida blatt = LeerHoja(formate, QString::fromUtf8("Blätt1$"));
    EXPECT_EQ(blatt.campos, QStringList({"Huber", "03/07/1907"}));  // B1: serie 2741, DD/MM/YYYY
    ASSERT_GE(blatt.filas.size(), 3u);
    EXPECT_EQ(blatt.texto(0, 0), QString::fromUtf8("Äcker"));
    EXPECT_EQ(blatt.filas[2][1], QVariant(QDateTime(QDate(1899, 12, 30), QTime(6, 34))));  // B4, HH:MM

    const HojaLeida mac =
        LeerHoja(Muestra(QStringLiteral("xls/as3xls_BIFF5.xls")), QStringLiteral("Sheet1$"));
    EXPECT_EQ(mac.campos.value(1), "Hi");
    ASSERT_EQ(mac.filas.size(), 9u);
    EXPECT_EQ(mac.filas[0][2], QVariant(QDate(2007, 2, 22)));  // cuenta desde el 01/01/1904

    const HojaLeida italiano = LeerHoja(Muestra(QStringLiteral("xls/Test_git_issue_231_NoCodePage.xls")),
                                        QStringLiteral("file excel senza nome$"));
    EXPECT_EQ(italiano.campos.size(), 11);
    ASSERT_EQ(italiano.filas.size(), 4u);
    EXPECT_EQ(italiano.texto(0, 7), "9788837089733");  // el ISBN es texto
    EXPECT_EQ(italiano.filas[0][9], QVariant(QDate(2016, 2, 15)));

    // Los resultados guardados de las fórmulas.
    ASSERT_EQ(formulas.filas.size(), 7u);
    EXPECT_EQ(formulas.texto(2, 1), "ABCDEF");
    EXPECT_EQ(formulas.filas[3][1], QVariant(QString()));
    EXPECT_EQ(formulas.filas[4][1], QVariant(true));
    EXPECT_EQ(formulas.texto(5, 1), "#DIV/0!");

    // Los números de serie alrededor del 29/02/1900 que no existió.
    const HojaLeida serie =
        LeerHoja(Muestra(QStringLiteral("xls/Test_git_issue_283_TimeSpan.xls")), QStringLiteral("Sheet1$"));
    ASSERT_EQ(serie.filas.size(), 8u);  // las 990 filas con formato y sin valor no son filas
    EXPECT_EQ(serie.texto(3, 3), "59");
    EXPECT_EQ(serie.texto(3, 2), "28/02/1900");
    EXPECT_EQ(serie.texto(4, 2), "28/02/1900");  // el 60
    EXPECT_EQ(serie.texto(5, 2), "01/03/1900");
}

TEST(Xls, ArchivosQueNoSePuedenLeerFallanConClaridad) {
    QTemporaryDir dir;
    EscribirArchivo(dir.filePath("pagina.xls"),
                    "<html><body><table><tr><td>1</td></tr></table></body></html>");
    EscribirArchivo(dir.filePath("texto.xls"), "Serie\tProducto\r\n1\t2\r\n");
    EscribirArchivo(dir.filePath("vacio.xls"), QByteArray());
    EscribirArchivo(dir.filePath("ceros.xls"), QByteArray(4096, '\0'));
    QByteArray ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    EscribirArchivo(dir.filePath("olecorto.xls"), ole + QByteArray(600, '\x01'));
    struct Caso {
        const char* archivo;
        const char* causa;
    };
    const Caso casos[] = {
        {"noexiste.xls", "No existe"},        {"pagina.xls", "página HTML"},
        {"texto.xls", "archivo de texto"},    {"vacio.xls", "vacío"},
        {"ceros.xls", "no es un libro .xls"}, {"olecorto.xls", "El libro de Excel"},
    };
    for (const Caso& c : casos) {
        const QString ruta = dir.filePath(QString::fromUtf8(c.archivo));
        const QString falla = FallaAlLeer(ruta, QStringLiteral("Sheet1$"));
        EXPECT_TRUE(falla.contains(ruta) && falla.contains(QString::fromUtf8(c.causa)))
            << c.archivo << ": " << qPrintable(falla);
    }
}

// Una muestra real cortada o con bytes cambiados: falla nombrando el libro, nunca da media hoja.
TEST(Xls, UnaMuestraTruncadaOAlteradaFallaConClaridad) {
    TOMAR_MUESTRA(muestra, QStringLiteral("xls/Test_num_double_date_bool_string.xls"));
    QTemporaryDir dir;
    const QByteArray bytes = LeerArchivo(muestra);
    ASSERT_GT(bytes.size(), 3000);
    QByteArray alterado = bytes;
    for (qsizetype i = 600; i < alterado.size(); i += 97) alterado[i] = static_cast<char>(alterado[i] ^ 0xFF);
    const std::pair<QByteArray, const char*> casos[] = {{bytes.left(3000), "truncado"},
                                                        {alterado, "El libro de Excel"}};
    for (const auto& [contenido, causa] : casos) {
        const QString ruta = dir.filePath(QStringLiteral("danado.xls"));
        EscribirArchivo(ruta, contenido);
        const QString falla = FallaAlLeer(ruta, QStringLiteral("Sheet1$"));
        EXPECT_TRUE(falla.contains(ruta) && falla.contains(QString::fromUtf8(causa)))
            << causa << ": " << qPrintable(falla);
    }
}

TEST(Xls, HojaInexistenteNombraLaHojaYElLibro) {
    REQUERIR_MUESTRAS();
    const QString ruta = Muestra(QStringLiteral("xls/formula_test_sjmachin.xls"));
    const QString falla = FallaAlLeer(ruta, QStringLiteral("Hoja1$"));
    EXPECT_TRUE(falla.contains("Hoja1$") && falla.contains(ruta) && falla.contains("Sheet1"))
        << qPrintable(falla);
}
