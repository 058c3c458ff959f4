#pragma once
#include <QString>
#include <cstdint>
#include <vector>

// Una entrada de la lista de errores de una conexión.
struct ErrorAdo {
    QString descripcion;
    int32_t nativo = 0;  // número nativo del motor o del proveedor; 0 es un aviso, no una falla
    QString origen;      // quién lo informa
    QString estadoSql;   // SQLSTATE, cuando el motor lo da
};

// La lista de errores de una conexión. Las sentencias la llenan en vez de lanzar; el programa
// la lee después de cada sentencia (una entrada o más es una falla). Cada sentencia nueva la
// vacía antes de correr.
class ListaErrores {
  public:
    int Count() const { return static_cast<int>(errores_.size()); }
    // REQUIRES: 0 <= i < Count().
    const ErrorAdo& Item(int i) const { return errores_.at(static_cast<std::size_t>(i)); }
    void Clear() { errores_.clear(); }
    void agregar(ErrorAdo e) { errores_.push_back(std::move(e)); }
    bool vacia() const { return errores_.empty(); }

  private:
    std::vector<ErrorAdo> errores_;
};

// Cómo leer una entrada de la lista, igual para todos los motores.
namespace FallasMotor {
// Números nativos de SQL Server que el programa atiende.
inline constexpr int32_t BloqueoMutuo = 1205;             // la base eligió esta sentencia como víctima
inline constexpr int32_t TransaccionCondenada = 3930;     // la transacción ya no se puede confirmar
inline constexpr int32_t ConfirmarSinTransaccion = 3902;  // COMMIT sin BEGIN TRANSACTION
inline constexpr int32_t DeshacerSinTransaccion = 3903;   // ROLLBACK sin BEGIN TRANSACTION

// La conexión con el servidor se cortó (red, servidor caído, tiempo de espera de la conexión):
// SQLSTATE 08S01, 08001, 08003, 08007 y HYT01, o los números propios de FreeTDS (20003 tiempo de
// espera, 20004/20006 no se pudo leer o escribir, 20009 servidor inalcanzable, 20017 fin
// inesperado, 20047 proceso muerto).
inline bool EsPerdidaDeConexion(const ErrorAdo& e) {
    static const char* const estados[] = {"08S01", "08001", "08003", "08007", "HYT01"};
    for (const char* s : estados) {
        if (e.estadoSql == QLatin1String(s)) return true;
    }
    switch (e.nativo) {
        case 20003:
        case 20004:
        case 20006:
        case 20009:
        case 20017:
        case 20047:
            return true;
        default:
            return false;
    }
}

// El servidor ya no tenía la transacción que el programa cree abierta (3902/3903 de SQL Server;
// el "no transaction is active" de SQLite).
inline bool EsSinTransaccion(const ErrorAdo& e) {
    return e.nativo == ConfirmarSinTransaccion || e.nativo == DeshacerSinTransaccion ||
           e.descripcion.contains(QLatin1String("no transaction is active"), Qt::CaseInsensitive);
}

// La base deshizo la sentencia para salir de un bloqueo mutuo con otra estación.
inline bool EsBloqueoMutuo(const ErrorAdo& e) {
    return e.nativo == BloqueoMutuo || e.estadoSql == QLatin1String("40001");
}
}  // namespace FallasMotor
