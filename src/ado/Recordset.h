#pragma once
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ado/FuenteFilas.h"

class Conexion;

// Un conjunto de filas abierto sobre una conexión, hacia adelante. Los campos se leen por
// posición o por nombre (sin distinguir mayúsculas). La forma actualizable agrega filas
// (AddNew, campos, Update) o cambia la actual.
//
// Fallas: operar sobre un recordset cerrado lanza 3704; leer un campo en EOF, 3021; un campo
// que no existe, 3265. La conexión dueña lo cierra al cerrarse ella.
class Recordset {
  public:
    // fuente: las filas; duena: la conexión que lo abrió (prestada; puede ser nula).
    Recordset(std::unique_ptr<FuenteFilas> fuente, Conexion* duena);
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    bool abierto() const { return fuente_ != nullptr; }
    bool EOF_() const;
    void MoveNext();

    int FieldCount() const;
    QString FieldName(int i) const;
    // El valor del campo en la fila actual; la referencia vale hasta el próximo MoveNext, Close
    // o SetField (quien lo guarde más tiempo, que lo copie).
    const QVariant& Field(int i) const;
    const QVariant& Field(const QString& nombre) const;
    // Índice del campo por nombre; -1 si no existe.
    int indiceCampo(const QString& nombre) const;

    std::optional<qint64> total() const;

    // Forma actualizable (lanza 3251 si la fuente no lo es).
    void AddNew();
    void SetField(const QString& nombre, const QVariant& valor);
    void Update();

    void Close();

  private:
    friend class Conexion;
    void cerrarPorConexion();
    void exigirAbierto() const;
    void leer();

    std::unique_ptr<FuenteFilas> fuente_;
    Conexion* duena_;
    std::vector<QVariant> fila_;
    bool eof_ = true;
    bool agregando_ = false;
    std::vector<std::pair<QString, QVariant>> cambios_;
};

// Variable de recordset del programa: vacía o con un recordset (dueña de él). Usar una
// variable vacía lanza ErrorEjecucion 91, que las trampas del programa tratan como cualquier
// otra falla.
class RecordsetPtr {
  public:
    RecordsetPtr() = default;
    RecordsetPtr(std::nullptr_t) {}
    RecordsetPtr(std::unique_ptr<Recordset> rs) : rs_(std::move(rs)) {}

    Recordset* operator->() const { return &exigir(); }
    Recordset& operator*() const { return exigir(); }
    Recordset* get() const { return rs_.get(); }
    explicit operator bool() const { return rs_ != nullptr; }
    bool operator==(std::nullptr_t) const { return rs_ == nullptr; }
    void reset() { rs_.reset(); }

  private:
    Recordset& exigir() const;
    std::unique_ptr<Recordset> rs_;
};
