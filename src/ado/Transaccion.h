#pragma once
#include "ado/Conexion.h"

// Una transacción que se deshace sola si no se confirma: Transaccion t(conexion); ...; t.confirmar();
// Salir del alcance sin confirmarla (una excepción, un return) la deshace; si esa vuelta atrás
// falla, no se lanza (ya se está saliendo por otra causa).
class Transaccion {
  public:
    // Empieza la transacción; lanza como Conexion::BeginTrans (entonces no hay nada que deshacer).
    explicit Transaccion(Conexion& conexion) : conexion_(conexion) { conexion_.BeginTrans(); }
    ~Transaccion() {
        if (!terminada_) {
            try {
                conexion_.RollbackTrans();
            } catch (...) {
            }
        }
    }
    Transaccion(const Transaccion&) = delete;
    Transaccion& operator=(const Transaccion&) = delete;

    // Confirma. Lanza como Conexion::CommitTrans; si falla, la transacción sigue sin terminar y
    // se deshace al salir del alcance (salvo que se dé por deshecha).
    void confirmar() {
        conexion_.CommitTrans();
        terminada_ = true;
    }
    // La deshace ya, lanzando como Conexion::RollbackTrans; aunque lance, queda terminada.
    void deshacer() {
        terminada_ = true;
        conexion_.RollbackTrans();
    }
    // El servidor ya la deshizo (la deshizo una sentencia, o se cortó el enlace y deshacerla
    // obligaría a volver a conectar sólo para eso): al salir del alcance no se deshace otra vez.
    void darPorDeshecha() { terminada_ = true; }

  private:
    Conexion& conexion_;
    bool terminada_ = false;
};
