#pragma once
#include <QString>
#include <vector>

#include "import/ArchivoCsv.h"
#include "import/Rechazos.h"

class Dll_Datos;

// Completa el detalle de las filas "serie ya guardada" de un tramo con la transmisión que hoy
// guarda su serie (una consulta por tramo). Si ninguna fila la guarda (una prueba, que no
// escribe), la serie vino antes en el mismo archivo. Lanza ErrorEjecucion si la base falla.
void CompletarTransmisiones(std::vector<Rechazo>& tramo, Dll_Datos& datos);

// El archivo csv con las filas no importadas: los campos de la fila como vinieron, después
// "motivo", "detalle" y "fila" (ArchivoCsv: separado por ";", en Windows-1252 o en UTF-8).
class ArchivoRechazos {
  public:
    using Codificacion = ArchivoCsv::Codificacion;

    // Abre el archivo ya, antes de importar: una carpeta que no se puede escribir falla aquí
    // (ErrorEjecucion con la ruta y la causa). El archivo queda en su lugar sólo con escribir().
    ArchivoRechazos(const QString& ruta, Codificacion codificacion);

    // Escribe la cabecera y las filas, completando cada tramo con completar (si se da), y deja el
    // archivo en su lugar. Lanza ErrorEjecucion si no se puede escribir.
    void escribir(const Rechazos& rechazos, const std::function<void(std::vector<Rechazo>&)>& completar = {});

    const QString& ruta() const { return csv_.ruta(); }

    // Las mismas líneas (la cabecera y las filas, sin completar) para quien las muestre cuando el
    // archivo no se pudo escribir.
    static void listar(const Rechazos& rechazos, const std::function<void(const QString&)>& linea);

  private:
    ArchivoCsv csv_;
};
