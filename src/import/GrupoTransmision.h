#pragma once
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "ado/Transaccion.h"

class Dll_Datos;

// Las filas de una importación se escriben en grupos, cada uno en una transacción de la conexión
// de la suite. La transmisión existe sólo con filas: su número (el mayor más uno) y su registro
// en MV_TRANSMISIONES se toman dentro del grupo que agrega la primera fila, y quedan cuando ese
// grupo se confirma. Un grupo que no agregó ninguna fila mientras la transmisión no quedó se
// deshace entero: una corrida que termina sin agregar filas (archivo vacío, error, corte, disco
// lleno) no deja registro ni gasta número. Un corte del proceso en medio de un grupo lo deshace
// la base.
//
// En SQL Server no hay grupos largos: cada sentencia de filas (una fila o un lote) se confirma
// sola; sólo el número, el registro y la primera sentencia que agrega una fila van en una
// transacción, que se confirma en cuanto esa sentencia agrega.
//
// El grupo abierto se confirma antes de cada mensaje, al terminar y, si el programa termina en
// medio ("Salir", una señal), antes del fin del proceso (lo que quedó lo dice la corrida, después).
// El grupo abierto es una Transaccion: si queda abierto porque una falla salió antes de cerrarlo
// (al contar la tanda del otro hilo, por ejemplo), se deshace al soltarlo; nunca queda una
// transacción abierta en la conexión.
class GrupoTransmision {
  public:
    GrupoTransmision(Dll_Datos& datos, QString usuario);
    // Cierra el grupo abierto como confirmar(), sin lanzar; si no se pudo cerrar, se deshace.
    ~GrupoTransmision();
    GrupoTransmision(const GrupoTransmision&) = delete;
    GrupoTransmision& operator=(const GrupoTransmision&) = delete;

    // Abre el grupo si no está abierto y, si la transmisión todavía no tiene número en él, lo
    // toma y escribe el registro. Devuelve el número de la transmisión (la del grupo abierto, o
    // la que quedó). Lanza RegistroRechazado si la base rechazó el registro (el grupo quedó
    // deshecho), u otra ErrorEjecucion si falla la lectura del número.
    int32_t asegurar();

    // Una fila pasó por el grupo (agregada: la base la guardó). Un grupo largo se confirma, si
    // puedeConfirmar (con una tanda en otro hilo, no: se confirma entre tandas, cuando largo()).
    void contar(bool agregada, bool puedeConfirmar = true);
    // Lo que se hace antes de confirmar o deshacer el grupo: las filas que otro hilo escribió en
    // él se cuentan antes de decidir.
    void antesDeConfirmar(std::function<void()> hacer) { antesDeConfirmar_ = std::move(hacer); }
    // Lo que se hace después de confirmar un grupo con filas, ya fuera de su transacción (el
    // diario de la corrida se pone al día ahí). Donde cada sentencia se confirma sola, también
    // antes de la sentencia que sigue a un lote confirmado (o a 500 filas de a una, o a un
    // segundo): el diario nunca queda más atrás que eso de lo que hay en la base.
    void despuesDeConfirmar(std::function<void()> hacer) { despuesDeConfirmar_ = std::move(hacer); }
    // Si el grupo abierto ya dura lo que un grupo puede durar (en la base embebida).
    bool largo() const;
    // Cierra el grupo: lo confirma si la transmisión tiene filas; si no, lo deshace. Lanza
    // ErrorEjecucion si el COMMIT falla: entonces la transmisión del grupo queda sin confirmar
    // (textoGuardado() lo dice) y lo hecho en él no se cuenta.
    void confirmar();
    // Una sentencia del grupo agregó filas que se cuentan después: donde cada sentencia se
    // confirma sola, el grupo se confirma ya (lanza como confirmar()); en la base embebida, nada.
    void confirmarSentencia();
    // El servidor deshizo el grupo abierto (un bloqueo mutuo, una sentencia cortada): su número,
    // su registro y sus filas no quedaron. El próximo asegurar() empieza otro.
    void deshecho();

    // La transmisión que quedó guardada y sus filas; 0 si ninguna.
    int32_t guardada() const { return guardada_; }
    int64_t filasGuardadas() const { return filasGuardadas_; }
    // La transmisión cuyo COMMIT falló o no tuvo respuesta (0 si ninguna): puede haber quedado o no.
    int32_t sinConfirmar() const { return sinConfirmar_; }

    // Lo que quedó, en una línea para el operador.
    QString textoGuardado() const;

  private:
    void tomarNumero();
    // Donde cada sentencia se confirma sola: el diario recibe las filas contadas desde la última
    // vez, si ya son un lote o pasó un segundo.
    void ponerDiarioAlDia();
    void cerrar(bool conFilas);
    // Deshace el grupo abierto ya (lanza si la base no pudo); queda cerrado igual.
    void deshacer();

    Dll_Datos& datos_;
    QString usuario_;
    bool porSentencia_ = false;               // SQL Server: cada sentencia se confirma sola
    std::optional<Transaccion> transaccion_;  // la del grupo abierto; vacía: ninguno abierto
    bool conNumero_ = false;                  // el grupo abierto tiene el registro de la transmisión
    int32_t numero_ = 0;
    int32_t guardada_ = 0;
    int64_t filasGrupo_ = 0;      // filas que pasaron por el grupo abierto
    int64_t agregadasGrupo_ = 0;  // filas que agregó el grupo abierto
    int64_t filasGuardadas_ = 0;
    int32_t sinConfirmar_ = 0;  // la transmisión cuyo COMMIT falló
    QElapsedTimer reloj_;
    int64_t filasSinDiario_ = 0;  // contadas desde que el diario se puso al día (SQL Server)
    QElapsedTimer relojDiario_;
    int aviso_;
    std::function<void()> antesDeConfirmar_;
    std::function<void()> despuesDeConfirmar_;
};
