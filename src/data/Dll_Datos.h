#pragma once
#include <QString>

#include "ado/Conexion.h"

// El componente de acceso a datos: cada objeto tiene una conexión con la base de la suite.
// Sin servidor, la base embebida (SQLite en la carpeta de datos); con servidor, SQL Server.
//
// Fallas: AbrirRecordset, EjecutarSQL y BuscarRegistro lanzan ErrorEjecucion; una sentencia
// que la base rechaza va a la lista de errores de la conexión (EjecutarSQL no lanza por ella).
class Dll_Datos {
  public:
    // Propiedades de la conexión.
    QString NombreServidor;
    QString NombreBase;
    QString NombreUsuario;
    QString ClaveUsuario;
    // Lo que otra conexión copia para llegar al mismo lugar: la carpeta de datos en la base
    // embebida. Vacío: la carpeta de datos por defecto.
    QString ParametroConexion;

    // Plataforma de la base: "SQLite", "SQL Server" u "Oracle".
    QString TipoMotor() const;
    bool Conectado() const { return conexion_.abierta(); }

    // Abre la conexión con las propiedades; con textoConexion no vacío, usa ese texto tal cual.
    // No lanza: quien llama mira Conectado() (y UltimaFalla() dice por qué no).
    // principal: true para el objeto principal, false para el de estadísticas.
    void Conectar(bool sinServidor, int modo, const QString& textoConexion, bool siempre, bool principal);

    // La conexión (siempre el mismo objeto, abierto o cerrado).
    Conexion& conexion() { return conexion_; }

    // Abre rs con la sentencia sobre cn (o la propia si es nula): cursor y bloqueo 0 y 1 para
    // leer, 2 y 3 para agregar o cambiar filas. Si la conexión propia está cerrada, la reabre
    // con las propiedades.
    void AbrirRecordset(const QString& sql, RecordsetPtr& rs, Conexion* cn = nullptr, int cursor = 0,
                        int bloqueo = 1, int opciones = -1, bool bandera = true);
    // Si la tabla tiene una fila cuya columna es igual al valor. Con rs, lo deja abierto en ella.
    bool BuscarRegistro(const QString& tabla, const QString& valor, const QString& columna,
                        RecordsetPtr* rs = nullptr, int tipo = 8, const QString& extra = {},
                        bool bandera = true);
    // Corre una sentencia que no devuelve filas; se juzga por la lista de errores de la conexión.
    void EjecutarSQL(const QString& sql, int opciones = 0, RecordsetPtr* rs = nullptr);
    // El literal SQL del valor: con tipo "'" (texto), entre comillas simples con las comillas
    // de adentro duplicadas; con otro tipo, el número tal cual (vacío o no numérico: Null).
    QString FormatearValor(const QString& valor, const QString& tipo) const;
    // Cierra el recordset (si está abierto) y deja la variable vacía.
    void CerrarRecordset(RecordsetPtr& rs);

    // Si la conexión propia está cerrada, la vuelve a abrir con las propiedades.
    void reabrirSiHaceFalta();

    // La causa de la última conexión fallida, para el registro.
    const QString& UltimaFalla() const { return ultimaFalla_; }

  private:
    Conexion conexion_;
    QString tipoMotor_ = QStringLiteral("SQLite");
    QString ultimaFalla_;
    bool principal_ = true;
};
