#pragma once
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <vector>

// Un registro y sus CONTINUE, leídos como un solo chorro de bytes. Los caracteres de un texto
// de BIFF8 que cruzan a un CONTINUE vuelven a decir allí si son de uno o de dos bytes.
class TrozosBiff {
  public:
    // Agrega el trozo siguiente (prestado: sus bytes deben vivir más que el lector).
    void agregar(const char* datos, int largo) { trozos_.push_back({datos, largo}); }
    // Vuelve al primer trozo, desplazamiento bytes adentro.
    void empezar(int desplazamiento) {
        t_ = 0;
        pos_ = desplazamiento;
    }
    // ¿Quedan bytes por leer?
    bool quedan() {
        normalizar();
        return t_ < trozos_.size();
    }
    // Copia n bytes cruzando trozos (destino nulo: los salta). false si no alcanzan.
    bool bytes(char* destino, qint64 n) {
        while (n > 0) {
            normalizar();
            if (t_ >= trozos_.size()) return false;
            const int k = static_cast<int>(std::min<qint64>(n, trozos_[t_].largo - pos_));
            if (destino) {
                std::memcpy(destino, trozos_[t_].datos + pos_, static_cast<std::size_t>(k));
                destino += k;
            }
            pos_ += k;
            n -= k;
        }
        return true;
    }
    // Enteros little-endian; false si no alcanzan los bytes.
    bool u8(quint8& v) { return bytes(reinterpret_cast<char*>(&v), 1); }
    bool u16(quint16& v) {
        char b[2];
        if (!bytes(b, 2)) return false;
        v = qFromLittleEndian<quint16>(b);
        return true;
    }
    bool u32(quint32& v) {
        char b[4];
        if (!bytes(b, 4)) return false;
        v = qFromLittleEndian<quint32>(b);
        return true;
    }
    // cuantos caracteres de uno (Latin-1) o dos bytes (UTF-16 LE).
    bool caracteres(int cuantos, bool dobles, QString& salida) {
        salida.resize(cuantos);
        QChar* d = salida.data();
        int hechos = 0;
        while (hechos < cuantos) {
            if (t_ < trozos_.size() && pos_ >= trozos_[t_].largo) {
                ++t_;
                pos_ = 0;
                // El texto sigue en el CONTINUE, que empieza con sus propias banderas.
                if (t_ >= trozos_.size() || trozos_[t_].largo < 1) return false;
                dobles = trozos_[t_].datos[0] & 1;
                pos_ = 1;
            }
            if (t_ >= trozos_.size()) return false;
            const char* p = trozos_[t_].datos + pos_;
            const int disponibles = (trozos_[t_].largo - pos_) / (dobles ? 2 : 1);
            const int k = std::min(cuantos - hechos, disponibles);
            if (k <= 0) return false;  // un carácter doble partido entre dos registros
            if (dobles) {
                for (int i = 0; i < k; ++i) d[hechos + i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
            } else {
                for (int i = 0; i < k; ++i) d[hechos + i] = QChar(static_cast<uchar>(p[i]));
            }
            hechos += k;
            pos_ += k * (dobles ? 2 : 1);
        }
        return true;
    }
    // Un texto de BIFF8 (XLUnicodeString o el de la tabla SST): largo, banderas, [runs], [ext],
    // caracteres, y después los runs y el ext que se saltan. largo8: el largo es de un byte.
    bool textoBiff8(QString& salida, bool largo8 = false) {
        quint16 cch = 0;
        if (largo8) {
            quint8 c = 0;
            if (!u8(c)) return false;
            cch = c;
        } else if (!u16(cch)) {
            return false;
        }
        quint8 banderas = 0;
        if (!u8(banderas)) return false;
        quint16 runs = 0;
        quint32 ext = 0;
        if ((banderas & 0x08) && !u16(runs)) return false;
        if ((banderas & 0x04) && !u32(ext)) return false;
        if (!caracteres(cch, banderas & 1, salida)) return false;
        return bytes(nullptr, 4ll * runs) && bytes(nullptr, ext);
    }

  private:
    void normalizar() {
        while (t_ < trozos_.size() && pos_ >= trozos_[t_].largo) {
            ++t_;
            pos_ = 0;
        }
    }
    struct Trozo {
        const char* datos;
        int largo;
    };
    std::vector<Trozo> trozos_;
    std::size_t t_ = 0;
    int pos_ = 0;
};
