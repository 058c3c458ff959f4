// El proveedor de texto escribe cada valor sobre la memoria del de la fila anterior: un valor que
// quien lee se guardó no debe cambiar al leer la fila siguiente.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ado/Conexion.h"
#include "comun/Pruebas.h"

TEST(ValoresReusados, LosValoresGuardadosNoCambianAlAvanzar) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Textos más largos y más cortos que los de antes, ASCII y no ASCII, vacíos y entre comillas.
    EscribirArchivo(
        dir.filePath("datos.csv"),
        "a,b\n1,corto\n22,un texto bastante m\xC3\xA1s largo\n,\"q\"\"q\"\n4444,x\n55555,\xC3\xB1\n");
    Conexion c;
    c.Open(QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + dir.path() + ';');
    auto rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [datos#csv]"));
    std::vector<QVariant> guardados;
    for (; !rs->EOF_(); rs->MoveNext()) {
        guardados.push_back(rs->Field(0));
        guardados.push_back(rs->Field(1));
    }
    const std::vector<QVariant> esperados = {
        QString("1"),     QString("corto"),
        QString("22"),    QString::fromUtf8("un texto bastante más largo"),
        QVariant(),       QString("q\"q"),
        QString("4444"),  QString("x"),
        QString("55555"), QString::fromUtf8("ñ")};
    ASSERT_EQ(guardados.size(), esperados.size());
    for (std::size_t i = 0; i < esperados.size(); ++i) {
        EXPECT_EQ(guardados[i].isNull(), esperados[i].isNull()) << i;
        EXPECT_EQ(guardados[i].toString(), esperados[i].toString()) << i;
    }
}
