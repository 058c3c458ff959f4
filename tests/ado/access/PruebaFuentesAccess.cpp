#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <map>

#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

namespace {

QString TextoAccess(const QString& ruta) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + ruta +
           QStringLiteral(";Jet OLEDB:Database Password=;");
}

QStringList Tablas(Conexion& c) {
    QStringList nombres;
    auto rs = c.OpenSchemaTablas();
    for (; !rs->EOF_(); rs->MoveNext()) nombres << rs->Field(0).toString();
    return nombres;
}

// Todas las filas de una tabla, cada valor como lo ve el operador.
std::vector<QStringList> Filas(Conexion& c, const QString& tabla) {
    std::vector<QStringList> filas;
    auto rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [") + tabla + ']');
    for (; !rs->EOF_(); rs->MoveNext()) {
        QStringList fila;
        for (int i = 0; i < rs->FieldCount(); ++i) fila << TextoValor(rs->Field(i));
        filas.push_back(fila);
    }
    return filas;
}

// Abre y lee todo; devuelve la descripción de la falla, o vacío si no falló.
QString LeerTodo(const QString& ruta) {
    try {
        Conexion c;
        c.Open(TextoAccess(ruta));
        for (const QString& t : Tablas(c)) Filas(c, t);
        return {};
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
        return e.descripcion().isEmpty() ? QStringLiteral("(sin descripción)") : e.descripcion();
    }
}

class Access : public ::testing::Test {
  protected:
    void SetUp() override { REQUERIR_MUESTRAS(); }
    void abrir(const char* muestra) {
        const QString ruta = Muestra(QStringLiteral("mdb/") + muestra);
        ASSERT_FALSE(ruta.isEmpty()) << muestra;
        c.Open(TextoAccess(ruta));
    }
    Conexion c;
};

TEST_F(Access, CadaMuestraListaSusTablasYSeLeeEntera) {
    struct Caso {
        const char* archivo;
        std::vector<std::pair<const char*, int>> tablas;  // tablas del usuario y sus filas
    };
    const Caso casos[] = {
        {"testV1997.mdb", {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}},
        {"test2V1997.mdb", {{"MSP_PROJECTS", 1}}},
        {"test2V2000.mdb", {{"MSP_PROJECTS", 1}}},
        {"compIndexTestV2000.mdb", {{"Table1", 512}}},
        {"testUnicodeCompV2003.mdb", {{"Table", 8}}},
        {"testIndexCodesV1997.mdb", {{"Table1", 275}, {"Table14", 256}, {"Table12_desc_desc", -1}}},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.archivo);
        TOMAR_MUESTRA(ruta, QStringLiteral("mdb/") + caso.archivo);
        Conexion conexion;
        conexion.Open(TextoAccess(ruta));
        const QStringList tablas = Tablas(conexion);
        // Las del sistema también se informan: quien lista las filtra.
        EXPECT_EQ(tablas.value(0), "MSysObjects");
        for (const auto& [tabla, filas] : caso.tablas) {
            EXPECT_TRUE(tablas.contains(QString::fromUtf8(tabla))) << tabla;
            if (filas >= 0)
                EXPECT_EQ(Filas(conexion, QString::fromUtf8(tabla)).size(), std::size_t(filas)) << tabla;
        }
        for (const QString& t : tablas) EXPECT_NO_THROW(Filas(conexion, t)) << qPrintable(t);
    }
}

// Las filas que cuenta mdb-export en las 29 tablas del usuario.
TEST_F(Access, LasTablasDeIndicesSuman1536Filas) {
    ASSERT_NO_FATAL_FAILURE(abrir("testIndexCodesV1997.mdb"));
    std::size_t total = 0;
    for (const QString& t : Tablas(c)) {
        if (!t.startsWith("MSys")) total += Filas(c, t).size();
    }
    EXPECT_EQ(total, 1536u);
}

TEST_F(Access, ValoresTipadosDeJet3) {
    ASSERT_NO_FATAL_FAILURE(abrir("testV1997.mdb"));
    auto rs = c.abrirRecordset("SELECT * FROM [Table1]");
    ASSERT_EQ(rs->FieldCount(), 9);
    EXPECT_EQ(rs->FieldName(0), "A");
    ASSERT_FALSE(rs->EOF_());
    EXPECT_EQ(rs->Field(0), QVariant(QString("a")));
    EXPECT_EQ(rs->Field(2).typeId(), QMetaType::LongLong);
    EXPECT_EQ(rs->Field(6), QVariant(QDate(1981, 12, 12)));
    EXPECT_EQ(rs->Field(8), QVariant(false));
    rs->MoveNext();
    ASSERT_FALSE(rs->EOF_());
    const QStringList esperado = {"abcdefg", "hijklmnop",  "2",   "222",      "333333333",
                                  "444,555", "21/09/1974", "3,5", "Verdadero"};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(TextoValor(rs->Field(i)), esperado[i]) << i;
    EXPECT_EQ(rs->Field(5), QVariant(444.555));
    EXPECT_EQ(rs->Field(7), QVariant(3.5));
    rs->MoveNext();
    EXPECT_TRUE(rs->EOF_());
}

