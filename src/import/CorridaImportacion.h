#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "ado/ArchivoOrigen.h"
#include "ado/Recordset.h"
#include "import/DiarioDeCorrida.h"
#include "import/FilasEnEspera.h"
#include "import/OrdenCampos.h"
#include "import/Rechazos.h"
#include "import/ResumenImportacion.h"
#include "import/SeriesDelArchivo.h"
#include "platform/Rutina.h"

class Conexion;
class Dll_Datos;
class EscrituraGarantias;
class GrupoTransmision;
class PruebaSeries;
struct ResultadoFila;

// Cómo se toman los campos cuando los títulos del origen nombran los conocidos en otro orden (ver
// AvisoOrdenCampos). Con títulos que no nombran nada, o en su lugar, van siempre por posición.
enum class TomaDeCampos {
    Preguntar,    // se pregunta al operador (Sí: por nombre; No: por posición; Cancelar: nada)
    PorPosicion,  // por posición, como siempre; el resumen lo avisa
    PorNombre,    // cada campo de la columna que lo nombra (ver ColumnasPorNombre)
    NoImportar,   // no se escribe nada (ResumenImportacion::ordenSinDecidir)
};

// Cómo se corre una importación.
struct OpcionesCorrida {
    // Lee todo el origen y cuenta lo que agregaría, sin escribir en AUX_GARANTIA ni en
    // MV_TRANSMISIONES y sin tomar número.
    bool prueba = false;
    // Un archivo cuyos mismos bytes ya agregaron filas (lo dice el diario): sin valor, se
    // pregunta al operador (Sí/No); true lo importa otra vez; false no lo importa
    // (ResumenImportacion::noRepetida). Una prueba nunca pregunta: lo dice en su resumen.
    std::optional<bool> repetir;
    TomaDeCampos campos = TomaDeCampos::Preguntar;
};

// Lo que una importación cuenta mientras corre; quien la llama lo muestra (la ventana en sus
// controles, la línea de comandos en su barra y su salida). Las preguntas al operador (la trampa,
// los avisos de la base) van por el servicio de mensajes, como en todo el programa.
class OyenteCorrida {
  public:
    virtual ~OyenteCorrida() = default;
    // La línea de estado: "Importando " + la serie, la descripción de la fila que falló,
    // "Importación finalizada", "Prueba detenida"...
    virtual void estado(const QString& texto) = 0;
    // Filas leídas del origen, de total (-1 si el origen no lo sabe).
    virtual void progreso(qint64 hechas, qint64 total) = 0;
    // Al abrir la tabla, los nombres de sus campos, antes de la primera fila no agregada.
    virtual void campos(const QStringList& nombres) = 0;
    // Una fila que no se agregó, con su motivo, en el orden del archivo.
    virtual void filaNoAgregada(Rechazo rechazo) = 0;
};

// La corrida de importación: copia las filas de la hoja o tabla elegida a AUX_GARANTIA bajo una
// transmisión nueva, sin volver a guardar una serie que ya está. La llaman el botón "Importar" de
// la ventana y "garantias-cli importar"; los dos ven el mismo resultado.
//
// Los pasos, en orden: pasar una vez por el origen entero (uno mal formado no deja nada, y a la par
// se calcula la huella del archivo), preguntar si esos mismos bytes ya se importaron, abrir la
// tabla y, si sus títulos nombran los campos en otro orden, decidir cómo se toman
// (OpcionesCorrida::campos), anotar la corrida en el diario, leer sus filas y escribir las que
// tienen serie (ImportarFilas), cerrar el origen, y decir "Importación finalizada". El diario queda
// al día después de cada grupo confirmado y se cierra con el resultado (completa, detenida o
// fallida). Toda falla de un paso va a la trampa del origen (ver TrampaOrigen): 3704 salta el paso,
// 3705 cierra el origen y lo repite, otra va al operador (4 repite, 5 salta, otra respuesta deja la
// corrida). Antes de cada pregunta lo leído queda escrito y confirmado. "Detener"
// (Detencion::Pedir) termina la corrida en su próximo punto de detención: lo escrito queda y el
// resumen dice que se detuvo.
//
// Un objeto por corrida.
class CorridaImportacion {
  public:
    // origen: la conexión al archivo, prestada; quien llama la abre (si está cerrada, la lectura
    // falla con 3709 y va a la trampa). datos: la base de la suite; usuario: el de la sesión,
    // que firma la transmisión. oyente: prestado, vive más que la corrida.
    CorridaImportacion(Conexion& origen, Dll_Datos& datos, QString usuario, OyenteCorrida& oyente);
    ~CorridaImportacion();
    CorridaImportacion(const CorridaImportacion&) = delete;
    CorridaImportacion& operator=(const CorridaImportacion&) = delete;

    // Importa la tabla elegida del archivo (archivo.tabla; vacía: la del propio archivo, como la
    // lee dBase). Devuelve el resumen: terminada sólo si llegó a "Importación finalizada".
    // REQUIRES: una sola vez por objeto.
    ResumenImportacion correr(const ArchivoOrigen& archivo, const OpcionesCorrida& opciones = {});

  private:
    // La fila del origen que se está leyendo.
    struct FilaEnCurso {
        QString serie;
        quint64 huella = 0;  // la de la serie (ver SeriesDelArchivo::anticipar)
        bool vacia = false;
        bool decidida = false;  // ya se agregó o ya está anotada como no agregada
    };

