// Archivos .db de proveedores hechos para agotar la lectura: valores enormes, vistas sin fin y un
// archivo que cambia mientras se lee. La memoria y el tiempo a tamaño real, en bench/hostiles.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <thread>

#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "comun/Pruebas.h"
#include "platform/Detencion.h"
#include "platform/ErrorEjecucion.h"

namespace {
QString BaseDeProveedor(const QTemporaryDir& dir, const char* sql) {
    const QString ruta = dir.filePath("proveedor.db");
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(ruta.toUtf8().constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
    return ruta;
}

QString ConexionDb(const QString& ruta) { return "DRIVER=SQLite3 ODBC Driver;Database=" + ruta + ";"; }

// Lee la tabla entera; devuelve la descripción de la falla (vacía si no falló) y cuenta las filas.
QString Leer(Conexion& c, const QString& tabla, int& filas) {
    filas = 0;
    try {
        auto rs = c.abrirRecordset("SELECT * FROM [" + tabla + "]");
        for (; !rs->EOF_(); rs->MoveNext()) ++filas;
    } catch (const ErrorEjecucion& e) {
        return e.descripcion();
    }
    return {};
}
}  // namespace

TEST(OrigenSqliteHostil, UnValorDeMasDe16MiBSeRechazaNombrandoLaFila) {
    QTemporaryDir dir;
    const QString ruta =
        BaseDeProveedor(dir,
                        "CREATE TABLE t (eca1, serie);"
                        "INSERT INTO t VALUES ('E', 'S1'), ('E', 'S2'), ('E', 'S3');"
                        "CREATE VIEW enorme AS SELECT eca1, CASE WHEN serie = 'S3' THEN zeroblob(20000000) "
                        "ELSE serie END AS serie FROM t;"
                        "CREATE VIEW justa AS SELECT eca1, randomblob(16777216) FROM t;");
    Conexion c;
    c.Open(ConexionDb(ruta));
    int filas = 0;
    const QString falla = Leer(c, "enorme", filas);
    EXPECT_TRUE(falla.contains("La fila 3 de") && falla.contains("más de 16 MiB") && falla.contains(ruta))
        << qPrintable(falla);
    EXPECT_EQ(filas, 2);
    // 16 MiB justos todavía se leen.
    EXPECT_EQ(Leer(c, "justa", filas), QString());
    EXPECT_EQ(filas, 3);
}

TEST(OrigenSqliteHostil, UnaVistaSinFinSeDetieneCuandoElOperadorLoPide) {
    QTemporaryDir dir;
    // Una serie sin fin de la que no pasa ninguna fila: sqlite3_step no vuelve nunca por sí solo.
    const QString ruta = BaseDeProveedor(
        dir,
        "CREATE VIEW eterna AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
        "SELECT 'E' AS eca1, i AS serie FROM n WHERE i < 0;");
    Conexion c;
    c.Open(ConexionDb(ruta));
    Detencion::Limpiar();
    std::thread operador([] {
        // Sin apuro: la vista no termina nunca, así que el pedido llega siempre con la lectura en
        // marcha o antes de ella, y las dos se detienen después de 0 filas; con la máquina cargada
        // sólo cambia cuándo.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Detencion::Pedir();
    });
    int filas = 0;
    const QString falla = Leer(c, "eterna", filas);
    operador.join();
    Detencion::Limpiar();
    EXPECT_TRUE(falla.contains("detenida por el operador después de 0 filas")) << qPrintable(falla);
}

TEST(OrigenSqliteHostil, UnArchivoQueCambiaMientrasSeLeeEsUnaFalla) {
    QTemporaryDir dir;
    const QString ruta =
        BaseDeProveedor(dir,
                        "CREATE TABLE t (eca1, serie);"
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                        "INSERT INTO t SELECT 'E', i FROM n;");
    Conexion c;
    c.Open(ConexionDb(ruta));
    auto rs = c.abrirRecordset("SELECT * FROM [t]");
    rs->MoveNext();
    // Otro programa agrega bytes al archivo (una copia a medias, una descarga que sigue).
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(4096, '\0'));
    f.close();
    try {
        while (!rs->EOF_()) rs->MoveNext();
        ADD_FAILURE() << "leyó hasta el final un archivo que cambió";
    } catch (const ErrorEjecucion& e) {
        EXPECT_TRUE(e.descripcion().contains("cambió mientras se leía") &&
                    e.descripcion().contains("después de leer 1.000 filas"))
            << qPrintable(e.descripcion());
    }
}

// SQLite guarda en un TEXT los bytes que le den. Un valor de Windows-1252 escrito tal cual o uno
// con un byte nulo no se leen con un carácter de reemplazo ("BAD\xC0" y "BAD\xFF" serían la misma
// serie) ni cortados: la falla nombra la fila y la columna. Un BLOB que no es texto se ve en
// hexadecimal, distinto de cualquier otro.
TEST(OrigenSqliteHostil, UnTextoQueNoEsUtf8OConUnNuloSeRechazaNombrandoLaFila) {
    QTemporaryDir dir;
    const QString ruta =
        BaseDeProveedor(dir,
                        "CREATE TABLE t (eca1, serie, modelo);"
                        "INSERT INTO t VALUES ('E', 'S1', 'M'), ('E', 'S2', 'M');"
                        "INSERT INTO t VALUES ('E', CAST(x'424144C0' AS TEXT), 'M');"
                        "CREATE TABLE n (eca1, serie, modelo);"
                        "INSERT INTO n VALUES ('E', 'S1', 'M'), ('E', 'S2', CAST(x'4E554C41004200' AS TEXT));"
                        "CREATE TABLE b (eca1, serie);"
                        "INSERT INTO b VALUES ('E', x'424144C0'), ('E', x'424144FF'), ('E', x'5331');");
    Conexion c;
    c.Open(ConexionDb(ruta));
    int filas = 0;
    QString falla = Leer(c, "t", filas);
    EXPECT_TRUE(falla.contains("La fila 3 de") && falla.contains("columna 2 (\"serie\")") &&
                falla.contains("no es UTF-8 válido"))
        << qPrintable(falla);
    EXPECT_EQ(filas, 2);
    falla = Leer(c, "n", filas);
    EXPECT_TRUE(falla.contains("La fila 2 de") && falla.contains("columna 3 (\"modelo\")") &&
                falla.contains("byte nulo"))
        << qPrintable(falla);
    auto rs = c.abrirRecordset("SELECT * FROM [b]");
    QStringList series;
    for (; !rs->EOF_(); rs->MoveNext()) series << TextoValor(rs->Field(1));
    EXPECT_EQ(series, (QStringList{"0x424144C0", "0x424144FF", "S1"}));
}
