#pragma once
#include <QByteArray>
#include <algorithm>
#include <climits>
#include <cstring>

// Bytes que se leen por trozos, hacia adelante (una parte de un zip, un bloque en memoria).
class FlujoBytes {
  public:
    virtual ~FlujoBytes() = default;
    // Copia hasta maximo bytes en destino; devuelve cuántos (0 al final). Lanza ErrorEjecucion si
    // los bytes no se pueden leer (parte dañada o truncada).
    virtual int leer(char* destino, int maximo) = 0;
};

// Bytes que ya están en memoria (pruebas, fuzzing). Guarda una referencia: bytes debe vivir más.
// trozo: a lo sumo tantos bytes por lectura (para partir etiquetas y caracteres entre dos).
class FlujoMemoria : public FlujoBytes {
  public:
    explicit FlujoMemoria(const QByteArray& bytes, int trozo = INT_MAX) : bytes_(bytes), trozo_(trozo) {}
    int leer(char* destino, int maximo) override {
        const int n = static_cast<int>(std::min<qsizetype>({maximo, trozo_, bytes_.size() - pos_}));
        if (n > 0) std::memcpy(destino, bytes_.constData() + pos_, static_cast<std::size_t>(n));
        pos_ += n;
        return n;
    }

  private:
    const QByteArray& bytes_;
    int trozo_;
    qsizetype pos_ = 0;
};
