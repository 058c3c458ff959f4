#pragma once
#include <sqlite3.h>

#include <QByteArray>
#include <memory>

#include "ado/Proveedor.h"

// La tabla "flujo_de_filas" de una conexión de SQLite y las sentencias que leen de ella (ver
// SentenciaFlujo). La tabla es virtual: cada fila que SQLite le pide la da el FlujoFilas de la
// sentencia que corre en ese momento, y cuando SQLite pide la siguiente, la anterior ya quedó
// insertada o no. Una conexión corre a lo sumo una sentencia de flujo por vez.

// Las columnas que puede tener el flujo (c1..c16).
constexpr int kColumnasFlujo = 16;

// La tabla de una conexión; la conexión la libera al cerrarse.
struct TablaFlujo;
// Registra la tabla en db. Lanza ErrorEjecucion con la falla de SQLite.
TablaFlujo* RegistrarTablaFlujo(sqlite3* db);

// Prepara sql (lee de flujo_de_filas, columnas c1..c<columnas>) sobre db, con su tabla ya
// registrada. Lanza ErrorEjecucion con la falla de SQLite.
std::unique_ptr<SentenciaFlujo> PrepararFlujoSqlite(sqlite3* db, TablaFlujo* tabla, const QByteArray& sql,
                                                    int columnas);
