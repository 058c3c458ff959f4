#pragma once
#include <QString>
#include <memory>
#include <vector>

#include "ado/FlujoBytes.h"

// Las cadenas compartidas de un libro (sharedStrings.xml), leídas a pedido: la parte se recorre
// sólo hasta la cadena más alta que se pidió, así mostrar unas filas no lee todas las cadenas.
class CadenasXlsx {
  public:
    // flujo: la parte (este objeto se queda con él); libro y parte nombran el origen en los mensajes.
    CadenasXlsx(std::unique_ptr<FlujoBytes> flujo, QString libro, QString parte);
    ~CadenasXlsx();
    CadenasXlsx(const CadenasXlsx&) = delete;
    CadenasXlsx& operator=(const CadenasXlsx&) = delete;

    // La cadena i (desde 0): el texto de sus <t>, con las corridas de texto enriquecido unidas y sin
    // la guía fonética. Lanza ErrorEjecucion si la parte no llega a i o está dañada.
    const QString& cadena(qint64 i);
    // Cuántas cadenas van leídas.
    qint64 leidas() const { return static_cast<qint64>(cadenas_.size()); }

    struct Estado;  // el estado de expat (sólo para CadenasXlsx.cpp)

  private:
    std::unique_ptr<FlujoBytes> flujo_;
    QString libro_;
    QString parte_;
    std::vector<QString> cadenas_;
    Estado* e_;
};
