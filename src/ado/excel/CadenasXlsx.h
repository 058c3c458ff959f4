#pragma once
#include <QString>
#include <memory>
#include <vector>

#include "ado/FlujoBytes.h"

// Las cadenas compartidas de un libro (sharedStrings.xml), leídas a pedido: la parte se recorre
// sólo hasta la cadena más alta que se pidió, así mostrar unas filas no lee todas las cadenas.
// Se guardan juntas en un solo texto, con el comienzo de cada una: la memoria es la de sus
// letras más 4 bytes por cadena, y tiene una cota (kMaximoMemoria) que un libro sano no alcanza.
class CadenasXlsx {
  public:
    // Memoria que pueden ocupar las cadenas guardadas (letras en UTF-16 y comienzos); una parte
    // que pide más es un libro dañado.
    static constexpr qint64 kMaximoMemoria = qint64{256} << 20;  // 256 MiB
    // Cadenas que puede tener la parte: un libro de garantías tiene a lo sumo unos pocos millones;
    // millones de cadenas vacías son una bomba que sólo cuesta tiempo.
    static constexpr qint64 kMaximoCadenas = qint64{1} << 24;  // 16.777.216

    // flujo: la parte (este objeto se queda con él); libro y parte nombran el origen en los mensajes.
    // maximoMemoria, maximoCadenas: las cotas (sólo las pruebas las achican).
    CadenasXlsx(std::unique_ptr<FlujoBytes> flujo, QString libro, QString parte,
                qint64 maximoMemoria = kMaximoMemoria, qint64 maximoCadenas = kMaximoCadenas);
    ~CadenasXlsx();
    CadenasXlsx(const CadenasXlsx&) = delete;
    CadenasXlsx& operator=(const CadenasXlsx&) = delete;

    // La cadena i (desde 0): el texto de sus <t>, con las corridas de texto enriquecido unidas y sin
    // la guía fonética. Lanza ErrorEjecucion si la parte no llega a i o está dañada.
    QString cadena(qint64 i);
    // Cuántas cadenas van leídas.
    qint64 leidas() const { return static_cast<qint64>(inicios_.size()) - 1; }

    struct Estado;  // el estado de expat (sólo para CadenasXlsx.cpp)

  private:
    QString descripcionExcedida() const;

    std::unique_ptr<FlujoBytes> flujo_;
    QString libro_;
    QString parte_;
    QString letras_;                // todas las cadenas leídas, una detrás de otra
    std::vector<quint32> inicios_;  // dónde empieza cada una en letras_ (y dónde terminaría la siguiente)
    Estado* e_;
};
