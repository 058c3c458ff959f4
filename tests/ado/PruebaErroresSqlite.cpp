// Lo que dice una falla de la base de la suite: la causa que el operador puede remediar (disco
// lleno, sin permiso, dañada, en uso por otra estación) y la ruta del archivo.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>

#include "ado/sqlite/ProveedorSqlite.h"
#include "comun/Pruebas.h"

namespace {

struct Base {
    explicit Base(const QString& archivo, int banderas = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {
        sqlite3_open_v2(QFile::encodeName(archivo).constData(), &db, banderas, nullptr);
        sqlite3_extended_result_codes(db, 1);
    }
    ~Base() { sqlite3_close_v2(db); }
    int correr(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    sqlite3* db = nullptr;
};

}  // namespace

TEST(ErroresSqlite, CadaCausaConSuNombreYLaRuta) {
    QTemporaryDir dir;
    const QString archivo = dir.filePath("suite.db");
    {
        Base b(archivo);
        ASSERT_EQ(b.correr("CREATE TABLE t(x); INSERT INTO t VALUES (1)"), SQLITE_OK);
    }
    struct Caso {
        const char* nombre;
        int nativo;
        const char* causa;
    };
    auto probar = [&](const Caso& c, sqlite3* db, int rc) {
        SCOPED_TRACE(c.nombre);
        ASSERT_NE(rc, SQLITE_OK);
        const ErrorAdo e = ErrorDeSqlite(db, rc);
        EXPECT_EQ(e.nativo, c.nativo);
        EXPECT_TRUE(e.descripcion.contains(QString::fromUtf8(c.causa))) << qPrintable(e.descripcion);
        EXPECT_TRUE(e.descripcion.contains(archivo)) << qPrintable(e.descripcion);
    };
    {
        // Otra conexión tiene la base tomada para escribir.
        Base otra(archivo);
        ASSERT_EQ(otra.correr("BEGIN EXCLUSIVE"), SQLITE_OK);
        Base b(archivo);
        probar({"en uso", 1222, "la base está en uso por otra estación"}, b.db, b.correr("SELECT * FROM t"));
    }
    {
        Base b(archivo, SQLITE_OPEN_READONLY);
        probar({"sin permiso", 3906, "sin permiso de escritura"}, b.db, b.correr("INSERT INTO t VALUES (2)"));
    }
    {
        // Una base que no puede crecer más.
        Base b(archivo);
        ASSERT_EQ(b.correr("PRAGMA max_page_count=2"), SQLITE_OK);
        probar({"disco lleno", 1105, "disco lleno"}, b.db, b.correr("INSERT INTO t SELECT zeroblob(100000)"));
    }
    {
        QByteArray bytes = LeerArchivo(archivo);
        bytes.replace(0, 16, "no soy una base!");
        EscribirArchivo(archivo, bytes);
        Base b(archivo);
        probar({"dañada", 824, "la base está dañada"}, b.db, b.correr("SELECT * FROM t"));
    }
}
