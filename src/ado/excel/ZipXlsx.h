#pragma once
#include <QByteArray>
#include <QString>
#include <memory>

#include "ado/FlujoBytes.h"

// Un paquete zip (un libro .xlsx) abierto sólo para leer, con minizip. Las partes se buscan sin
// distinguir mayúsculas, como manda el formato. Cada flujo abre su propio manejador del zip, así
// se pueden leer dos partes a la vez (la hoja y sus cadenas compartidas).
class ZipXlsx {
  public:
    // Abre el zip. Lanza ErrorEjecucion si el archivo no es un zip o está truncado.
    explicit ZipXlsx(QString ruta);
    ~ZipXlsx();
    ZipXlsx(const ZipXlsx&) = delete;
    ZipXlsx& operator=(const ZipXlsx&) = delete;

    const QString& ruta() const { return ruta_; }
    bool contiene(const QString& parte) const;
    // La parte entera (sólo para las partes chicas: libro, relaciones, estilos). Lanza si falta,
    // si está dañada o si pasa de maximo bytes.
    QByteArray leer(const QString& parte, qint64 maximo = 64 * 1024 * 1024) const;
    // La parte como flujo, para leerla por trozos. Lanza si falta; el flujo lanza si está dañada.
    std::unique_ptr<FlujoBytes> abrirFlujo(const QString& parte) const;

  private:
    QString ruta_;
    void* zip_ = nullptr;  // unzFile
};

// Descripción de una falla del libro: "El libro "ruta" <causa>".
QString DescripcionLibro(const QString& ruta, const QString& causa);
