#pragma once
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/ArchivoPropio.h"
#include "platform/ErrorEjecucion.h"

// Un archivo csv para una planilla: separado por ";", con CR LF, en Windows-1252 (lo que abre una
// planilla en castellano) o en UTF-8. Un valor con separador, comillas o saltos va entre comillas.
// El archivo aparece en su lugar sólo al terminar(), pasado a disco: uno a medias nunca queda, y
// cada escritura se comprueba (un disco lleno es una falla, no un archivo vacío). Nunca se
// escribe a través de un enlace ni sobre un archivo ajeno (ArchivoPropio::Nuevo).
// Una línea de csv con esos valores, sin el fin de línea.
QString LineaCsv(const QStringList& valores);

class ArchivoCsv {
  public:
    enum class Codificacion { Windows1252, Utf8 };

    // Abre el archivo ya: una carpeta que no se puede escribir, o un destino que es un enlace o un
    // archivo ajeno, fallan aquí (ErrorEjecucion con "que", la ruta y la causa). que: lo que lleva
    // el archivo, para el mensaje ("de filas no importadas").
    ArchivoCsv(const QString& ruta, Codificacion codificacion, QString que);

    // Lanzan ErrorEjecucion si no se puede escribir.
    void linea(const QStringList& valores);
    void terminar();

    const QString& ruta() const { return ruta_; }

  private:
    // Repite la falla de ArchivoPropio diciendo qué archivo es.
    [[noreturn]] void fallar(const ErrorEjecucion& e) const;

    QString ruta_;
    Codificacion codificacion_;
    QString que_;
    std::unique_ptr<ArchivoPropio::Nuevo> archivo_;
};
