#pragma once
#include <QSaveFile>
#include <QString>
#include <QStringList>

// Un archivo csv para una planilla: separado por ";", con CR LF, en Windows-1252 (lo que abre una
// planilla en castellano) o en UTF-8. Un valor con separador, comillas o saltos va entre comillas.
// El archivo aparece en su lugar sólo al terminar(): uno a medias nunca queda.
class ArchivoCsv {
  public:
    enum class Codificacion { Windows1252, Utf8 };

    // Abre el archivo ya: una carpeta que no se puede escribir falla aquí (ErrorEjecucion con
    // "que", la ruta y la causa). que: lo que lleva el archivo, para el mensaje ("de filas no
    // importadas").
    ArchivoCsv(const QString& ruta, Codificacion codificacion, QString que);

    // Lanzan ErrorEjecucion si no se puede escribir.
    void linea(const QStringList& valores);
    void terminar();

    const QString& ruta() const { return ruta_; }

  private:
    [[noreturn]] void fallar() const;

    QString ruta_;
    Codificacion codificacion_;
    QString que_;
    QSaveFile archivo_;
};
