// Los libros públicos de ../shared/fixtures: cada uno lista sus hojas y se lee entero sin falla,
// con algunos valores conocidos.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>

#include "LibrosDePrueba.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

namespace {
struct Muestra_ {
    const char* archivo;
    const char* hojas;  // separadas por "|"
};

const Muestra_ kMuestras[] = {
    {"xls/formula_test_sjmachin.xls", "Sheet1$|Sheet2$|Sheet3$"},
    {"xls/Test_num_double_date_bool_string.xls", "Sheet1$|Sheet2$|Sheet3$"},
    {"xls/Test_git_issue_283_TimeSpan.xls", "Sheet1$"},
    {"xls/Formate.xls", "Blätt1$|ÖÄÜ$|Blätt3$|Formate$"},
    {"xls/as3xls_BIFF5.xls", "Sheet1$|Sheet2$|Sheet3$"},
    {"xls/Test_git_issue_231_NoCodePage.xls", "file excel senza nome$"},
    {"xlsx/Test_num_double_date_bool_string.xlsx", "Sheet1$|Sheet2$|Sheet3$"},
    {"xlsx/inlineStr_with_value.xlsx", "Requirements$"},
    {"xlsx/issues.xlsx", "datatypes$|Sheet1$|issue2$|issue5$|issue6$|spc_chrs$"},
    {"xlsx/date_1904.xlsx", "Sheet1$"},
    {"xlsx/Test_Excel_Dataset.xlsx", "test.csv$|Sheet2$|Sheet3$"},
    {"xlsx/NoDimensionOrCellReferenceAttribute.xlsx", "Continent$|Country$"},
};
}  // namespace

TEST(MuestrasExcel, CadaLibroListaSusHojasYSeLeeEntero) {
    REQUERIR_MUESTRAS();
    for (const Muestra_& m : kMuestras) {
        const QString ruta = Muestra(QString::fromUtf8(m.archivo));
        ASSERT_FALSE(ruta.isEmpty()) << m.archivo;
        const QStringList hojas = HojasDe(ruta);
        EXPECT_EQ(hojas.join(u'|'), QString::fromUtf8(m.hojas)) << m.archivo;
        for (const QString& h : hojas) {
            try {
                const HojaLeida leida = LeerHoja(ruta, h);
                EXPECT_GE(leida.campos.size(), 1) << m.archivo << " " << qPrintable(h);
            } catch (const ErrorEjecucion& e) {
                ADD_FAILURE() << m.archivo << " " << qPrintable(h) << ": " << qPrintable(e.descripcion());
            }
        }
    }
}

// La primera fila de cada hoja es la cabecera: los valores conocidos de la fila 1 son nombres de campo.
TEST(MuestrasExcel, ValoresConocidosDeLosXlsx) {
    REQUERIR_MUESTRAS();
    const HojaLeida d1904 =
        LeerHoja(Muestra(QStringLiteral("xlsx/date_1904.xlsx")), QStringLiteral("Sheet1$"));
    EXPECT_EQ(d1904.campos, QStringList({"01/01/2021", "15"}));
    ASSERT_EQ(d1904.filas.size(), 2u);
    EXPECT_EQ(d1904.filas[0][0], QVariant(QDate(2021, 1, 2)));

    const HojaLeida tipos = LeerHoja(Muestra(QStringLiteral("xlsx/Test_num_double_date_bool_string.xlsx")),
                                     QStringLiteral("Sheet1"));
    EXPECT_EQ(tipos.campos,
              QStringList({"1", "1,02", "11/05/2009", "1", "next value is null", "07/05/2009 11:01:02"}));
    ASSERT_EQ(tipos.filas.size(), 29u);
    EXPECT_TRUE(tipos.filas[0][4].isNull());
    EXPECT_EQ(tipos.filas[0][5], QVariant(QDateTime(QDate(2009, 5, 8), QTime(11, 1, 2))));

    const HojaLeida simbolos =
        LeerHoja(Muestra(QStringLiteral("xlsx/issues.xlsx")), QStringLiteral("spc_chrs$"));
    EXPECT_EQ(simbolos.campos, QStringList{"&"});
    ASSERT_EQ(simbolos.filas.size(), 7u);
    EXPECT_EQ(simbolos.texto(4, 0), QStringLiteral("☺"));

    const HojaLeida sinR = LeerHoja(Muestra(QStringLiteral("xlsx/NoDimensionOrCellReferenceAttribute.xlsx")),
                                    QStringLiteral("Country$"));
    EXPECT_EQ(sinR.campos.size(), 8);
    EXPECT_EQ(sinR.filas.size(), 19u);
    EXPECT_EQ(sinR.texto(0, 1), QStringLiteral("GPR 250 EUR AUS"));
}
