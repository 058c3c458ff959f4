#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ado/Conexion.h"
#include "data/CanalTandas.h"
#include "data/HiloEscritura.h"

// Las filas que una importación guarda en AUX_GARANTIA. Cada fila se guarda sólo si su serie no
// está: lo decide la base, en la sentencia, con el bloqueo que impide que dos estaciones guarden
// la misma serie a la vez.
//
// En SQL Server las filas viajan de a muchas por sentencia (un lote): una ida y vuelta por lote
// en vez de una por fila, con el mismo resultado que una sentencia por fila (una serie repetida
// dentro del lote se agrega una vez y la repetición cuenta como ya guardada). Un lote es una sola
// transacción: o queda entero o no queda nada. Si el servidor rechaza la sentencia del lote
// misma, ese lote se repite fila por fila y el resto de la corrida sigue así (se avisa una vez).
// En la base embebida las filas se escriben en un hilo aparte, de a tandas: mientras el hilo
// escribe una tanda, la corrida lee y arma la siguiente (la máquina tiene más de un núcleo). El
// hilo corre una sola sentencia por grupo de la transmisión, que toma las filas de las tandas a
// medida que llegan (ver SentenciaFlujo) y que el índice único de la serie decide fila por fila;
// si la base no la admite así (un disparador en la tabla, por ejemplo), el hilo corre una
// sentencia por fila. Lo que pasó con cada fila se sabe al mandar la tanda siguiente o al vaciar,
// en el orden del archivo; una fila que falla detiene la escritura ahí, y las que venían después
// no se intentan. Mientras la sentencia del hilo está abierta nadie más usa la conexión: lo que
// la use desde la corrida primero la cierra (Conexion::alUsarDesdeOtroHilo).
//
// La variable de entorno GARANTIAS_LOTES fuerza una forma: "no" una sentencia por fila, en el
// mismo hilo y sabida en el acto; "si" siempre lotes (sin volver a fila por fila).

struct FilaGarantia {
    QString modelo;
    QString serie;
    QString eca1;
    QString activacion;
};

struct ResultadoFila {
    enum Destino { Agregada, YaGuardada, Fallo };
    int64_t indice = 0;  // el que dio quien la agregó (su número de fila en el archivo)
    Destino destino = Agregada;
    QString descripcion;  // con Fallo: la descripción de la base
};

class EscrituraGarantias {
  public:
    enum class Modo { Automatico, Lotes, FilaPorFila };
    // Lo que pide GARANTIAS_LOTES.
    static Modo ModoConfigurado();

