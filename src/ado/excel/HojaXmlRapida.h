#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ado/FlujoBytes.h"
#include "ado/excel/HojaXml.h"

// Las filas de una hoja, como HojaXml, por un camino más corto: expat lee lo que hay antes y
// después de <sheetData>, y las filas las lee un lector propio que entiende sólo la forma en que
// los programas escriben una hoja (filas, celdas, <v>, <f>, <is><t>, las entidades de XML, UTF-8
// válido). Ante cualquier otra cosa (un comentario, CDATA, texto enriquecido, una entidad
// desconocida, una fila o columna fuera de las cotas, XML mal formado) no decide nada: vuelve a
// leer la hoja desde el principio con HojaXml, salta las filas ya dadas y sigue con él, que da
// las filas y las fallas de siempre. Las filas que da son, byte a byte, las de HojaXml.
class HojaXmlRapida {
  public:
    // abrir: abre el XML de la hoja desde el principio (una vez, y otra si hace falta volver);
    // libro y parte nombran el origen en los mensajes.
    HojaXmlRapida(std::function<std::unique_ptr<FlujoBytes>()> abrir, QString libro, QString parte);
    ~HojaXmlRapida();
    HojaXmlRapida(const HojaXmlRapida&) = delete;
    HojaXmlRapida& operator=(const HojaXmlRapida&) = delete;

    // Como HojaXml::siguiente.
    bool siguiente(FilaXml& fila);

    // Si va por HojaXml (para las pruebas).
    bool porExpat() const { return respaldo_ != nullptr; }

    struct Lector;  // el lector de las filas (sólo HojaXmlRapida.cpp)

  private:
    void volverAExpat();

    std::function<std::unique_ptr<FlujoBytes>()> abrir_;
    QString libro_;
    QString parte_;
    std::unique_ptr<FlujoBytes> flujo_;
    std::unique_ptr<Lector> lector_;
    qint64 dadas_ = 0;  // filas ya dadas
    bool terminada_ = false;
    // El camino de siempre, si hubo que volver.
    std::unique_ptr<FlujoBytes> flujoRespaldo_;
    std::unique_ptr<HojaXml> respaldo_;
};
