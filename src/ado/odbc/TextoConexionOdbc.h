#pragma once
#include <QString>
#include <QStringList>

#include "ado/TextoConexion.h"

// Lo que el proveedor ODBC pasa a SQLDriverConnect para cada texto de conexión del programa,
// y cómo nombra el destino en los mensajes (sin la clave).
struct DestinoOdbc {
    QString texto;        // el texto para el administrador de controladores
    QString descripcion;  // "el servidor SQL Server "srv" (base "ventas")", para los mensajes
};

// Elige el texto ODBC:
//  - "PROVIDER=SQLOLEDB;Server=S;Database =D;UId=U;Pwd=P;" -> FreeTDS (TextoConexionSqlServer);
//  - "Provider=OraOLEDB...;Data Source=D;User Id=U;Password=P;" -> el primer controlador de
//    controladores cuyo nombre contiene "Oracle"; sin ninguno lanza ErrorEjecucion;
//  - cualquier otro ("DRIVER=...", "DSN=..."): tal cual.
DestinoOdbc DestinoDe(const TextoConexion& texto, const QStringList& controladores);

// Partes del nombre de un servidor SQL Server: "srv", "srv:1500", "srv,1500" o "srv\INSTANCIA".
struct ServidorSqlServer {
    QString equipo;
    QString puerto;     // vacío: el de siempre (1433) o el que diga la instancia
    QString instancia;  // vacío: la instancia por defecto
};
ServidorSqlServer PartesDeServidor(const QString& servidor);
