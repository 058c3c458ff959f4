#pragma once
#include <QString>
#include <QVariant>
#include <memory>
#include <span>
#include <vector>

#include "ado/Conexion.h"
#include "data/EscrituraGarantias.h"

// Una sentencia por fila, sabida en el acto: la forma de otra base por ODBC, y la que usan SQL
// Server y la base embebida cuando se pide (GARANTIAS_LOTES=no) o cuando su forma rápida no se
// puede. Una fila que falla detiene la corrida ahí; las anteriores quedan.
//
// Sin confirmación no hay fila agregada: si el enlace se corta después de mandar una sentencia,
// o falla el COMMIT del grupo que ella agregó, sus filas se dicen sin confirmar
// (ResultadoFila::SinConfirmar) y la corrida se detiene; la próxima operación vuelve a conectar.
class EscrituraFilaPorFila : public EscrituraGarantias {
  public:
    // Veces que se repite una sentencia que la base deshizo por un bloqueo mutuo.
    static constexpr int kReintentosBloqueo = 3;

    // La sentencia de una fila de las bases por ODBC: la base decide en la misma sentencia, con
    // el bloqueo de rango sobre la serie. Sus "?": modelo, serie, número, eca1, activación, serie.
    static const QString kInsertarFila;

    // conexion: la de la suite, abierta. sentencia: la de una fila, con sus "?" en el orden de
    // kInsertarFila; serieAlFinal: si lleva la serie otra vez al final.
    EscrituraFilaPorFila(Conexion& conexion, Transmision transmision, AlResultado alResultado,
                         const QString& sentencia = kInsertarFila, bool serieAlFinal = true);

    void agregar(int64_t indice, FilaGarantia fila) override;
    void vaciar() override {}

  protected:
    struct Pendiente {
        int64_t indice;
        FilaGarantia fila;
    };
    // Las funciones que escriben devuelven si la escritura sigue: false cuando una fila la
    // detuvo (su resultado ya se dijo).
    bool unaFila(const Pendiente& p);
    bool repetirFilaPorFila(const std::vector<Pendiente>& filas);
    // Corre la sentencia; repite las que la base deshizo por un bloqueo mutuo (fuera de una
    // transacción del programa: dentro, la base ya deshizo toda la transacción).
    int64_t correr(SentenciaPreparada& s, const std::vector<QVariant>& valores);
    QString descripcionFalla() const;
    bool fallo(int64_t indice, const QString& descripcion);
    // La base rechazó el registro de la transmisión que esperaba la fila: no se intentó.
    bool sinTransmision(int64_t indice, const RegistroRechazado& rechazo);
    // La sentencia no terminó en el servidor: venció su tiempo de espera o se canceló, y el
    // controlador mandó una atención. El servidor deja abierta la transacción que ella empezó.
    static bool Cortada(const ListaErrores& errores);
    // El servidor deshizo la transacción entera para salir de un bloqueo mutuo (1205) o porque
    // quedó condenada (3930): repetir desde el principio puede andar.
    static bool DeshaceLaTransaccion(int32_t nativo);
    // Por qué el servidor deshizo la transacción, para el mensaje: "por un bloqueo mutuo con otra
    // estación" (1205) o "porque la transacción quedó condenada" (3930).
    static QString PorQueSeDeshizo(int32_t nativo);
    // El número del error de la última sentencia que deshizo la transacción entera; 0 si no hubo.
    int32_t errorQueDeshace() const;
    // La sentencia, de tantas filas desde la primera, no terminó en el servidor: se deshace lo que
    // haya dejado abierto (nunca se sigue dentro de una transacción que el programa no conoce) y
    // sus filas se dicen no guardadas; la corrida se detiene.
    bool perderSentencia(int64_t primera, int filas, bool enGrupo);
    // @@TRANCOUNT; -1 si no se pudo preguntar.
    int transaccionesAbiertas();
    // Deshace la transacción del programa (el grupo con el número) y se lo dice a la transmisión.
    void olvidarGrupo();
    // Si la última sentencia perdió el enlace con el servidor.
    bool enlaceCortado() const;
    // La última sentencia, de tantas filas, perdió el enlace: si era del grupo abierto, el
    // servidor lo deshizo (y el grupo lo sabe). Lo que se dice de sus filas.
    QString enlacePerdido(int filas);
    // Las filas de una sentencia que el servidor no confirmó se dicen sin confirmar. false: la
    // corrida se detiene.
    bool sinConfirmar(std::span<const Pendiente> filas, const QString& descripcion);
    // Una sentencia del grupo abierto agregó esas filas: se confirma el grupo. Si el COMMIT
    // falla, sus filas se dicen sin confirmar, con lo que pasó (false: la corrida se detiene).
    bool confirmarGrupo(std::span<const Pendiente> filas);

    Conexion& c_;
    Transmision transmision_;
    AlResultado alResultado_;
    std::unique_ptr<SentenciaPreparada> fila_;
    bool detenida_ = false;  // una fila detuvo la escritura: no se escribe nada más
    int reintentosHechos_ = 0;

  private:
    bool serieAlFinal_;
};
