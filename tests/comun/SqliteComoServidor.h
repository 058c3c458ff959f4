#pragma once
#include "ado/odbc/TraduccionOdbc.h"
#include "ado/sqlite/DialectoSqlServer.h"

// Aquí no hay un SQL Server: en las pruebas de la plomería ODBC el controlador SQLite3 hace de
// servidor. Mientras el objeto vive, las conexiones ODBC que se abren le pasan el SQL del
// programa adaptado como a la base embebida (sin la clave de la serie, que una base ajena no
// tiene) y los lotes partidos en sentencias, que ese controlador corre de a una. Lo que sólo SQL
// Server hace (bloqueos, cuentas, tiempos de espera) se prueba contra el punto TDS.
class SqliteComoServidor {
  public:
    SqliteComoServidor() {
        FijarTraduccionOdbc({[](const QString& lote) {
                                 QStringList sentencias;
                                 for (const QString& s : DialectoSqlServer::SepararLote(lote))
                                     sentencias << DialectoSqlServer::AdaptarASqlite(s, false);
                                 return sentencias;
                             },
                             [](const QString& s) { return DialectoSqlServer::AdaptarASqlite(s, false); }});
    }
    ~SqliteComoServidor() { FijarTraduccionOdbc({}); }
    SqliteComoServidor(const SqliteComoServidor&) = delete;
    SqliteComoServidor& operator=(const SqliteComoServidor&) = delete;
};
