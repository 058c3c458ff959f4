#pragma once
#include <deque>
#include <memory>
#include <optional>

#include "ado/FuenteFilas.h"
#include "ado/odbc/EnlaceOdbc.h"
#include "ado/odbc/ValoresOdbc.h"
#include "platform/ErrorEjecucion.h"

// La tabla de "SELECT ... FROM tabla [with(nolock)] ...", tal como está escrita (con su esquema
// y sus corchetes), donde la forma actualizable guarda las filas. Vacía si no hay FROM.
QString TablaActualizable(const QString& sql);

// Las filas de una sentencia ODBC, hacia adelante con SQLFetch. Con tabla, la forma actualizable
// de los cursores de cliente de ADO: guarda una fila nueva con INSERT y los cambios de la fila
// actual con UPDATE ... WHERE cada columna es igual a su valor original.
class FuenteOdbc : public FuenteFilas, public CursorOdbc {
  public:
    // st: la sentencia ya ejecutada, con su resultado abierto (la fuente la libera).
    // tabla: la tabla donde se guardan las filas; vacía, sólo lectura.
    FuenteOdbc(std::shared_ptr<EnlaceOdbc> enlace, SQLHSTMT st, QString tabla);
    ~FuenteOdbc() override;

    int columnas() const override { return static_cast<int>(columnas_.size()); }
    QString nombreColumna(int i) const override { return columnas_.at(static_cast<std::size_t>(i)).nombre; }
    bool siguiente(std::vector<QVariant>& fila) override;

    bool actualizable() const override { return !tabla_.isEmpty(); }
    void guardar(const std::vector<std::pair<QString, QVariant>>& cambios, bool nueva) override;

    void retener() override;

  private:
    bool leerDeLaSentencia(std::vector<QVariant>& fila);
    // Cierra el resultado y libera la sentencia; leerFin: antes lee lo que quede si ya no le
    // quedan filas (sin eso, cerrarlo le cuesta una atención).
    void soltarSentencia(bool leerFin = true);
    int indiceDe(const QString& nombre) const;

    std::shared_ptr<EnlaceOdbc> enlace_;
    SQLHSTMT st_;
    QString tabla_;
    std::vector<ColumnaOdbc> columnas_;
    // Filas leídas a memoria cuando otra sentencia necesitó la conexión, y la falla que cortó esa lectura.
    std::deque<std::vector<QVariant>> retenidas_;
    std::optional<ErrorEjecucion> fallaRetenida_;
    // Los valores originales de la última fila entregada, para ubicarla al cambiarla.
    std::vector<QVariant> actual_;
    bool hayActual_ = false;
};
