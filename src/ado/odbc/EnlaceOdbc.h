#pragma once
#include <sql.h>
#include <sqlext.h>

#include <QString>
#include <QStringList>
#include <vector>

#include "ado/Errores.h"

// Un cursor abierto sobre la conexión. Cuando otra sentencia necesita la conexión, lee a memoria
// las filas que le quedan y suelta su sentencia: FreeTDS atiende una sola sentencia a la vez
// ("connection is busy with results for another command"), y así el programa puede correr una
// sentencia mientras recorre un recordset, como lo hacía con ADO.
class CursorOdbc {
  public:
    virtual ~CursorOdbc() = default;
    virtual void retener() = 0;
};

// El entorno y la conexión ODBC, compartidos por el proveedor y las filas que abrió: viven hasta
// que el último de ellos los suelta, así una sentencia nunca sobrevive a su conexión.
class EnlaceOdbc {
  public:
    explicit EnlaceOdbc(QString origen) : origen_(std::move(origen)) {}
    ~EnlaceOdbc();  // deshace una transacción abierta, desconecta y libera los handles
    EnlaceOdbc(const EnlaceOdbc&) = delete;
    EnlaceOdbc& operator=(const EnlaceOdbc&) = delete;

    // Crea el entorno (ODBC 3). Lanza ErrorEjecucion si el administrador de controladores no responde.
    void crearEntorno();
    // Los controladores registrados, por su nombre. REQUIRES: crearEntorno().
    QStringList controladores() const;
    // Conecta con el texto; el ingreso espera a lo sumo segundosIngreso. Lanza ErrorEjecucion con
    // una descripción que nombra el destino (descripcion) y la causa, y el primer número nativo.
    void conectar(const QString& texto, const QString& descripcion, int segundosIngreso);

    SQLHDBC conexion() const { return dbc_; }
    const QString& origen() const { return origen_; }

    // Una sentencia nueva con el tiempo de espera vigente (segundos; 0 sin límite); antes, los
    // cursores abiertos retienen sus filas. Lanza ErrorEjecucion. El que la pide la libera.
    SQLHSTMT nuevaSentencia();
    void fijarTiempoEspera(int segundos) { tiempoEspera_ = segundos; }

    // Los cursores abiertos se anotan mientras tienen filas por leer.
    void registrar(CursorOdbc* cursor);
    void retirar(CursorOdbc* cursor);
    void liberarCursores();

    // Modo de transacción manual (autocommit apagado) y su fin. Lanzan ErrorEjecucion.
    // terminarTransaccion: deshacer una transacción que el servidor ya no tenía no es una falla
    // (devuelve false: el servidor no tenía ninguna); confirmarla sí, y lo dice (lo hecho en ella
    // no quedó; el número de la falla es FallasMotor::ConfirmarSinTransaccion). Si después el
    // modo de confirmar cada sentencia no se puede volver a poner, la conexión queda perdida (se
    // vuelve a conectar).
    void fijarAutoconfirmar(bool si);
    bool terminarTransaccion(bool confirmar);
    // Si el controlador está en modo de transacción manual.
    bool manual() const { return manual_; }

    // Los registros de diagnóstico del handle. Si dicen que la conexión se cortó, el enlace queda
    // perdido y el primer registro lo dice con palabras del programa (una sola vez).
    std::vector<ErrorAdo> diagnosticos(SQLSMALLINT tipo, SQLHANDLE handle);
    // Lanza ErrorEjecucion con los diagnósticos del handle (el primer nativo, los textos).
    [[noreturn]] void fallar(SQLSMALLINT tipo, SQLHANDLE handle, const QString& contexto);

    // La conexión se cortó o quedó en un estado que no se puede reparar: no se usa más.
    bool perdida() const { return perdida_; }
    void marcarPerdida() { perdida_ = true; }
    // Cada sentencia corrida o transacción terminada es una ida y vuelta al motor.
    void contarIda() { ++idas_; }
    int64_t idas() const { return idas_; }

  private:
    QString origen_;
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool conectada_ = false;
    bool manual_ = false;
    bool perdida_ = false;
    int64_t idas_ = 0;
    int tiempoEspera_ = 30;
    std::vector<CursorOdbc*> cursores_;
};
