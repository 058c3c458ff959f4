#pragma once
#include <memory>

#include "ado/Proveedor.h"

// Un creador por clase de origen; cada uno vive en el archivo de su proveedor.
std::unique_ptr<Proveedor> CrearProveedorSuite();   // base de la suite embebida (SQLite)
std::unique_ptr<Proveedor> CrearProveedorSqlite();  // archivo .db de un proveedor (sólo lectura)
std::unique_ptr<Proveedor> CrearProveedorTexto();   // carpeta de archivos .txt/.csv
std::unique_ptr<Proveedor> CrearProveedorXls();     // libro .xls
std::unique_ptr<Proveedor> CrearProveedorXlsx();    // libro .xlsx
std::unique_ptr<Proveedor> CrearProveedorDbase();   // carpeta de tablas .dbf
std::unique_ptr<Proveedor> CrearProveedorAccess();  // base .mdb
std::unique_ptr<Proveedor> CrearProveedorOdbc();    // SQL Server, Oracle y otros por ODBC

// El texto de conexión de la base de la suite embebida en el archivo dado.
QString TextoConexionSuite(const QString& archivo);

// El texto de conexión ODBC (FreeTDS) de una base de SQL Server. servidor: "srv", "srv:1500",
// "srv,1500", "srv\INSTANCIA" o "srv\INSTANCIA,1500" (con puerto, la instancia no se busca).
// Cada valor va entre llaves; sin usuario no lleva UID ni PWD. Un valor con "}" lanza
// ErrorEjecucion: FreeTDS no lo lee bien.
QString TextoConexionSqlServer(const QString& servidor, const QString& base, const QString& usuario,
                               const QString& clave);
