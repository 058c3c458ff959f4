#include <gtest/gtest.h>

#include <QDateTime>

#include "ado/Valores.h"
#include "ado/excel/FechasExcel.h"

TEST(FechasExcel, NumeroDeSerieAFecha) {
    struct Caso {
        double serie;
        bool sistema1904;
        const char* texto;  // como lo ve el operador; "" si no es una fecha
    };
    const Caso casos[] = {
        {1, false, "01/01/1900"},
        {59, false, "28/02/1900"},
        {60, false, "28/02/1900"},
        {61, false, "01/03/1900"},
        {45000, false, "15/03/2023"},
        {0.5, false, "30/12/1899 12:00:00"},
        {45000.999999999, false, "16/03/2023"},  // se redondea al milisegundo
        {0, true, "01/01/1904"},
        {42735, true, "01/01/2021"},
        {2958465, false, "31/12/9999"},
        {-1, false, ""},
        {2958466, false, ""},
    };
    for (const Caso& c : casos) {
        EXPECT_EQ(TextoValor(FechaDeSerie(c.serie, c.sistema1904)), QString::fromUtf8(c.texto)) << c.serie;
    }
    EXPECT_EQ(FechaDeSerie(45000, false).typeId(), QMetaType::QDate);
    EXPECT_EQ(FechaDeSerie(45000.25, false).typeId(), QMetaType::QDateTime);
}

TEST(FechasExcel, FormatosDeFecha) {
    struct Caso {
        int id;
        const char* codigo;
        bool fecha;
    };
    const Caso casos[] = {
        {14, "", true},           {22, "", true},
        {45, "", true},           {46, "", false},
        {0, "", false},           {49, "", false},
        {-1, "dd/mm/yyyy", true}, {-1, "yyyy\\-mm\\-dd", true},
        {-1, "h:mm AM/PM", true}, {-1, "[$-F800]dddd, mmmm dd, yyyy", true},
        {-1, "[h]:mm:ss", false}, {-1, "[mm]:ss", false},
        {-1, "[Red]0.00", false}, {-1, "\"day \"0", false},
        {-1, "0.00\\d", false},   {-1, "#,##0 _€;[Red]-#,##0", false},
        {-1, "General", false},   {-1, "@", false},
        {-1, "0;\"y\"", false},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(EsFormatoFecha(c.id, QString::fromUtf8(c.codigo)), c.fecha) << c.id << " " << c.codigo;
}

TEST(FechasExcel, FechaDeTexto) {
    EXPECT_EQ(FechaDeTexto("2009-05-11"), QVariant(QDate(2009, 5, 11)));
    EXPECT_EQ(FechaDeTexto("2009-05-07 11:01:02"), QVariant(QDateTime(QDate(2009, 5, 7), QTime(11, 1, 2))));
    EXPECT_EQ(FechaDeTexto("06:34:00"), QVariant(QDateTime(QDate(1899, 12, 30), QTime(6, 34))));
    EXPECT_EQ(FechaDeTexto("1900-02-29"), QVariant(QDate(1900, 2, 28)));
    EXPECT_FALSE(FechaDeTexto("ayer").isValid());
}
