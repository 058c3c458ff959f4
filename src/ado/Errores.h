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
