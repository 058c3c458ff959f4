#pragma once
#include "ado/Conexion.h"

// Una transacción que se deshace sola si no se confirma: Transaccion t(conexion); ...; t.confirmar();
class Transaccion {
  public:
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

    void confirmar() {
        conexion_.CommitTrans();
        terminada_ = true;
    }

  private:
    Conexion& conexion_;
    bool terminada_ = false;
};
