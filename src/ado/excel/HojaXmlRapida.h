#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
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

    // La última fila que declara la hoja antes de sus filas (<dimension ref="A1:E1000"/>: 1000),
    // leída con la primera fila; nada si no la declara o no es un rango. Quien escribió el
    // archivo puede haberla dejado mal: es una cota anunciada, no una cuenta.
    std::optional<qint64> ultimaFilaDeclarada() const {
        return ultimaDeclarada_ > 0 ? std::optional<qint64>(ultimaDeclarada_) : std::nullopt;
    }

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
    qint64 ultimaDeclarada_ = -1;
    // El camino de siempre, si hubo que volver.
    std::unique_ptr<FlujoBytes> flujoRespaldo_;
    std::unique_ptr<HojaXml> respaldo_;
};
