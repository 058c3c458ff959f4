#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

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
    enum Destino { Agregada, YaGuardada, Fallo, SinConfirmar };
    int64_t indice = 0;  // el que dio quien la agregó (su número de fila en el archivo)
    Destino destino = Agregada;
    QString descripcion;  // con Fallo o SinConfirmar: qué pasó
};

class EscrituraGarantias {
  public:
    enum class Modo { Automatico, Lotes, FilaPorFila };
    // Lo que pide GARANTIAS_LOTES.
    static Modo ModoConfigurado();

    // El número de transmisión de las filas: numero() se pide antes de mandar cada sentencia
    // (vacío: no hay número, la corrida se detiene sin más); cerrar() se llama cuando un lote
    // falló, antes de repetir sus filas una por una (una transacción que el lote dejó a medias
    // se termina ahí).
    struct Transmision {
        std::function<std::optional<int32_t>()> numero;
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

    // Agrega una fila (en lotes o tandas queda pendiente hasta completar uno). Devuelve false
    // cuando una fila falló: la corrida se detiene ahí, como con una sentencia por fila.
    virtual bool agregar(int64_t indice, FilaGarantia fila) = 0;
    // Manda las filas pendientes. false si una falló.
    virtual bool vaciar() = 0;
    // Espera la tanda que escribe otro hilo y dice lo que pasó con sus filas. Se llama antes de
    // tocar la conexión por otro lado (confirmar el grupo). false si una fila falló.
    virtual bool sincronizar() { return true; }

    virtual bool enLotes() const { return false; }
    // Lo que pasó con una fila se sabe después de agregar otras (lotes o tandas en el hilo).
    virtual bool diferida() const { return false; }
    // Si la última sentencia del hilo tomó las filas como flujo (si no, fue una por fila).
    virtual bool escribeEnFlujo() const { return false; }
    // Si la corrida se detuvo porque numero() no dio un número.
    virtual bool sinNumero() const = 0;
};
