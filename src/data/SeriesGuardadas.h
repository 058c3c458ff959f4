#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class Dll_Datos;
class SentenciaPreparada;

// Las series guardadas en AUX_GARANTIA, preguntadas como las compara la base al importar: sin
// distinguir mayúsculas (tampoco las acentuadas) y sin contar los blancos finales. Cada serie va
// a la base como un literal: "%", "_" y las comillas son parte de la serie, nunca un patrón.
// Todo el SQL que pregunta por series vive aquí, para que un cambio en cómo la base guarda la
// serie se haga en un solo lugar.

// Una fila de AUX_GARANTIA con el registro de la transmisión que la trajo (fecha, hora y usuario
// quedan vacíos si ese registro no está).
struct GarantiaGuardada {
    QString serie;  // como está guardada
    QString transmision;
    QString fecha;
    QString hora;
    QString usuario;
    QString eca1;
    QString modelo;
    QString activacion;
};

// Para cada serie pedida, en el orden dado, las filas guardadas con esa serie (vacío: no está).
// Pregunta de a tramos, con el índice de la serie. Lanza ErrorEjecucion si la base falla.
std::vector<std::vector<GarantiaGuardada>> BuscarSeries(Dll_Datos& datos, const QStringList& series);

// La importación de prueba pregunta, para cada serie del archivo, si la base ya la guarda, sin
// escribir en AUX_GARANTIA ni en MV_TRANSMISIONES (las series repetidas dentro del mismo archivo
// las lleva la corrida). En la base embebida cada pregunta se contesta en el acto; en una base de
// servidor una pregunta por fila sería una ida y vuelta por fila (la prueba costaría mucho más que
// importar, que manda las filas en lotes): las series se preguntan de a 400 por consulta, una
// sentencia preparada una vez por corrida con 400 parámetros, y la respuesta de cada una llega
// después, en el orden en que se pidieron.
class PruebaSeries {
  public:
    // La respuesta por una serie pedida: la base ya la guarda (con su misma regla de comparación).
    using AlResponder = std::function<void(qint64 indice, const QString& serie, bool guardada)>;

    // datos: prestado, conectado. Lanza ErrorEjecucion si la base falla.
    PruebaSeries(Dll_Datos& datos, AlResponder alResponder);
    // Suelta lo que preparó (sin lanzar). Lo pendiente queda sin respuesta.
    ~PruebaSeries();
    PruebaSeries(const PruebaSeries&) = delete;
    PruebaSeries& operator=(const PruebaSeries&) = delete;

    // Si las respuestas llegan después de pedir otras series (una base de servidor).
    bool diferida() const { return !buscar_; }
    // Pregunta por la serie; la respuesta llega por AlResponder, ya o al juntar 400. Lanza
    // ErrorEjecucion con la descripción de la base si ésta falla: las series de la consulta que
    // falló quedan sin respuesta, y olvidadas.
    void pedir(qint64 indice, const QString& serie);
    // Contesta las pendientes. Lanza como pedir().
    void vaciar();

  private:
    void consultarPendientes();

    Dll_Datos& datos_;
    AlResponder alResponder_;
    std::vector<qint64> indices_;  // las pedidas sin respuesta, en orden (con una base de servidor)
    QStringList series_;
    // La base embebida: una sentencia preparada que escribe una fila en una tabla temporal de una
    // sola fila sólo si la serie está (la cuenta de filas cambiadas es la respuesta).
    std::unique_ptr<SentenciaPreparada> buscar_;
    // Una base de servidor: la consulta de a 400 series, preparada una vez.
    std::unique_ptr<SentenciaPreparada> consultar_;
    static constexpr int kSeriesPorTramo = 4096;
    int enTramo_ = 0;  // búsquedas en la transacción abierta (0: ninguna abierta)
    void cerrarTramo();
};
