#pragma once
#include <QString>
#include <QStringList>
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

// La importación de prueba: para cada serie del archivo dice si la importación la agregaría o si
// la saltaría por guardada (en la base, o antes en el mismo archivo). Anota las series vistas en
// una tabla temporal de la conexión: AUX_GARANTIA y MV_TRANSMISIONES no se tocan.
class PruebaSeries {
  public:
    // Crea la tabla temporal. datos: prestado, conectado. Lanza ErrorEjecucion si la base falla.
    explicit PruebaSeries(Dll_Datos& datos);
    // Borra la tabla temporal (sin lanzar).
    ~PruebaSeries();
    PruebaSeries(const PruebaSeries&) = delete;
    PruebaSeries& operator=(const PruebaSeries&) = delete;

    // true: la importación agregaría la serie (y queda vista); false: ya está guardada o ya vino.
    // Lanza ErrorEjecucion con la descripción de la base si ésta falla.
    bool agregaria(const QString& serie);

  private:
    Dll_Datos& datos_;
    QString tabla_;
    std::unique_ptr<SentenciaPreparada> anotar_;  // la base embebida: una sentencia preparada
};
