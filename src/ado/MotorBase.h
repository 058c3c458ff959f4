#pragma once

// La clase de base que atiende una conexión, decidida una vez al abrirla. De ella depende cómo
// escribe el programa (la base embebida en su hilo, SQL Server en lotes, otra base fila por
// fila) y qué SQL le manda; nadie vuelve a mirar el nombre del controlador para saberlo.
enum class MotorBase {
    Ninguno,    // cerrada, o un origen que no es una base de la suite (un archivo de un proveedor)
    Embebida,   // la base de la suite embebida (SQLite por su API)
    SqlServer,  // SQL Server por ODBC (FreeTDS)
    OtroOdbc,   // otra base por ODBC: sólo SQL de todas las bases, una fila por sentencia
};
