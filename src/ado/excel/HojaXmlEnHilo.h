#pragma once
#include <QString>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "ado/excel/HojaXmlRapida.h"

// Las filas de una hoja (HojaXmlRapida), leídas en un hilo aparte que se adelanta a quien las pide:
// mientras la corrida convierte y escribe unas filas, el hilo infla y analiza el XML de las
// siguientes. Da lo mismo que HojaXml, en el mismo orden; una falla llega en su lugar, después de las filas
// que la precedían. Adelanta a lo sumo unas pocas tandas de filas y unos pocos MiB de texto: la memoria no
// depende del largo de la hoja, y una hoja de filas enormes no se adelanta más que una tanda.
class HojaXmlEnHilo {
  public:
    // Como HojaXmlRapida: abrir da el XML de la hoja desde el principio; sólo el hilo lo lee.
    HojaXmlEnHilo(std::function<std::unique_ptr<FlujoBytes>()> abrir, QString libro, QString parte);
    // Detiene el hilo (aunque queden filas sin leer).
    ~HojaXmlEnHilo();
    HojaXmlEnHilo(const HojaXmlEnHilo&) = delete;
    HojaXmlEnHilo& operator=(const HojaXmlEnHilo&) = delete;

    // Como HojaXml::siguiente.
    bool siguiente(FilaXml& fila);

    // Como HojaXmlRapida::ultimaFilaDeclarada, después de la primera fila pedida.
    std::optional<qint64> ultimaFilaDeclarada();

    // Filas por tanda del hilo y tandas que puede adelantar.
    static constexpr std::size_t kFilasPorTanda = 256;
    static constexpr std::size_t kTandasAdelantadas = 4;
    // Texto de las celdas: una tanda se cierra al pasar de kBytesPorTanda, y el hilo no adelanta
    // más tandas mientras las que esperan pasen de kBytesAdelantados.
    static constexpr std::size_t kBytesPorTanda = std::size_t{1} << 20;
    static constexpr std::size_t kBytesAdelantados = std::size_t{8} << 20;

  private:
    struct Tanda {
        std::vector<FilaXml> filas;  // las primeras n valen; el resto guarda su memoria
        std::size_t n = 0;
        std::size_t bytes = 0;  // el texto de sus celdas
    };
    void leer();  // el hilo

    HojaXmlRapida hoja_;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Tanda> listas_;  // leídas, en orden
    std::size_t bytesListas_ = 0;
    std::vector<Tanda> libres_;  // ya entregadas, para reusar
    bool fin_ = false;           // el hilo llegó al final de la hoja o a una falla
    std::exception_ptr falla_;
    bool parar_ = false;
    std::optional<qint64> ultimaDeclarada_;  // la que vio el hilo, pasada con su primera tanda
    Tanda actual_;                           // la que se está entregando (de quien pide)
    std::size_t pos_ = 0;
    std::thread hilo_;  // último: arranca con todo lo demás listo
};
