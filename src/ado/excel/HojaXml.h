#pragma once
#include <QString>
#include <string>
#include <vector>

#include "ado/FlujoBytes.h"

// Una celda tal como está en el XML de la hoja, todavía sin convertir.
struct CeldaXml {
    int columna = 0;    // desde 0 (A = 0)
    char tipo = 'n';    // n número, s cadena compartida, i cadena en línea, t texto de fórmula,
                        // b booleano, e error, d fecha ISO
    int estilo = 0;     // índice en cellXfs
    std::string valor;  // el texto de <v>, o el de <is> ya unido si es en línea
};

// Una fila del XML: su número (desde 1) y sus celdas en el orden del archivo.
struct FilaXml {
    qint64 numero = 0;
    std::vector<CeldaXml> celdas;
};

// Lee las filas de la hoja a pedido: alimenta expat por trozos desde el flujo y lo suspende al
// cerrarse cada fila, así en memoria sólo hay un trozo y una fila, sea cual sea el tamaño de la
// hoja. Las celdas sin "r" siguen a la anterior; las filas sin "r", también.
class HojaXml {
  public:
    // flujo: el XML de la hoja (prestado: debe vivir más que este lector). libro y parte sólo
    // sirven para nombrar el origen en los mensajes.
    HojaXml(FlujoBytes& flujo, QString libro, QString parte);
    ~HojaXml();
    HojaXml(const HojaXml&) = delete;
    HojaXml& operator=(const HojaXml&) = delete;

    // La fila siguiente; false al final de la hoja. Lanza ErrorEjecucion si el XML está mal
    // formado o el flujo falla.
    bool siguiente(FilaXml& fila);

    struct Estado;  // el estado de expat y de la fila en curso (sólo para HojaXml.cpp)

  private:
    Estado* e_;
};
