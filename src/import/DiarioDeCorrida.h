#pragma once
#include <QString>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>

#include "data/DiarioCorridas.h"

class Dll_Datos;
struct ArchivoOrigen;

// Lo que una corrida de importación deja en el diario, de punta a punta: se crea con el archivo
// elegido (la huella SHA-256 de sus bytes se empieza a calcular en otro hilo en ese momento, así
// se solapa con el examen del archivo), dice si esos bytes ya se importaron, escribe la fila "en
// curso" antes de tomar el número, la pone al día después de cada grupo confirmado y la cierra
// con el resultado. Si el proceso termina en medio ("Salir", una señal), la cierra "detenida"
// después de que el grupo abierto se confirmó; si el objeto se destruye sin cerrarla (una falla
// que sale de la corrida), "fallida". Nada de esto lanza ni detiene la importación.
class DiarioDeCorrida {
  public:
    struct Cuentas {
        int32_t transmision = 0;  // la que quedó guardada; 0 si ninguna
        qint64 leidas = 0;
        qint64 agregadas = 0;
        qint64 yaGuardadas = 0;
        qint64 sinSerie = 0;
        qint64 fallidas = 0;
    };

    DiarioDeCorrida(Dll_Datos& datos, const ArchivoOrigen& archivo, const QString& usuario);
    ~DiarioDeCorrida();
    DiarioDeCorrida(const DiarioDeCorrida&) = delete;
    DiarioDeCorrida& operator=(const DiarioDeCorrida&) = delete;

    // "Este archivo ya se importó el DD/MM/AAAA a las HH:MM como transmisión N (M filas
    // agregadas). ¿Importarlo otra vez?" si una corrida anterior agregó filas de los mismos bytes
    // (o, sin huella, del mismo nombre, tamaño y hora); vacío si no, o si el diario no se puede leer.
    QString avisoRepetido();

    // La fila "en curso", antes de tomar el número.
    void empezar();
    // Después de confirmar un grupo (fuera de su transacción).
    void poner(const Cuentas& cuentas);
    // De dónde salen las cuentas si el proceso termina en medio (después de confirmar el grupo).
    void fuenteDeCuentas(std::function<Cuentas()> fuente) { fuente_ = std::move(fuente); }
    // El resultado final (ResultadoCorrida), con las cuentas finales. Sin empezar (la corrida no
    // llegó a las filas), escribe la fila ya terminada: toda corrida que tomó un archivo queda.
    void terminar(const QString& resultado, const Cuentas& cuentas);

    // Las cuentas escritas por última vez.
    const CorridaDiario& corrida() const { return corrida_; }

  private:
    void esperarHuella();
    void copiar(const Cuentas& cuentas);

    DiarioCorridas diario_;
    CorridaDiario corrida_;
    std::future<std::optional<QString>> huella_;
    std::function<Cuentas()> fuente_;
    bool empezada_ = false;
    bool terminada_ = false;
    int avisoFin_ = -1;
};
