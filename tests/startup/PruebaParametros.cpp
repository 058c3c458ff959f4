#include <gtest/gtest.h>

#include "platform/ErrorEjecucion.h"
#include "startup/ParametrosLanzamiento.h"
#include "startup/ReglasConexion.h"

TEST(ParametrosLanzamiento, LeerFicha) {
    struct Caso {
        const char* cadena;
        const char* ficha;
        std::optional<const char*> valor;  // nada: ficha ausente
    };
    const Caso casos[] = {
        {"@dbname= ventas ;", "@DbName", "ventas"},
        {"@SERVER=srv;", "@Server", "srv"},
        {"@Usuario=a=b;", "@Usuario", "ab"},
        {"@UsuarioLogeado=op1; @Usuario=x;", "@Usuario", "Logeadoop1"},
        {"@Usuario=uno; @Usuario=dos;", "@Usuario", "uno"},
        {"@Usuario=  José Pérez  ;", "@Usuario", "José Pérez"},
        {"@Password=;", "@Password", ""},
        {"@Caja=1;orva@", "@Caja", "1"},
        {"@dbname= demo;", "@Usuario", std::nullopt},
        {"", "@Server", std::nullopt},
        {"@ParametroAdicional=abcdefghijklmnopqrstuvwxyz", "@ParametroAdicional", "abcdefghijklmnopqr"},
    };
    for (const auto& c : casos) {
        const auto valor = LeerFicha(QString::fromUtf8(c.cadena), c.ficha);
        ASSERT_EQ(valor.has_value(), c.valor.has_value()) << c.cadena << " " << c.ficha;
        if (valor) EXPECT_EQ(*valor, QString::fromUtf8(*c.valor)) << c.cadena << " " << c.ficha;
    }
}

TEST(ParametrosLanzamiento, UnaFichaSinPuntoYComaEsUnArgumentoNoValido) {
    try {
        LeerFicha("@Server=srv; @dbname= demo", "@DbName");
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 5);
    }
    // Un valor muy largo o con letras de otros alfabetos no rompe nada.
    const QString largo = "@Usuario=" + QString(100000, QChar(0x4E2D)) + ";";
    EXPECT_EQ(LeerFicha(largo, "@Usuario")->size(), 100000);
}

TEST(ReglasConexion, MarcaDePlataformaYNombreDelServidor) {
    QString servidor = "#orcl", texto;
    AplicarMarcaPlataforma(servidor, texto, "ventas", "op1", "secreto");
    EXPECT_EQ(servidor, "orcl");
    EXPECT_EQ(texto, "Provider=OraOLEDB.Oracle.1;Data Source=ventas;User Id=op1;Password=secreto;");

    servidor = "#";
    texto.clear();
    AplicarMarcaPlataforma(servidor, texto, "b", "u", "c");
    EXPECT_EQ(servidor, "");
    EXPECT_EQ(NormalizarServidor(servidor), "");

    servidor = "   ";
    texto.clear();
    AplicarMarcaPlataforma(servidor, texto, "b", "u", "c");
    EXPECT_TRUE(texto.isEmpty());

    struct Caso {
        const char* servidor;
        const char* nombre;
    };
    const Caso casos[] = {{"srv01", "srv01"}, {"srv01:1433", "srv01"},          {"tcp/srv01:1500", "srv01"},
                          {"a/b/c:1", "b/c"}, {"SRV\\SQL2019", "SRV\\SQL2019"}, {"", ""}};
    for (const auto& c : casos) EXPECT_EQ(NormalizarServidor(c.servidor), c.nombre) << c.servidor;
}