TEST_F(Access, TextosDeJet4ConCompresionUnicode) {
    ASSERT_NO_FATAL_FAILURE(abrir("testUnicodeCompV2003.mdb"));
    std::map<QString, QString> porId;
    for (const QStringList& f : Filas(c, "Table")) porId[f.value(0)] = f.value(1);
    EXPECT_EQ(porId["2"], QString::fromUtf8("ääkkösiä"));
    EXPECT_EQ(porId["3"], QString::fromUtf8("Мир"));
    EXPECT_EQ(porId["5"], QString::fromUtf8("漢字仮名交じり文"));
}

TEST_F(Access, PrimeraFilaDeUnaTablaDeVariasPaginas) {
    ASSERT_NO_FATAL_FAILURE(abrir("compIndexTestV2000.mdb"));
    const auto filas = Filas(c, "Table1");
    ASSERT_EQ(filas.size(), 512u);
    EXPECT_EQ(filas[0], (QStringList{"19", "abc", "def"}));
}

TEST_F(Access, Jet3LeeElJuegoDeCaracteresDeWindows) {
    // Table14 guarda "a" + byte + "a" para cada byte: las letras de Windows-1252 llegan como tales.
    ASSERT_NO_FATAL_FAILURE(abrir("testIndexCodesV1997.mdb"));
    QStringList textos;
    for (const QStringList& f : Filas(c, "Table14")) textos << f.join('|');
    const QString todo = textos.join('\n');
    EXPECT_TRUE(todo.contains(QString::fromUtf8("aña"))) << qPrintable(todo.left(300));
    EXPECT_TRUE(todo.contains(QString::fromUtf8("a€a")));
}

TEST_F(Access, MemosLargosYNulosDeLaTablaAncha) {
    for (const char* muestra : {"test2V1997.mdb", "test2V2000.mdb"}) {
        SCOPED_TRACE(muestra);
        TOMAR_MUESTRA(ruta, QStringLiteral("mdb/") + muestra);
        Conexion conexion;
        conexion.Open(TextoAccess(ruta));
        auto rs = conexion.abrirRecordset("SELECT * FROM [MSP_PROJECTS]");
        ASSERT_EQ(rs->FieldCount(), 74);
        ASSERT_FALSE(rs->EOF_());
        int nulos = 0, largos = 0;
        bool libra = false;
        for (int i = 0; i < rs->FieldCount(); ++i) {
            const QVariant v = rs->Field(i);
            if (v.isNull()) ++nulos;
            if (v.typeId() == QMetaType::QString && v.toString().size() > 255) ++largos;
            if (TextoValor(v).contains(QString::fromUtf8("£"))) libra = true;
        }
        EXPECT_GT(nulos, 0);
        EXPECT_GT(largos, 0);
        EXPECT_TRUE(libra);
    }
}

TEST_F(Access, LasFilasSiguenVivasAunqueSeCierreElProveedor) {
    ASSERT_NO_FATAL_FAILURE(abrir("compIndexTestV2000.mdb"));
    auto fuente = c.proveedor()->consultar("SELECT * FROM [table1]", false);  // sin distinguir mayúsculas
    c.Close();
    std::vector<QVariant> fila;
    int n = 0;
    while (fuente->siguiente(fila)) ++n;
    EXPECT_EQ(n, 512);
}

TEST_F(Access, TablaInexistenteYConsultaNoAdmitida) {
    ASSERT_NO_FATAL_FAILURE(abrir("testV1997.mdb"));
    try {
        c.abrirRecordset("SELECT * FROM [NoEsta]");
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().contains("NoEsta")) << qPrintable(e.descripcion());
        EXPECT_TRUE(e.descripcion().contains("testV1997.mdb"));
    }
    EXPECT_THROW(c.abrirRecordset("DELETE FROM Table1"), ErrorEjecucion);
    EXPECT_THROW(c.abrirRecordset("SELECT * FROM [Table1]", 2, 3), ErrorEjecucion);
}