    Respuesta trampa(const ErrorEjecucion& error);
    // La trampa mientras se leen filas: antes de preguntar, lo leído queda escrito y confirmado.
    Respuesta trampaFilas(const ErrorEjecucion& error);
    void examinarOrigen(Rutina& corrida);
    void preguntarRepetido(Rutina& corrida);
    // Antes de escribir nada: los títulos en otro orden deciden de qué columna sale cada campo.
    void decidirCampos(Rutina& corrida);
    // El valor de una columna de la fila actual (-1: ninguna, vacío).
    const QVariant& campo(int columna) const;
    void cerrarDiario();
    // La transmisión y las filas que el grupo dice que quedaron (nada en una prueba).
    void cuentasDelGrupo();
    // Lo que quedó guardado hasta ahora, contado en la base (ver LoGuardado).
    QString loGuardadoAhora();
    // Si el proceso termina en medio (una señal, "Salir"), después de confirmar el grupo abierto,
    // dice por la salida de errores lo que quedó.
    void avisarLoGuardadoAlTerminar();
    void terminarCorrida();
    // Lo que la corrida lleva contado, para su diario (del grupo, lo ya confirmado).
    DiarioDeCorrida::Cuentas cuentasDiario();
    void ImportarFilas(Rutina& corrida);
    void prepararEscritura();
    void leerFilas(Rutina& filas);
    void armarPasosDeFila(Rutina& fila);
    void escribirFila(Rutina& fila);
    // Una fila más hecha, de total si se sabe; al agotar el origen, el total es lo hecho.
    void avanzar();
    void cerrarAvance();
    void terminarFilas();
    void soltarEscritura();

    // Lo que pasó con las filas, en el orden del archivo.
    void anotar(MotivoRechazo motivo, const QString& detalle = {});
    void rechazar(Rechazo rechazo);
    void soltarRechazos();
    void alResultado(const ResultadoFila& resultado);
    // La fila que espera su resultado, con sus campos. Si no espera: la fila actual del origen con
    // oLaActual, si no un rechazo vacío.
    Rechazo sacarDeEspera(qint64 fila, bool oLaActual);
    // La prueba: la base dijo si guarda la serie de esa fila.
    void alResponderPrueba(qint64 fila, const QString& serie, bool guardada);
    // Las respuestas pendientes de la prueba; si la base falla, las filas que esperaban quedan
    // como no agregadas por esa falla, y la falla sigue a la trampa.
    void vaciarPrueba();
    void pruebaSinRespuesta(const ErrorEjecucion& e);
    // La escritura se detuvo en una fila (ResultadoFila::detiene()): se dice al operador una vez y
    // la corrida deja de leer filas.
    void avisarFalla();

    Conexion& origen_;
    Dll_Datos& datos_;
    QString usuario_;
    OyenteCorrida& oyente_;
    ArchivoOrigen archivo_;
    OpcionesCorrida opciones_;
    ResumenImportacion resumen_;
    ColumnasCampos columnas_;  // de dónde sale cada campo; por posición salvo que se elija
    SeriesDelArchivo series_;  // la fila que trajo primero cada serie

    RecordsetPtr rs_;
    std::unique_ptr<GrupoTransmision> grupo_;
    std::unique_ptr<EscrituraGarantias> escritura_;
    std::unique_ptr<PruebaSeries> prueba_;  // sólo en una prueba: decide sin escribir
    std::optional<int> avisoFin_;           // el aviso al terminar el proceso, mientras se escribe
    std::unique_ptr<DiarioDeCorrida> diario_;
    std::optional<int> avisoGuardado_;  // dice lo que quedó si el proceso termina en medio

    FilaEnCurso fila_;
    std::size_t pasoSiguiente_ = 0;  // el primer paso de una fila después de escribirla
    bool finFilas_ = false;
    qint64 numeroFila_ = 0;         // la fila de datos del origen, desde 1
    qint64 fallidas_ = 0;           // filas no agregadas por una falla
    qint64 sinConfirmarFilas_ = 0;  // de ellas, las que el servidor no confirmó (pudieron quedar)
    // La transmisión cuyo COMMIT no se confirmó (ver GrupoTransmision::sinConfirmar).
    int32_t sinConfirmar_ = 0;
    qint64 hechas_ = 0;
    std::optional<qint64> total_;  // el que anunció el origen, mientras las filas no lo pasen
    bool totalAnunciado_ = false;
    bool agotado_ = false;  // se leyó hasta el final del origen
    bool hayFilas_ = false;
    bool dejar_ = false;
    // La fila (o el lote) que falló, o el registro de la transmisión rechazado: lo anterior queda
    // y a la escritura no se le manda nada más.
    bool escrituraFallo_ = false;
    bool sinTransmision_ = false;  // la que falló esperaba el registro que la base rechazó
    bool fallaAvisada_ = false;
    QString falla_;  // la descripción de la fila que falló
    // En lotes (SQL Server) o en tandas (la base embebida), lo que pasó con una fila se sabe después
    // de leer otras: sus campos se guardan hasta entonces, en el orden en que se leyeron (el de los
    // resultados), y los rechazos esperan para quedar en el orden del archivo.
    FilasEnEspera enEspera_;
    std::map<qint64, Rechazo> listos_;
};
