#pragma once
#include <QStringList>
#include <vector>

#include "ado/FuenteFilas.h"

// Una fila de una hoja de cálculo: su número (desde 1, creciente) y sus valores por columna
// (desde 0; puede ser más corta o más larga que la cabecera).
struct FilaHoja {
    qint64 numero = 0;
    std::vector<QVariant> celdas;
};

// Las filas de una hoja leídas como tabla, igual para .xls y .xlsx, como las da el driver de
// Excel:
//  - la primera fila con algún valor es la cabecera y da los nombres de los campos (una celda
//    vacía se llama "F<n>", n desde 1); las filas vacías de antes no cuentan;
//  - hay tantos campos como columnas desde la A hasta la última celda con valor de la cabecera;
//    lo que las filas tengan más a la derecha no se lee (una hoja sin valores da un campo, F1);
//  - las filas vacías entre filas con datos se devuelven vacías (también los números de fila que
//    el archivo salta); las del final no son filas.
// El total son las filas después de la cabecera hasta la última fila que el libro declara (su
// cota, escrita por quien lo guardó); sin cota declarada no hay total. La cota puede no ser
// cierta (archivos hechos a mano, filas sólo con formato al final): quien cuenta las filas no
// debe creer que la lectura termina en ella.
class FuenteHoja : public FuenteFilas {
  public:
    int columnas() const override { return static_cast<int>(nombres_.size()); }
    QString nombreColumna(int i) const override { return nombres_.at(i); }
    bool siguiente(std::vector<QVariant>& fila) override;
    std::optional<qint64> total() const override;

  protected:
    // La fila siguiente de la hoja, en orden; false al final. Puede lanzar ErrorEjecucion.
    virtual bool leerFila(FilaHoja& fila) = 0;
    // Lee hasta la cabecera y fija los campos. La derivada la llama al final de su constructor.
    void leerCabecera();
    // Cuántas columnas interesan (las demás pueden no convertirse). -1 mientras se lee la cabecera.
    int columnasUtiles() const { return leida_ ? columnas() : -1; }
    // La última fila (desde 1) que declara la hoja; nada si no la declara.
    void declararUltimaFila(std::optional<qint64> ultima) { ultimaDeclarada_ = ultima; }

  private:
    bool vacia(const FilaHoja& fila) const;

    QStringList nombres_;
    bool leida_ = false;
    qint64 filaCabecera_ = 0;  // su número; 0 si la hoja no tiene valores
    std::optional<qint64> ultimaDeclarada_;
    qint64 ultima_ = 0;         // número de la última fila leída de la hoja
    qint64 vaciasSueltas_ = 0;  // filas vacías vistas, que sólo serán filas si después hay datos
    qint64 vaciasPorDar_ = 0;   // filas vacías que siguiente() debe dar antes de guardada_
    bool hayGuardada_ = false;
    FilaHoja guardada_;
    FilaHoja actual_;  // la fila en lectura (su vector se reusa)
};
