#pragma once
#include <QString>
#include <string>
#include <vector>

#include "ado/FlujoBytes.h"

// Las cotas de una hoja: lo que pasa de ellas es una hoja dañada (o, un valor, se recorta).
namespace CotasHoja {
// Una celda de Excel no pasa de 32.767 caracteres; una de más de esta cota es una hoja dañada
// (nunca se guarda recortada: dos series que difieren en lo recortado serían la misma).
constexpr std::size_t kMaximoValor = 1 << 20;
// Los límites del formato: una hoja tiene a lo sumo 1.048.576 filas y 16.384 columnas (XFD). Una
// fila o una columna más allá es una hoja dañada, no millones de filas vacías que leer.
constexpr qint64 kMaximaFila = 1048576;
constexpr int kMaximaColumna = 16383;  // XFD, desde 0
// El texto de todas las celdas de una fila: sin esta cota, una fila de 16.384 celdas de 1 MiB
// ocuparía 16 GiB.
constexpr std::size_t kMaximoTextoFila = 64u << 20;
// Una fila numerada 0 o menos, o que no sigue a la anterior, es una hoja dañada: tomarla como
// la siguiente mezclaría filas de lugares distintos.
// La referencia de una celda: (2, 5) -> "C5".
QString ReferenciaCelda(int columna, qint64 fila);
// Por qué una celda pasa de kMaximoValor, o por qué el número de fila r (el atributo tal como
// está, o nulo) no es válido después de la fila anterior; vacío si lo es. *numero: la fila.
QString CausaCeldaLarga(int columna, qint64 fila);
QString CausaNumeroFila(const char* r, qint64 anterior, qint64* numero);
// "C5" -> 2; -1 si no empieza con letras; -2 si pasa de XFD.
int ColumnaDeReferencia(const char* r);
// El número entero que es todo el texto; defecto si no lo es (o si falta).
qint64 Entero(const char* texto, qint64 defecto);
// La última fila de un rango ("A1:E1000" -> 1000, "$A$1:$E$9" -> 9, "B7" -> 7); -1 si el texto no
// es un rango o la fila pasa de kMaximaFila.
qint64 UltimaFilaDeRango(const char* rango);
}  // namespace CotasHoja

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
