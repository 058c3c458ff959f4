#pragma once
#include <QByteArray>
#include <QtEndian>
#include <vector>

// Arma tablas .dbf y memos byte por byte, para las pruebas.
struct CampoPrueba {
    const char* nombre;
    char tipo;
    int largo;
    int decimales = 0;
    unsigned char banderas = 0;
};

struct TablaPrueba {
    unsigned char version = 0x30;
    unsigned char codigoPagina = 0x03;
    std::vector<CampoPrueba> campos;
    std::vector<QByteArray> registros;  // cada uno con su marca de borrado (' ' o '*') y sus campos
    int registrosCabecera = -1;         // -1: los que hay
    bool marcaFin = true;               // 0x1A al final

    QByteArray bytes() const {
        const bool vfp = version == 0x30 || version == 0x31 || version == 0x32;
        // FoxPro 2 y Clipper: el largo de un C de más de 255 lleva su byte alto en los decimales.
        const auto largoReal = [&](const CampoPrueba& c) {
            return c.tipo == 'C' && !vfp ? c.largo + 256 * c.decimales : c.largo;
        };
        int largoRegistro = 1;
        for (const auto& c : campos) largoRegistro += largoReal(c);
        const int largoCabecera = 32 + 32 * static_cast<int>(campos.size()) + 1 + (vfp ? 263 : 0);
        QByteArray b(32, '\0');
        b[0] = static_cast<char>(version);
        b[1] = 124;
        b[2] = 1;
        b[3] = 31;
        qToLittleEndian<quint32>(registrosCabecera < 0 ? registros.size() : registrosCabecera, b.data() + 4);
        qToLittleEndian<quint16>(largoCabecera, b.data() + 8);
        qToLittleEndian<quint16>(largoRegistro, b.data() + 10);
        b[29] = static_cast<char>(codigoPagina);
        int desplazamiento = 1;
        for (const auto& c : campos) {
            QByteArray d(32, '\0');
            d.replace(0, static_cast<int>(qstrlen(c.nombre)), c.nombre);
            d[11] = c.tipo;
            qToLittleEndian<quint32>(desplazamiento, d.data() + 12);
            d[16] = static_cast<char>(c.largo);
            d[17] = static_cast<char>(c.decimales);
            d[18] = static_cast<char>(c.banderas);
            desplazamiento += largoReal(c);
            b += d;
        }
        b += '\x0D';
        if (vfp) b += QByteArray(263, '\0');
        for (const auto& r : registros) b += r;
        if (marcaFin) b += '\x1A';
        return b;
    }
};

// Un registro: la marca de borrado y los valores, cada uno rellenado con blancos a su largo.
inline QByteArray Registro(const std::vector<CampoPrueba>& campos, const std::vector<QByteArray>& valores,
                           bool borrado = false) {
    QByteArray r(1, borrado ? '*' : ' ');
    for (std::size_t i = 0; i < campos.size(); ++i) {
        QByteArray v = i < valores.size() ? valores[i] : QByteArray();
        v = v.leftJustified(campos[i].largo, ' ', true);
        r += v;
    }
    return r;
}

template <typename T>
QByteArray Le(T valor) {
    QByteArray b(sizeof(T), '\0');
    qToLittleEndian<T>(valor, b.data());
    return b;
}

inline QByteArray Doble(double d) {
    QByteArray b(8, '\0');
    qToLittleEndian<double>(d, b.data());
    return b;
}

// Memo de FoxPro (.fpt): cabecera de 512 bytes, bloques de tamBloque; cada memo en su bloque.
// Devuelve el archivo; en bloques, el número de bloque de cada memo.
inline QByteArray Fpt(const std::vector<QByteArray>& memos, std::vector<quint32>& bloques,
                      int tamBloque = 64) {
    QByteArray b(512, '\0');
    qToBigEndian<quint16>(tamBloque, b.data() + 6);
    for (const auto& m : memos) {
        bloques.push_back(static_cast<quint32>(b.size() / tamBloque));
        QByteArray cabeza(8, '\0');
        qToBigEndian<quint32>(1, cabeza.data());
        qToBigEndian<quint32>(m.size(), cabeza.data() + 4);
        b += cabeza + m;
        while (b.size() % tamBloque) b += '\0';
    }
    qToBigEndian<quint32>(b.size() / tamBloque, b.data());
    return b;
}

// Memo de dBase III (.dbt): bloques de 512 bytes, cada memo termina en 0x1A 0x1A.
inline QByteArray DbtIII(const std::vector<QByteArray>& memos, std::vector<quint32>& bloques) {
    QByteArray b(512, '\0');
    for (const auto& m : memos) {
        bloques.push_back(static_cast<quint32>(b.size() / 512));
        b += m + "\x1A\x1A";
        while (b.size() % 512) b += '\0';
    }
    qToLittleEndian<quint32>(b.size() / 512, b.data());
    return b;
}

// Memo de dBase IV (.dbt): tamaño de bloque en la cabecera, cada bloque con FF FF 08 00 y el largo.
inline QByteArray DbtIV(const std::vector<QByteArray>& memos, std::vector<quint32>& bloques,
                        int tamBloque = 512) {
    QByteArray b(tamBloque, '\0');
    qToLittleEndian<quint16>(tamBloque, b.data() + 20);
    for (const auto& m : memos) {
        bloques.push_back(static_cast<quint32>(b.size() / tamBloque));
        QByteArray cabeza("\xFF\xFF\x08\x00", 4);
        cabeza += Le<quint32>(m.size() + 8);
        b += cabeza + m;
        while (b.size() % tamBloque) b += '\0';
    }
    return b;
}
