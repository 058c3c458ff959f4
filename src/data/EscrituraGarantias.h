#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/ErrorEjecucion.h"

class Conexion;

// Las filas que una importación guarda en AUX_GARANTIA. Cada fila se guarda sólo si su serie no
// está: lo decide la base, en la sentencia, con el bloqueo que impide que dos estaciones guarden
// la misma serie a la vez.
//
// Cada clase de base tiene su forma de escribir, elegida una vez por la clase de la conexión
// (Conexion::motor()):
//  - la base embebida, en un hilo aparte y de a tandas (EscrituraEmbebida);
//  - SQL Server, de a muchas filas por sentencia (EscrituraSqlServer);
//  - otra base por ODBC, una sentencia por fila, sabida en el acto (EscrituraFilaPorFila).
//
// La variable de entorno GARANTIAS_LOTES fuerza una forma: "no" una sentencia por fila, en el
// mismo hilo y sabida en el acto; "si" siempre lotes en SQL Server (sin volver a fila por fila).

struct FilaGarantia {
    QString modelo;
    QString serie;
    QString eca1;
    QString activacion;
};

struct ResultadoFila {
    // SinConfirmar: su sentencia llegó al servidor, pero el programa no tiene la confirmación (el
    // enlace se cortó después de mandarla, o el COMMIT de su grupo falló). No se cuenta como
    // agregada ni como fallida con lo anterior guardado: el resumen dice lo que sí quedó.
    // SinTransmision: no se intentó, porque la base rechazó el registro de la transmisión que la
    // fila esperaba (ver RegistroRechazado).
    // Fallo, SinConfirmar y SinTransmision detienen la escritura en esa fila.
    enum Destino { Agregada, YaGuardada, Fallo, SinConfirmar, SinTransmision };
    int64_t indice = 0;  // el que dio quien la agregó (su número de fila en el archivo)
    Destino destino = Agregada;
    QString descripcion;  // con Fallo, SinConfirmar o SinTransmision: qué pasó
    bool detiene() const { return destino >= Fallo; }
};

// La base rechazó el registro de la transmisión (lo lanza Transmision::numero()): sin él no se
// guarda ninguna fila. La descripción es la de la base.
class RegistroRechazado : public ErrorEjecucion {
  public:
    explicit RegistroRechazado(const QString& descripcion)
        : ErrorEjecucion(Errores::ProveedorFallo, descripcion) {}
};

class EscrituraGarantias {
  public:
    enum class Modo { Automatico, Lotes, FilaPorFila };
    // Lo que pide GARANTIAS_LOTES.
    static Modo ModoConfigurado();

    // El número de la transmisión de las filas: numero() se pide antes de mandar cada sentencia;
    // lanza RegistroRechazado si la base rechazó el registro de la transmisión (la escritura dice
    // SinTransmision de la fila que lo esperaba y se detiene), y otra ErrorEjecucion si no pudo
    // leer el número (ésa sigue su camino). cerrar() se llama cuando un lote falló, antes de
    // repetir sus filas una por una (una transacción que el lote dejó a medias se termina ahí).
    struct Transmision {
        std::function<int32_t()> numero;
        std::function<void()> cerrar;
        // Con el hilo: si el grupo abierto ya dura demasiado; entonces se cierra entre dos tandas,
        // con lo hecho contado.
        std::function<bool()> largo = {};
        // El servidor deshizo el grupo abierto (su número y su registro): el próximo numero()
        // empieza otro.
        std::function<void()> deshecha = {};
        // Una sentencia del grupo abierto agregó filas: donde cada sentencia se confirma sola (SQL
        // Server, otra base por ODBC) el grupo se confirma ya, antes de decir lo que pasó con
        // ellas. Lanza ErrorEjecucion si el COMMIT falló (o se cortó el enlace en él).
        std::function<void()> confirmarSentencia = {};
    };
    // Recibe cada fila una vez, en el orden en que llegaron.
    using AlResultado = std::function<void(const ResultadoFila&)>;
    // Recibe el cambio a una sentencia por fila (una vez por corrida).
    using AlAviso = std::function<void(const QString&)>;

    // La forma de escribir de la clase de base de la conexión (la de la suite, abierta).
    static std::unique_ptr<EscrituraGarantias> Crear(Conexion& conexion, Transmision transmision,
                                                     AlResultado alResultado, AlAviso alAviso = {},
                                                     Modo modo = ModoConfigurado());
    virtual ~EscrituraGarantias() = default;

    // Lo que pasó con cada fila llega por AlResultado, también el de la que detuvo la escritura
    // (ResultadoFila::detiene): una fila que falla detiene la corrida ahí, como con una sentencia
    // por fila, y después agregar(), vaciar() y sincronizar() ya no escriben nada.
    //
    // Agrega una fila (en lotes o tandas queda pendiente hasta completar uno).
    virtual void agregar(int64_t indice, FilaGarantia fila) = 0;
    // Manda las filas pendientes.
    virtual void vaciar() = 0;
    // Espera la tanda que escribe otro hilo y dice lo que pasó con sus filas. Se llama antes de
    // tocar la conexión por otro lado (confirmar el grupo).
    virtual void sincronizar() {}

    virtual bool enLotes() const { return false; }
    // Lo que pasó con una fila se sabe después de agregar otras (lotes o tandas en el hilo).
    virtual bool diferida() const { return false; }
    // Si la última sentencia del hilo tomó las filas como flujo (si no, fue una por fila).
    virtual bool escribeEnFlujo() const { return false; }
};