    // Filas por sentencia de lote: 4 valores por fila y 2 más, dentro de los 2.100 parámetros
    // que SQL Server admite por sentencia (y de las 1.000 filas de un VALUES).
    static constexpr int kFilasPorLote = 500;
    // Veces que se repite una sentencia que la base deshizo por un bloqueo mutuo.
    static constexpr int kReintentosBloqueo = 3;
    // Filas por tanda del hilo de la base embebida.
    static constexpr int kFilasPorTanda = 1000;
    // Tandas por sentencia del hilo, a lo sumo: las de la sentencia abierta se guardan, por si
    // una falla la deshace entera y hay que escribirlas de nuevo.
    static constexpr int kTandasPorSentencia = 64;
    // Páginas del WAL de la base embebida antes de un punto de control mientras se importa
    // (256 MiB con páginas de 4 KiB): una importación de un millón de filas no hace ninguno.
    static constexpr int kPaginasWalImportando = 65536;

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
    };

    // conexion: la de la suite, abierta. embebida: la base embebida (una sentencia por fila, que
    // su índice único decide). alResultado recibe cada fila una vez, en el orden en que llegaron;
    // alAviso, el cambio a una sentencia por fila (una vez por corrida).
    EscrituraGarantias(Conexion& conexion, Transmision transmision, bool embebida,
                       std::function<void(const ResultadoFila&)> alResultado,
                       std::function<void(const QString&)> alAviso = {}, Modo modo = ModoConfigurado());
    ~EscrituraGarantias();

    // Agrega una fila (en lotes, queda pendiente hasta completar uno). Devuelve false cuando una
    // fila falló: la corrida se detiene ahí, como con una sentencia por fila.
    bool agregar(int64_t indice, FilaGarantia fila);
    // Manda las filas pendientes. false si una falló.
    bool vaciar();

    // Espera la tanda que escribe el hilo y dice lo que pasó con sus filas. Se llama antes de
    // tocar la conexión por otro lado (confirmar el grupo). false si una fila falló.
    bool sincronizar();

    bool enLotes() const { return lotes_; }
    // Lo que pasó con una fila se sabe después de agregar otras (lotes o tandas en el hilo).
    bool diferida() const { return lotes_ || hilo_ != nullptr; }
    // Si la última sentencia del hilo tomó las filas como flujo (si no, fue una por fila).
    bool escribeEnFlujo() const { return enFlujo_; }
    // Si la corrida se detuvo porque numero() no dio un número.
    bool sinNumero() const { return sinNumero_; }

    // El texto exacto de un lote de n filas que recibe SQL Server (los "?" son, en orden: el
    // número de transmisión, cuántas filas trae el lote, y modelo, serie, eca1 y activación de
    // cada fila).
    static QString TextoLoteSqlServer(int filas = kFilasPorLote);

  private:
    struct Pendiente {
        int64_t indice;
        FilaGarantia fila;
    };
    bool unaFila(const Pendiente& p);
    bool mandarLote();
    bool repetirFilaPorFila(const std::vector<Pendiente>& filas);
    // Corre la sentencia; repite las que la base deshizo por un bloqueo mutuo (fuera de una
    // transacción del programa: dentro, la base ya deshizo toda la transacción).
    int64_t correr(SentenciaPreparada& s, const std::vector<QVariant>& valores);
    QString descripcionFalla() const;
    bool fallo(int64_t indice, const QString& descripcion);

    // La base embebida con el hilo. Una tanda: las filas, sus valores en UTF-8 uno tras otro y,
    // cuando el hilo la escribió, lo que pasó con cada una.
    struct Tanda {
        std::vector<int64_t> indices;
        QByteArray texto;              // modelo, serie, eca1 y activación de cada fila, seguidos
        std::vector<qsizetype> fines;  // dónde termina cada valor en texto
        std::vector<SentenciaPreparada::ValorListo> valores;  // los de texto, armados al mandarla
        std::vector<char> agregada;  // de cada fila hecha, en orden: 1 si la base la guardó
        bool fallo = false;          // la fila siguiente a las hechas falló
        ListaErrores errores;        // las de la fila que falló
        int sentencia = 0;           // la sentencia del hilo que la escribió
        std::size_t filas() const { return indices.size(); }
        void agregar(int64_t indice, const FilaGarantia& f);
        void armarValores();
        void limpiar();  // vacía, y se queda con la memoria para la próxima
    };
    // Las filas pendientes van al hilo como una tanda; lo que pasó con la anterior se dice mientras
    // él la escribe.
    bool despacharTanda();
    void terminarTanda();  // espera la tanda en curso: queda hecha
    bool entregarTanda();  // dice lo que pasó con la tanda hecha
    // La sentencia del hilo para un grupo: la abre (decide si va como flujo) o la cierra (el hilo
    // termina la tanda que tiene y queda quieto; la conexión vuelve a ser de la corrida).
    void abrirSentencia(int32_t numero);
    void cerrarSentencia();
    void escribirSentencia(int32_t numero, bool enFlujo);  // en el hilo
    // La sentencia de flujo falló y la base la deshizo entera: sus filas se escriben de nuevo una
    // por una, en este hilo, hasta la que falle.
    void repetirSentencia(int64_t filaFallida);
    void reciclar(Tanda& t);  // la deja vacía, y su memoria, para una tanda próxima

    Conexion& c_;
    Transmision transmision_;
    bool sinNumero_ = false;
    bool embebida_;
    bool sqlite_ = false;  // el controlador ODBC de SQLite hace de servidor (pruebas)
    bool lotes_ = false;
    bool forzado_ = false;
    int reintentosHechos_ = 0;
    std::function<void(const ResultadoFila&)> alResultado_;
    std::function<void(const QString&)> alAviso_;
    std::unique_ptr<SentenciaPreparada> fila_;
    std::unique_ptr<SentenciaPreparada> lote_;
    std::unique_ptr<SentenciaPreparada> leerLote_;  // sólo el motor de prueba: lo que agregó el lote
    std::vector<Pendiente> pendientes_;
    // El hilo de la base embebida: escribe la tanda en curso mientras la corrida llena la
    // pendiente; la hecha espera que se diga lo que pasó con sus filas.
    std::unique_ptr<HiloEscritura> hilo_;
    std::unique_ptr<SentenciaFlujo> flujo_;  // nulo: el hilo corre una sentencia por fila
    CanalTandas canal_{4};
    Tanda pendiente_;
    Tanda enCurso_;
    Tanda hecha_;
    std::vector<Tanda> escritas_;  // las ya dichas de la sentencia de flujo abierta
    std::vector<Tanda> libres_;    // tandas vacías, con su memoria
    bool sentenciaAbierta_ = false;
    bool enFlujo_ = false;  // la sentencia abierta es de flujo (si no, una por fila)
    int sentencia_ = 0;     // cuenta las sentencias del hilo
    int32_t numeroSentencia_ = 0;
    // Lo que dejó la sentencia del hilo al terminar: su falla, y si la transacción sigue abierta.
    ListaErrores erroresHilo_;
    bool transaccionViva_ = true;
    bool fallaEntregada_ = false;           // una fila falló y ya se dijo: la corrida no sigue
    std::optional<int> autocontrolPrevio_;  // el wal_autocheckpoint de antes de la importación
};
