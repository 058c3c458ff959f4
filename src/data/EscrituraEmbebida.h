#pragma once
#include <QByteArray>
#include <memory>
#include <optional>
#include <vector>

#include "data/CanalTandas.h"
#include "data/EscrituraFilaPorFila.h"
#include "data/HiloEscritura.h"

// La base embebida: las filas se escriben en un hilo aparte, de a tandas. Mientras el hilo
// escribe una tanda, la corrida lee y arma la siguiente (la máquina tiene más de un núcleo). El
// hilo corre una sola sentencia por grupo de la transmisión, que toma las filas de las tandas a
// medida que llegan (ver SentenciaFlujo) y que el índice único de la serie decide fila por fila;
// si la base no la admite así (un disparador en la tabla, por ejemplo), el hilo corre una
// sentencia por fila. Lo que pasó con cada fila se sabe al mandar la tanda siguiente o al vaciar,
// en el orden del archivo; una fila que falla detiene la escritura ahí, y las que venían después
// no se intentan. Mientras la sentencia del hilo está abierta nadie más usa la conexión: lo que
// la use desde la corrida primero la cierra (Conexion::alUsarDesdeOtroHilo).
// Con Modo::FilaPorFila, una sentencia por fila en el mismo hilo, sabida en el acto.
class EscrituraEmbebida : public EscrituraFilaPorFila {
  public:
    // Filas por tanda del hilo.
    static constexpr int kFilasPorTanda = 1000;
    // Tandas por sentencia del hilo, a lo sumo: las de la sentencia abierta se guardan, por si
    // una falla la deshace entera y hay que escribirlas de nuevo.
    static constexpr int kTandasPorSentencia = 64;
    // Páginas del WAL antes de un punto de control mientras se importa (256 MiB con páginas de
    // 4 KiB): una importación de un millón de filas no hace ninguno.
    static constexpr int kPaginasWalImportando = 65536;

    // conexion: la de la base embebida, abierta.
    EscrituraEmbebida(Conexion& conexion, Transmision transmision, AlResultado alResultado,
                      Modo modo = ModoConfigurado());
    ~EscrituraEmbebida() override;

    void agregar(int64_t indice, FilaGarantia fila) override;
    void vaciar() override;
    void sincronizar() override;
    bool diferida() const override { return hilo_ != nullptr; }
    bool escribeEnFlujo() const override { return enFlujo_; }

  private:
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
    std::optional<int> autocontrolPrevio_;  // el wal_autocheckpoint de antes de la importación
};
