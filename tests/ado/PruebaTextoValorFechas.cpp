// TextoValor escribe las fechas por su cuenta (es el valor que más se convierte): debe dar
// exactamente lo mismo que la regla regional, también en los bordes.
#include <gtest/gtest.h>

#include <QDateTime>

#include "ado/Valores.h"
#include "platform/Regional.h"

TEST(TextoValor, FechasComoLaReglaRegional) {
    const QDate dias[] = {QDate(1, 1, 1),
                          QDate(99, 12, 31),
                          QDate(999, 3, 4),
                          QDate(1899, 12, 30),
                          QDate(1900, 2, 28),
                          QDate(2009, 5, 11),
                          QDate(2024, 2, 29),
                          QDate(9999, 12, 31),
                          QDate(-44, 3, 15),
                          QDate(10000, 1, 1),
                          QDate()};
    const QTime horas[] = {QTime(0, 0), QTime(0, 0, 1), QTime(6, 34), QTime(23, 59, 59),
                           QTime(12, 0, 0, 999)};
    for (const QDate& d : dias) {
        EXPECT_EQ(TextoValor(d), Regional::TextoFecha(d)) << qPrintable(d.toString(Qt::ISODate));
        for (const QTime& h : horas) {
            const QDateTime m(d, h);
            EXPECT_EQ(TextoValor(m), Regional::TextoFechaHora(m)) << qPrintable(m.toString(Qt::ISODate));
        }
    }
}
