#pragma once
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <functional>
#include <memory>
#include <vector>

class Recordset;

// Por qué una fila del archivo no se agregó.
enum class MotivoRechazo {
    SerieGuardada,      // la serie ya estaba guardada (detalle: la transmisión que la guarda)
    SinSerie,           // la serie está vacía
    Fallo,              // la base rechazó la fila (detalle: su descripción)
    SinConfirmar,       // el servidor no confirmó su sentencia (enlace cortado, COMMIT fallido)
    RepetidaEnArchivo,  // una fila anterior del mismo archivo trajo la serie (detalle: "fila N")
};

// "serie ya guardada", "sin serie", "falló", "sin confirmar", "repetida en el archivo".
QString TextoMotivo(MotivoRechazo motivo);

// Una fila que la importación no agregó.
struct Rechazo {
    qint64 fila = 0;     // número de la fila de datos del archivo, desde 1
    QStringList campos;  // los campos de la fila como los ve el operador, en su orden
    MotivoRechazo motivo = MotivoRechazo::SinSerie;
    QString detalle;       // la transmisión que guarda la serie, o la descripción de la falla
    int columnaSerie = 1;  // de qué campo se tomó la serie (por posición, el segundo)

    // La serie de la fila, del campo de donde la tomó la importación.
    QString serie() const { return campos.value(columnaSerie); }
};

// Los campos de la fila actual de un recordset como los ve el operador, en la lista (que se vacía
// antes). REQUIRES: recordset abierto y no en EOF.
void CamposDeFila(const Recordset& rs, QStringList& campos);
// La fila actual de un recordset como rechazo. REQUIRES: recordset abierto y no en EOF.
Rechazo RechazoDeFila(const Recordset& rs, qint64 fila, MotivoRechazo motivo, const QString& detalle = {});
// Los nombres de los campos de un recordset abierto, en su orden.
QStringList NombresCampos(const Recordset& rs);

// Las filas que una corrida no agregó, en el orden del archivo. La memoria queda acotada: pasado
// un tope, las filas van a un archivo temporal, que se borra con el objeto.
//
// Fallas: agregar y recorrer lanzan ErrorEjecucion si el archivo temporal no se puede escribir o leer.
class Rechazos {
  public:
    // enMemoria: cuántas filas se guardan en memoria antes de pasarlas al archivo temporal.
    explicit Rechazos(qsizetype enMemoria = 5000);
    ~Rechazos();
    Rechazos(const Rechazos&) = delete;
    Rechazos& operator=(const Rechazos&) = delete;

    // Vacía la lista para una corrida nueva sobre una fuente con estos nombres de campo.
    void limpiar(const QStringList& nombresCampos = {});
    const QStringList& nombresCampos() const { return nombres_; }

    void agregar(Rechazo rechazo);
    qint64 cantidad() const { return cantidad_; }
    qint64 cantidad(MotivoRechazo motivo) const { return porMotivo_[static_cast<int>(motivo)]; }

    // Entrega las filas en el orden en que se agregaron, de a tramos de hasta "tramo" filas (para
    // completar su detalle de a muchas). La función puede cambiar las filas del tramo que recibe.
    void recorrer(const std::function<void(std::vector<Rechazo>& tramo)>& hacer, qsizetype tramo = 500) const;

  private:
    void volcar();

    qsizetype enMemoria_;
    QStringList nombres_;
    std::vector<Rechazo> pendientes_;        // los últimos, todavía en memoria
    std::unique_ptr<QTemporaryFile> disco_;  // los anteriores, en orden
    qint64 enDisco_ = 0;
    qint64 cantidad_ = 0;
    qint64 porMotivo_[5] = {0, 0, 0, 0, 0};
};
