#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ado/Conexion.h"
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
// En la base embebida cada fila es su propia sentencia, que el índice único de la serie decide,
// pero las sentencias corren en un hilo aparte, de a tandas: mientras el hilo escribe una tanda,
// la corrida lee y arma la siguiente (la máquina tiene más de un núcleo). Lo que pasó con cada
// fila se sabe al mandar la tanda siguiente o al vaciar, en el orden del archivo; una fila que
// falla detiene la tanda ahí, y las que venían después no se intentan.
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
    FilaGarantia fila;
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
        // Con el hilo: modelo, serie, eca1 y activación ya en UTF-8, armados en el hilo de la
        // corrida para que el de la base sólo los ligue.
        QByteArray utf8[4];
    };
    bool unaFila(const Pendiente& p);
    bool mandarLote();
    bool repetirFilaPorFila(const std::vector<Pendiente>& filas);
    // Corre la sentencia; repite las que la base deshizo por un bloqueo mutuo (fuera de una
    // transacción del programa: dentro, la base ya deshizo toda la transacción).
    int64_t correr(SentenciaPreparada& s, const std::vector<QVariant>& valores);
    QString descripcionFalla() const;
    bool fallo(const Pendiente& p, const QString& descripcion);
    // La base embebida con el hilo: las filas pendientes van al hilo como una tanda; lo que pasó
    // con la anterior se dice mientras él la escribe.
    bool despacharTanda();
    void terminarTanda();   // espera la tanda en curso: queda hecha
    bool entregarTanda();   // dice lo que pasó con la tanda hecha
    void escribirTanda(int32_t numero);

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
    // El hilo de la base embebida. La tanda en curso la escribe el hilo (mientras tanto sólo él
    // toca la conexión); la hecha espera que se diga lo que pasó con sus filas.
    std::unique_ptr<HiloEscritura> hilo_;
    struct SalidaTanda {
        std::vector<char> agregada;  // de cada fila hecha, en orden: 1 si la base la guardó
        bool fallo = false;          // la fila siguiente a las hechas falló
        ListaErrores errores;        // las de la fila que falló
    };
    struct Tanda {
        std::vector<Pendiente> filas;
        SalidaTanda salida;
    };
    Tanda enCurso_;
    Tanda hecha_;
    std::vector<Pendiente> libres_;  // el vector de una tanda ya dicha, para la próxima
    bool fallaEntregada_ = false;           // una fila falló y ya se dijo: la corrida no sigue
    std::optional<int> autocontrolPrevio_;  // el wal_autocheckpoint de antes de la importación
};
