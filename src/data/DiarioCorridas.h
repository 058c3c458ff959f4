#pragma once
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class Dll_Datos;

// Cómo terminó una corrida, como queda escrito en el diario.
namespace ResultadoCorrida {
inline const QString kEnCurso = QStringLiteral("en curso");
inline const QString kCompleta = QStringLiteral("completa");
inline const QString kDetenida =
    QStringLiteral("detenida");  // "Detener", "Salir", la ventana cerrada, una señal
inline const QString kFallida = QStringLiteral("fallida");
inline const QString kInterrumpida = QStringLiteral("interrumpida");  // el proceso murió en medio
}  // namespace ResultadoCorrida

// Una corrida de importación tal como la guarda el diario (GARANTIAS_CORRIDAS).
struct CorridaDiario {
    QString id;               // lo pone empezar()
    int32_t transmision = 0;  // la que quedó; 0 mientras no tomó ninguna (o si no agregó filas)
    QString archivo;          // el nombre con su extensión
    QString ruta;             // la ruta absoluta
    qint64 tamano = -1;
    QDateTime modificado;
    QString sha256;  // en hexadecimal; vacío si no se pudo leer
    QString tabla;   // la hoja o tabla leída
    QString clase;   // "texto", "Excel"...
    qint64 leidas = 0;
    qint64 agregadas = 0;
    qint64 yaGuardadas = 0;
    qint64 sinSerie = 0;
    qint64 fallidas = 0;
    QDateTime inicio;
    QDateTime fin;  // nulo mientras corre
    QString resultado = ResultadoCorrida::kEnCurso;
    QString estacion;
    QString usuario;
    qint64 proceso = 0;
    QDateTime anulada;  // nulo si su transmisión no se anuló
    QString anuladaPor;
};

// Lo que se pide a historial(): desde una fecha; de un archivo: las corridas de sus mismos bytes
// (sha256) o de su ruta y, si sus bytes no se conocen, también las de su nombre.
struct FiltroHistorial {
    QDate desde;  // nulo: desde el principio
    QString sha256;
    QString ruta;
    QString archivo;
};

// El diario de las importaciones, en la base de la suite. Cada escritura es una sentencia corta
// propia, nunca dentro de la transacción de las filas: si la conexión está en una transacción, la
// puesta al día no se escribe (la próxima, fuera de ella, lleva las cuentas). Una escritura que
// falla no detiene nada: se anota una sola vez por objeto (una corrida usa uno) por el aviso dado
// (QZERR.LOG y la salida de errores) y la importación sigue. Sin la tabla (un SQL Server donde no
// se corrió su guion) el diario no hace nada y lo dice una vez por proceso.
//
// Las lecturas (repetida, historial, deTransmision) lanzan ErrorEjecucion si la base falla.
class DiarioCorridas {
  public:
    // reloj: la hora con que se sellan inicio, fin y anulación (la del servidor); aviso: cómo se
    // anota una falla o la falta de la tabla.
    DiarioCorridas(Dll_Datos& datos, std::function<QDateTime()> reloj,
                   std::function<void(const QString&)> aviso);

    // Si la base tiene el diario (se pregunta una vez por conexión).
    bool disponible();

    // Escribe la fila "en curso" de la corrida y le pone id, inicio, estación y proceso. false si
    // no quedó (sin diario o la escritura falló): las demás llamadas con ella no hacen nada.
    bool empezar(CorridaDiario& corrida);
    // Pone al día la transmisión y las cuentas (después de confirmar cada grupo).
    void actualizar(const CorridaDiario& corrida);
    // Pone fin y resultado, con las cuentas finales.
    void terminar(CorridaDiario& corrida, const QString& resultado);

    // Marca "interrumpida" cada corrida "en curso" de esta estación cuyo proceso ya no existe.
    // Devuelve cuántas marcó.
    int marcarInterrumpidas();

    // La última corrida que agregó filas de los mismos bytes (sha256) o, si no se conocen, del
    // mismo nombre, tamaño y hora de modificación; sin contar las de transmisiones anuladas.
    std::optional<CorridaDiario> repetida(const CorridaDiario& archivo);
    // Las corridas, la más vieja primero.
    std::vector<CorridaDiario> historial(const FiltroHistorial& filtro);
    // La corrida que tomó la transmisión; nada si este programa no la tomó.
    std::optional<CorridaDiario> deTransmision(int32_t numero);

    // La sentencia que marca la transmisión anulada en el diario (para la transacción de la
    // anulación; la corre quien la arma).
    QString sentenciaAnular(int32_t numero, const QDateTime& cuando, const QString& usuario) const;

    // El texto de una fecha como la guarda el diario, y al revés.
    static QString TextoFecha(const QDateTime& fecha);
    static QDateTime FechaDeTexto(const QString& texto);

    // Costura para las pruebas: la falta del diario se vuelve a decir.
    static void OlvidarAvisos();

  private:
    bool escribir(const QString& sentencia);
    QString texto(const QString& valor) const;
    QString cuentas(const CorridaDiario& c) const;
    std::vector<CorridaDiario> leer(const QString& donde);

    Dll_Datos& datos_;
    std::function<QDateTime()> reloj_;
    std::function<void(const QString&)> aviso_;
    std::optional<bool> disponible_;
    bool fallaAnotada_ = false;
};
