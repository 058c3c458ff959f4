#pragma once
#include <QString>
#include <functional>
#include <memory>
#include <set>

#include "ado/Errores.h"
#include "ado/Proveedor.h"
#include "ado/Recordset.h"

// Una conexión a un origen de datos, abierta con un texto de conexión que elige el proveedor.
// Tiene su lista de errores, que las sentencias llenan en vez de lanzar.
//
// Fallas (ErrorEjecucion): abrir lo ya abierto, 3705; cerrar lo cerrado, 3704; una sentencia o
// un recordset sobre una conexión cerrada, 3709. Una apertura fallida deja una entrada con
// código nativo distinto de 0 en la lista de errores y lanza la descripción del proveedor.
//
// Conexión perdida: cuando el proveedor dice que la conexión con el servidor se cortó, la
// conexión se cierra (la falla que lo mostró lo dice una vez) y la próxima operación vuelve a
// conectar con el mismo texto, el tiempo de espera y el nivel de aislamiento. Si se cortó dentro
// de una transacción, nada reconecta hasta que el programa la termina: RollbackTrans la da por
// deshecha (el servidor ya la deshizo) y CommitTrans lanza que no se pudo confirmar.
class Conexion {
  public:
    Conexion();
    ~Conexion();
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    // Abre con el texto de conexión. REQUIRES: cerrada (si no, 3705).
    void Open(const QString& texto, const QString& usuario = {}, const QString& clave = {},
              int opciones = -1);
    // Cierra la conexión y sus recordsets. REQUIRES: abierta (si no, 3704).
    void Close();
    // Una conexión perdida que la próxima operación vuelve a abrir cuenta como abierta.
    bool abierta() const { return proveedor_ != nullptr || reconectar_; }
    // Si el programa empezó una transacción que todavía no terminó.
    bool enTransaccion() const { return enTransaccion_ || transaccionPerdida_; }
    // 1 abierta, 0 cerrada.
    int State() const { return abierta() ? 1 : 0; }
    const QString& ConnectionString() const { return texto_; }

    ListaErrores& Errors() { return errores_; }
    const ListaErrores& Errors() const { return errores_; }

    // Corre sentencias que no devuelven filas (un lote: varias, separadas por saltos de línea).
    // Vacía la lista de errores antes y anota en ella cada falla; no lanza por ellas.
    void Execute(const QString& sql);

    // Abre un recordset hacia adelante (cursor 0, bloqueo 1) o actualizable (cursor 2, bloqueo 3).
    // Vacía la lista de errores; si la sentencia falla, la anota y lanza su descripción.
    RecordsetPtr abrirRecordset(const QString& sql, int cursor = 0, int bloqueo = 1);
    // Abre hacia adelante la tabla u hoja de ese nombre, entera (ver Proveedor::leerTabla), con
    // las mismas fallas que abrirRecordset.
    RecordsetPtr abrirTabla(const QString& tabla);

    // Examina entera la tabla antes de leerla (ver Proveedor::examinarTabla). 3709 si está
    // cerrada; lanza la falla del proveedor.
    void examinarTabla(const QString& tabla);

    // Prepara una sentencia con "?" para correrla muchas veces. 3709 si está cerrada. La sentencia
    // vive mientras la conexión siga abierta; cerrarla la deja sin efecto. Si el enlace se pierde
    // y la conexión vuelve a abrirse, ejecutar() la prepara otra vez sobre el enlace nuevo.
    std::unique_ptr<SentenciaPreparada> preparar(const QString& sql);
    // Prepara una sentencia de flujo (ver SentenciaFlujo); nulo si el proveedor no las tiene.
    // 3709 si está cerrada.
    std::unique_ptr<SentenciaFlujo> prepararFlujo(const QString& sql, int columnas);
    // Corre una sentencia preparada: vacía la lista de errores y anota en ella las fallas.
    // Devuelve las filas cambiadas, o -1 si falló.
    int64_t ejecutar(SentenciaPreparada& sentencia, const std::vector<QVariant>& valores);

    // Las tablas del origen, como filas con la columna "TABLE_NAME".
    RecordsetPtr OpenSchemaTablas();

    // Transacciones (lanzan la falla del motor).
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    // Propiedades de la conexión.
    int CommandTimeout() const { return tiempoEspera_; }
    void setCommandTimeout(int segundos);
    int IsolationLevel() const { return aislamiento_; }
    void setIsolationLevel(int nivel);
    const QString& DefaultDatabase() const { return baseDefecto_; }
    void setDefaultDatabase(const QString& base);

    // Mientras otro hilo usa la conexión (una sentencia de flujo que corre allí), lo que la usa
    // desde este hilo primero llama a liberar, que la deja libre. Vacío: nadie más la usa.
    void alUsarDesdeOtroHilo(std::function<void()> liberar) { liberar_ = std::move(liberar); }

    // La clase de base que atiende, decidida al abrir (la última abierta, si está cerrada).
    MotorBase motor() const { return motor_; }

    // El proveedor abierto (para quien sabe qué clase de origen es). Nulo si está cerrada.
    Proveedor* proveedor() const { return proveedor_.get(); }

  private:
    class SentenciaDeConexion;
    friend class Recordset;
    void ligar(Recordset* rs) { recordsets_.insert(rs); }
    void desligar(Recordset* rs) { recordsets_.erase(rs); }
    void exigirAbierta();
    // Abre la fuente que da "fuente" como recordset; si falla, la anota en la lista y lanza.
    RecordsetPtr abrir(const std::function<std::unique_ptr<FuenteFilas>()>& fuente);
    // Si otro hilo la usa, espera a que la deje.
    void esperarOtroHilo();
    // Si el proveedor perdió la conexión: la cierra y deja pendiente la reconexión.
    void atenderPerdida();

    std::unique_ptr<Proveedor> proveedor_;
    uint64_t apertura_ = 0;  // cuántas veces se abrió: una sentencia de otra apertura se prepara de nuevo
    std::function<void()> liberar_;
    ListaErrores errores_;
    std::set<Recordset*> recordsets_;
    QString texto_;
    MotorBase motor_ = MotorBase::Ninguno;
    int tiempoEspera_ = 30;
    int aislamiento_ = 4096;  // cursor stability, el valor por defecto de ADO
    bool aislamientoFijado_ = false;
    QString baseDefecto_;
    bool enTransaccion_ = false;
    bool reconectar_ = false;          // se perdió: la próxima operación vuelve a abrir
    bool transaccionPerdida_ = false;  // se perdió con una transacción abierta que nadie terminó
};
