#pragma once
#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "ado/FlujoBytes.h"
#include "ado/HuellaArchivo.h"

// Un paquete zip (un libro .xlsx) abierto sólo para leer, con minizip. Las partes se buscan sin
// distinguir mayúsculas, como manda el formato. El archivo se abre una sola vez: cada flujo lee
// con su propia posición sobre ese mismo descriptor, así la hoja y sus cadenas compartidas son
// siempre de la misma versión del archivo aunque otro programa lo reemplace mientras tanto.
class ZipXlsx {
  public:
    // Una parte que se descomprime a más de esto es demasiado grande: se rechaza antes de
    // descomprimirla (por el tamaño que declara el zip) y, si el zip mintió, en cuanto lo pasa.
    static constexpr qint64 kMaximoParte = qint64{1} << 30;  // 1 GiB

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
    // La parte como flujo, para leerla por trozos. Lanza si falta o si declara más de
    // kMaximoParte; el flujo lanza si está dañada.
    std::unique_ptr<FlujoBytes> abrirFlujo(const QString& parte) const;

    // ¿Otro programa cambió el archivo abierto (tamaño u hora) desde que se abrió?
    bool cambio() const;

    struct Archivo;  // el descriptor compartido (sólo para ZipXlsx.cpp)

  private:
    QString ruta_;
    std::unique_ptr<Archivo> archivo_;
    void* zip_ = nullptr;  // unzFile
};

// Descripción de una falla del libro: "El libro "ruta" <causa>".
QString DescripcionLibro(const QString& ruta, const QString& causa);
