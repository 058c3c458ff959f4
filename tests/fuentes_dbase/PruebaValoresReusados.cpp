// El lector dBase escribe cada texto (C) sobre la memoria del registro anterior: un valor que
// quien lee se guardó no debe cambiar al leer el registro siguiente, y un texto en blanco sigue
// siendo "" (no nulo).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ConstructorDbf.h"
#include "ado/Conexion.h"
#include "comun/Pruebas.h"

TEST(ValoresReusados, LosTextosGuardadosNoCambianAlAvanzar) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {{"NOMBRE", 'C', 12}};
    for (const char* n : {"largo texto", "corto", "", "Caf\xE9"})
        t.registros.push_back(Registro(t.campos, {n}));
    EscribirArchivo(dir.filePath("tabla.dbf"), t.bytes());
    Conexion c;
    c.Open(QStringLiteral("Provider=vfpoledb.1;Data Source=") + dir.path() + ';');
    auto rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [tabla]"));
    std::vector<QVariant> guardados;
    for (; !rs->EOF_(); rs->MoveNext()) guardados.push_back(rs->Field(0));
    ASSERT_EQ(guardados.size(), 4u);
    EXPECT_EQ(guardados[0].toString(), "largo texto");
    EXPECT_EQ(guardados[1].toString(), "corto");
    EXPECT_FALSE(guardados[2].isNull());
    EXPECT_TRUE(guardados[2].toString().isEmpty());
    EXPECT_FALSE(guardados[2].toString().isNull());
    EXPECT_EQ(guardados[3].toString(), QString::fromUtf8("Café"));
}
