#include "XlsAMano.h"

#include <QtEndian>
#include <cstring>

QByteArray U16(quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    return QByteArray(b, 2);
}

QByteArray U32(quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray Doble(double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof v);
    char b[8];
    qToLittleEndian(bits, b);
    return QByteArray(b, 8);
}

QByteArray RegistroBiff(quint16 tipo, const QByteArray& datos) {
    return U16(tipo) + U16(static_cast<quint16>(datos.size())) + datos;
}

QByteArray Celda(quint16 fila, quint16 columna, quint16 xf) { return U16(fila) + U16(columna) + U16(xf); }

QByteArray TextoBiff8(const QString& texto, bool dobles, bool largo8) {
    QByteArray b =
        largo8 ? QByteArray(1, static_cast<char>(texto.size())) : U16(static_cast<quint16>(texto.size()));
    b += static_cast<char>(dobles ? 1 : 0);
    for (QChar c : texto) b += dobles ? U16(c.unicode()) : QByteArray(1, static_cast<char>(c.unicode()));
    return b;
}

QByteArray XlsAMano::flujo() const {
    const quint16 version = biff8 ? 0x0600 : 0x0500;
    const auto bof = [&](quint16 clase) {
        return RegistroBiff(0x0809,
                            U16(version) + U16(clase) + (biff8 ? QByteArray(12, '\0') : QByteArray(4, '\0')));
    };
    const QByteArray eof = RegistroBiff(0x000A, {});
    const auto hojaEnLista = [&](const Hoja& h, quint32 inicio) {
        QByteArray d = U32(inicio) + static_cast<char>(h.estado) + static_cast<char>(h.tipo);
        if (biff8) {
            d += TextoBiff8(h.nombre, false, true);
        } else {
            const QByteArray n = h.nombreCrudo.isEmpty() ? h.nombre.toLatin1() : h.nombreCrudo;
            d += static_cast<char>(n.size()) + n;
        }
        return RegistroBiff(0x0085, d);
    };
    // Primero el largo del bloque global, para saber dónde empieza cada hoja.
    qsizetype largoGlobal = bof(5).size() + global.size() + eof.size();
    for (const Hoja& h : hojas) largoGlobal += hojaEnLista(h, 0).size();
    QByteArray lista, cuerpos;
    for (const Hoja& h : hojas) {
        lista += hojaEnLista(h, static_cast<quint32>(largoGlobal + cuerpos.size()));
        cuerpos += bof(0x10) + h.registros + eof;
    }
    return bof(5) + global + lista + eof + cuerpos;
}

QByteArray DocumentoOle(const QByteArray& flujo, const QString& nombre) {
    constexpr int kSector = 512;
    constexpr quint32 kFin = 0xFFFFFFFE, kLibre = 0xFFFFFFFF, kFat = 0xFFFFFFFD;
    const bool mini = flujo.size() < 4096;
    // Sectores: 0 FAT, 1 directorio, [2 mini FAT], datos (el miniflujo o el flujo).
    QByteArray datos = flujo;
    if (mini) datos.append(QByteArray((64 - datos.size() % 64) % 64, '\0'));
    const int sectoresDatos = static_cast<int>((datos.size() + kSector - 1) / kSector);
    datos.append(QByteArray(sectoresDatos * kSector - datos.size(), '\0'));
    const quint32 primerDato = mini ? 3 : 2;
    std::vector<quint32> fat(kSector / 4, kLibre);
    fat[0] = kFat;
    fat[1] = kFin;
    if (mini) fat[2] = kFin;
    for (int i = 0; i < sectoresDatos; ++i)
        fat[primerDato + i] = i + 1 < sectoresDatos ? primerDato + i + 1 : kFin;
    QByteArray sectorFat;
    for (quint32 v : fat) sectorFat += U32(v);

    const auto entrada = [](const QString& n, int tipo, quint32 inicio, quint32 tamano, quint32 hijo) {
        QByteArray e(128, '\0');
        for (int i = 0; i < n.size(); ++i) {
            const QByteArray c = U16(n[i].unicode());
            e[2 * i] = c[0];
            e[2 * i + 1] = c[1];
        }
        const QByteArray largo = U16(static_cast<quint16>((n.size() + 1) * 2));
        e.replace(0x40, 2, largo);
        e[0x42] = static_cast<char>(tipo);
        e.replace(0x44, 12, U32(0xFFFFFFFF) + U32(0xFFFFFFFF) + U32(hijo));
        e.replace(0x74, 8, U32(inicio) + U32(tamano));
        return e;
    };
    QByteArray directorio = entrada(QStringLiteral("Root Entry"), 5, mini ? primerDato : kFin,
                                    mini ? static_cast<quint32>(sectoresDatos * kSector) : 0, 1);
    directorio += entrada(nombre, 2, mini ? 0 : primerDato, static_cast<quint32>(flujo.size()), 0xFFFFFFFF);
    directorio.append(QByteArray(kSector - directorio.size(), '\0'));

    QByteArray cabecera(kSector, '\0');
    cabecera.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    cabecera.replace(0x18, 2, U16(0x3E));
    cabecera.replace(0x1A, 2, U16(3));
    cabecera.replace(0x1C, 2, U16(0xFFFE));
    cabecera.replace(0x1E, 2, U16(9));
    cabecera.replace(0x20, 2, U16(6));
    cabecera.replace(0x2C, 4, U32(1));
    cabecera.replace(0x30, 4, U32(1));
    cabecera.replace(0x38, 4, U32(4096));
    cabecera.replace(0x3C, 4, U32(mini ? 2 : kFin));
    cabecera.replace(0x40, 4, U32(mini ? 1 : 0));
    cabecera.replace(0x44, 4, U32(kFin));
    for (int i = 0; i < 109; ++i) cabecera.replace(0x4C + 4 * i, 4, U32(i == 0 ? 0 : kLibre));

    QByteArray miniFat;
    if (mini) {
        const int minis = static_cast<int>((flujo.size() + 63) / 64);
        for (int i = 0; i < kSector / 4; ++i)
            miniFat += U32(i < minis ? (i + 1 < minis ? i + 1 : kFin) : kLibre);
    }
    return cabecera + sectorFat + directorio + miniFat + datos;
}
