#pragma once
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

class Dll_Datos;

// Las filas de una transmisión, para mostrarlas de a pedazos: se sabe cuántas son y se lee
// cualquier tramo por su clave, sin recorrer las anteriores. Cada lectura es una sentencia corta
// que se lee entera y se cierra: entre dos lecturas no queda un cursor abierto que otra consulta
// de la misma conexión (buscar una serie, exportar) tenga que vaciar a memoria antes de correr.
// La memoria no crece con la transmisión: una clave por tramo y unos pocos tramos leídos.
//
// La clave es el orden de las filas en la base: el rowid en la base embebida (el orden en que se
// agregaron), la serie en las demás. Fallas: el constructor y fila() lanzan ErrorEjecucion si la
// base falla.
class FilasTransmision {
  public:
    struct Fila {
        QString modelo, serie, eca1;
    };
    static constexpr int kFilasPorTramo = 500;

    // Cuenta las filas y toma la clave de la primera de cada tramo. datos: prestado.
    FilasTransmision(Dll_Datos& datos, int32_t numero);

    int32_t numero() const { return numero_; }
    int64_t cantidad() const { return cantidad_; }
    // La fila i (desde 0), leyendo su tramo si no está entre los últimos leídos.
    // REQUIRES: 0 <= i < cantidad().
    const Fila& fila(int64_t i);

  private:
    const std::vector<Fila>& tramo(std::size_t t);

    Dll_Datos& datos_;
    int32_t numero_;
    bool porRowid_;
    int64_t cantidad_ = 0;
    std::vector<QString> claves_;  // la clave de la primera fila de cada tramo, como literal SQL
    struct Leido {
        std::vector<Fila> filas;
        uint64_t uso = 0;
    };
    std::map<std::size_t, Leido> leidos_;
    uint64_t usos_ = 0;
};
