#pragma once
#include <QString>

class ModeloAcceso;

// El registro de la conexión escrita en el cuadro de acceso ("Registrar", y "Conectar" cuando el
// archivo de conexiones todavía no existe).

// El nombre de la entrada: la base en mayúsculas y sin blancos en los extremos, " / " y el
// servidor igual, cortado antes de su primer ":" ("ventas", "srv01:1500" -> "VENTAS / SRV01").
QString NombreEntrada(const QString& base, const QString& servidor);

// El texto de conexión de prueba:
// "PROVIDER=<proveedor>;Server=<s>;Database =<b>;UId=<u>;Pwd=<p>;".
QString TextoPruebaConexion(const QString& proveedor, const QString& servidor, const QString& base,
                            const QString& usuario, const QString& clave);

// Si se puede abrir una conexión con esos valores. Sin servidor, si existe esa base embebida
// (nunca la crea); con servidor, abre el texto de prueba con la conexión del objeto de datos
// principal. Toda falla da false y no se muestra. Deja cerrada la conexión principal.
bool ExisteBaseDeDatos(QString& Servidor, QString& Dbname, QString& Usuario, QString& Password,
                       QString& Proveedor);

// La línea de comandos del programa acompañante "ODBC.exe":
// "<carpeta>ODBC.exe Server=<servidor>;DB=<NombreBase de la conexión principal>;".
QString LineaAcompanante(const QString& servidor);

// "Registrar": comprueba la conexión (primero con la convención de la suite, usuario y clave
// iguales a la base; después con lo escrito), agrega la entrada, arranca "ODBC.exe" si está junto
// al ejecutable, cierra la conexión principal y vuelve a llenar la lista. Avisos al operador por
// los cuadros de mensaje; las fallas, por su trampa (ver Registro.cpp).
void Registrar(ModeloAcceso& dialogo);