// Archivos malos hechos en la prueba: cada uno falla con claridad, nombrando el archivo y la causa.
TEST(AccessMalo, ArchivosQueNoSonBasesFallanConClaridad) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Caso {
        const char* nombre;
        QByteArray bytes;
        const char* causa;
    };
    const Caso casos[] = {
        {"vacio.mdb", QByteArray(), "vacío"},
        {"texto.mdb", QByteArray("serie;modelo\n1;2\n"), "no es una base de Access"},
        {"libro.mdb", QByteArray("PK\x03\x04", 4) + QByteArray(5000, 'x'), "no es una base de Access"},
        {"sqlite.mdb", QByteArray("SQLite format 3\0", 16) + QByteArray(8192, '\0'),
         "no es una base de Access"},
        {"cabecera.mdb", QByteArray("\x00\x01\x00\x00Standard Jet DB\0", 20), "truncado"},
    };
    for (const auto& caso : casos) {
        const QString ruta = dir.filePath(caso.nombre);
        EscribirArchivo(ruta, caso.bytes);
        const QString falla = LeerTodo(ruta);
        EXPECT_TRUE(falla.contains(caso.causa)) << caso.nombre << ": " << qPrintable(falla);
        EXPECT_TRUE(falla.contains(caso.nombre)) << qPrintable(falla);
    }
    const QString falta = LeerTodo(dir.filePath("no_existe.mdb"));
    EXPECT_TRUE(falta.contains("No se encuentra")) << qPrintable(falta);
    EXPECT_TRUE(LeerTodo(dir.path()).contains("no es un archivo"));
}

// Cortada en cualquier parte, la base falla o da la tabla entera: nunca media tabla en silencio.
TEST(AccessMalo, UnaBaseTruncadaNoDaMediaTabla) {
    TOMAR_MUESTRA(muestra, "mdb/compIndexTestV2000.mdb");
    QTemporaryDir dir;
    const QByteArray bytes = LeerArchivo(muestra);
    std::vector<qsizetype> largos = {100, 4096, bytes.size() / 2 + 100};
    for (qsizetype paginas = 3; paginas * 4096 < bytes.size(); ++paginas) largos.push_back(paginas * 4096);
    int fallas = 0;
    for (qsizetype largo : largos) {
        SCOPED_TRACE(largo);
        const QString ruta = dir.filePath(QStringLiteral("corta%1.mdb").arg(largo));
        EscribirArchivo(ruta, bytes.left(largo));
        try {
            Conexion c;
            c.Open(TextoAccess(ruta));
            EXPECT_EQ(Filas(c, "Table1").size(), 512u);
        } catch (const ErrorEjecucion& e) {
            ++fallas;
            EXPECT_TRUE(e.descripcion().contains(ruta)) << qPrintable(e.descripcion());
        }
    }
    EXPECT_GE(fallas, 3);
}

// Bases reales con bytes cambiados al azar (semillas fijas): leerlas puede fallar o no, pero
// sólo con ErrorEjecucion que nombra el archivo, nunca rompiendo el proceso. Con 40 por base, el
// daño hace fallar algunas y deja leer otras: las dos salidas se ven.
TEST(AccessMalo, BasesDanadasNuncaRompenElProceso) {
    REQUERIR_MUESTRAS();
    QTemporaryDir dir;
    // GARANTIAS_VECES_DANADAS alarga la búsqueda a mano (miles de casos); por defecto, 40 por base.
    const int veces = qEnvironmentVariableIsSet("GARANTIAS_VECES_DANADAS")
                          ? qEnvironmentVariableIntValue("GARANTIAS_VECES_DANADAS")
                          : 40;
    int semilla = 1, fallas = 0, leidas = 0;
    for (const char* muestra :
         {"testV1997.mdb", "compIndexTestV2000.mdb", "testUnicodeCompV2003.mdb", "test2V1997.mdb"}) {
        TOMAR_MUESTRA(ruta, QStringLiteral("mdb/") + muestra);
        const QByteArray original = LeerArchivo(ruta);
        ASSERT_GT(original.size(), 4096) << muestra;
        for (int vez = 0; vez < veces; ++vez, ++semilla) {
            QRandomGenerator azar(semilla);
            QByteArray bytes = original;
            const int cambios = 1 + azar.bounded(64);
            for (int k = 0; k < cambios; ++k) {
                // Se respeta la cabecera para que el daño llegue a las páginas que lee libmdb.
                bytes[0x20 + azar.bounded(int(bytes.size()) - 0x20)] = char(azar.bounded(256));
            }
            const QString nombre = QStringLiteral("danada%1.mdb").arg(semilla);
            EscribirArchivo(dir.filePath(nombre), bytes);
            if (qEnvironmentVariableIsSet("GARANTIAS_TRAZA_DANADAS"))
                fprintf(stderr, "SEMILLA %d\n", semilla);
            const QString falla = LeerTodo(dir.filePath(nombre));
            if (falla.isEmpty()) {
                ++leidas;
            } else {
                ++fallas;
                EXPECT_TRUE(falla.contains(nombre)) << "semilla " << semilla << ": " << qPrintable(falla);
            }
        }
    }
    EXPECT_GT(fallas, 0);
    EXPECT_GT(leidas, 0);
}

}  // namespace
