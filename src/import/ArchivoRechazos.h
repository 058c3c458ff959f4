#pragma once
#include <QSaveFile>
#include <QString>
#include <vector>

#include "import/Rechazos.h"

class Dll_Datos;

// Completa el detalle de las filas "serie ya guardada" de un tramo con la transmisión que hoy
// guarda su serie (una consulta por tramo). Si ninguna fila la guarda (una prueba, que no
// escribe), la serie vino antes en el mismo archivo. Lanza ErrorEjecucion si la base falla.
void CompletarTransmisiones(std::vector<Rechazo>& tramo, Dll_Datos& datos);

// El archivo csv con las filas no importadas: los campos de la fila como vinieron, después
// "motivo", "detalle" y "fila". Separado por ";", con CR LF; en Windows-1252 (lo que abre una
// planilla en castellano) o en UTF-8.
class ArchivoRechazos {
  public:
    enum class Codificacion { Windows1252, Utf8 };

    // Abre el archivo ya, antes de importar: una carpeta que no se puede escribir falla aquí
    // (ErrorEjecucion con la ruta y la causa). El archivo queda en su lugar sólo con escribir().
    ArchivoRechazos(const QString& ruta, Codificacion codificacion);

    // Escribe la cabecera y las filas, completando cada tramo con completar (si se da), y deja el
    // archivo en su lugar. Lanza ErrorEjecucion si no se puede escribir.
    void escribir(const Rechazos& rechazos, const std::function<void(std::vector<Rechazo>&)>& completar = {});

    const QString& ruta() const { return ruta_; }

  private:
    void linea(const QStringList& valores);
    [[noreturn]] void fallar() const;

    QString ruta_;
    Codificacion codificacion_;
    QSaveFile archivo_;
};
