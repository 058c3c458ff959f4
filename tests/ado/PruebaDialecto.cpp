#include <gtest/gtest.h>

#include "ado/sqlite/DialectoSqlServer.h"
#include "comun/Pruebas.h"

using DialectoSqlServer::AdaptarASqlite;
using DialectoSqlServer::SepararLote;

TEST(Dialecto, AdaptaLasFormasDeSqlServerSinTocarLosLiterales) {
    struct Caso {
        const char* sqlServer;
        const char* sqlite;
    };
    const Caso casos[] = {
        {"Select * from ta_usuarios  with(nolock)  where Nombre = 'x'",
         "Select * from ta_usuarios     where Nombre = 'x'"},
        {"SELECT * FROM T WITH (UPDLOCK, HOLDLOCK) WHERE a=1", "SELECT * FROM T   WHERE a=1"},
        {"SELECT * FROM T (nolock)", "SELECT * FROM T  "},
        {"select  top 1 * from AUX_ERR  with(nolock) ", "select   * from AUX_ERR LIMIT 1    "},
        {"SELECT TOP (5) a FROM t WHERE x IN (SELECT TOP 2 b FROM u)",
         "SELECT  a FROM t WHERE x IN (SELECT  b FROM u LIMIT 2) LIMIT 5"},
        {"IF NOT EXISTS (SELECT * FROM AUX_GARANTIA WHERE serie='A1') INSERT INTO AUX_GARANTIA "
         "(modelo,serie) "
         " VALUES('TV','A1') ",
         "INSERT INTO AUX_GARANTIA (modelo,serie)  SELECT 'TV','A1' WHERE NOT EXISTS (SELECT * FROM "
         "AUX_GARANTIA WHERE "
         "serie_clave=clave_serie('A1')) "},
        // Una condición sobre la serie de AUX_GARANTIA va por su clave; un SET o una lista de columnas, no.
        {"SELECT a.modelo FROM AUX_GARANTIA a INNER JOIN p ON a.serie = p.serie WHERE a.nro=1 AND serie=? OR "
         "serie = N'ñ'",
         "SELECT a.modelo FROM AUX_GARANTIA a INNER JOIN p ON a.serie_clave = clave_serie(p.serie) WHERE "
         "a.nro=1 AND "
         "serie_clave=clave_serie(?) OR serie_clave = clave_serie('ñ')"},
        {"UPDATE AUX_GARANTIA SET serie='X', modelo='M' WHERE serie<>'Y'",
         "UPDATE AUX_GARANTIA SET serie='X', modelo='M' WHERE serie<>'Y'"},
        {"SELECT * FROM OTRA WHERE serie='A1'", "SELECT * FROM OTRA WHERE serie='A1'"},
        // Nada dentro de un literal se toca.
        {"INSERT INTO t (m) VALUES ('TV TOP 5 with(nolock)')",
         "INSERT INTO t (m) VALUES ('TV TOP 5 with(nolock)')"},
        {"INSERT INTO t (m) VALUES ('O''Brien IF NOT EXISTS (x)')",
         "INSERT INTO t (m) VALUES ('O''Brien IF NOT EXISTS (x)')"},
        {"SELECT ISNULL(a,'') , LEN(b) FROM t WHERE c = N'ñ'",
         "SELECT IFNULL(a,'') , LENGTH(b) FROM t WHERE c = 'ñ'"},
        {"select  getDate() as fecha", "select  getDate() as fecha"},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(AdaptarASqlite(QString::fromUtf8(c.sqlServer)).toStdString(), std::string(c.sqlite));
    }
}

TEST(Dialecto, SeparaUnLoteComoSqlServer) {
    struct Caso {
        const char* lote;
        QStringList sentencias;
    };
    const Caso casos[] = {
        // El guion de la transacción: CR entre sentencias y ninguna ";".
        {"BEGIN TRANSACTION \r\r\rINSERT INTO a (x) VALUES ('1')\rINSERT INTO b (y) VALUES ('2')\r",
         {"BEGIN TRANSACTION", "INSERT INTO a (x) VALUES ('1')", "INSERT INTO b (y) VALUES ('2')"}},
        // Un salto de línea dentro de un literal o de un paréntesis no corta.
        {"INSERT INTO a (x) VALUES ('uno\r\nINSERT dos')\nDELETE FROM a",
         {"INSERT INTO a (x) VALUES ('uno\r\nINSERT dos')", "DELETE FROM a"}},
        {"INSERT INTO a (x,\n y) VALUES (1,\n 2)", {"INSERT INTO a (x,\n y) VALUES (1,\n 2)"}},
        // Una línea que sigue la sentencia anterior no la corta.
        {"SELECT *\nFROM a\nWHERE x = 1", {"SELECT * FROM a WHERE x = 1"}},
        {"IF NOT EXISTS (SELECT * FROM a)\nINSERT INTO a (x) VALUES (1)",
         {"IF NOT EXISTS (SELECT * FROM a) INSERT INTO a (x) VALUES (1)"}},
        {"INSERT INTO a (x)\nSELECT 1", {"INSERT INTO a (x) SELECT 1"}},
        {"DELETE FROM a; DELETE FROM b;", {"DELETE FROM a", "DELETE FROM b"}},
        {" \r\n ", {}},
        // El cuerpo de un trigger lleva ";" adentro.
        {"CREATE TRIGGER t BEFORE INSERT ON a BEGIN SELECT RAISE(ABORT, 'x'); END;\nDELETE FROM a",
         {"CREATE TRIGGER t BEFORE INSERT ON a BEGIN SELECT RAISE(ABORT, 'x'); END", "DELETE FROM a"}},
    };
    for (const auto& c : casos) EXPECT_EQ(SepararLote(QString::fromUtf8(c.lote)), c.sentencias) << c.lote;
}
