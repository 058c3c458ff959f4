#include "ado/excel/ContenedorOle.h"

#include <QtEndian>
#include <cstring>

namespace {
constexpr quint32 kFinCadena = 0xFFFFFFFE;
constexpr quint32 kMaxSectorNormal = 0xFFFFFFFA;
constexpr int kEntrada = 128;

quint16 U16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 U32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint64 U64(const char* p) { return qFromLittleEndian<quint64>(p); }
}  // namespace

ContenedorOle::ContenedorOle(QIODevice& origen) : origen_(origen) {}

bool ContenedorOle::fallar(Falla clase, const QString& descripcion) {
    falla_ = clase;
    descripcion_ = descripcion;
    return false;
}

bool ContenedorOle::leerSector(quint32 sector, char* destino) {
    const qint64 desde = (static_cast<qint64>(sector) + 1) * tamSector_;
    if (desde >= tamanoArchivo_)
        return fallar(Falla::Truncado, QStringLiteral("el archivo termina antes que sus datos"));
    if (!origen_.seek(desde))
        return fallar(Falla::Truncado,
                      QStringLiteral("no se llega a sus datos (%1)").arg(origen_.errorString()));
    const qint64 n = origen_.read(destino, tamSector_);
    if (n < 0)
        return fallar(Falla::Truncado, QStringLiteral("falló la lectura (%1)").arg(origen_.errorString()));
    // Algunos programas no completan el último sector: lo que falta se lee como ceros.
    if (n < tamSector_) std::memset(destino + n, 0, static_cast<std::size_t>(tamSector_ - n));
    return true;
}

bool ContenedorOle::cadena(quint32 inicio, const std::vector<quint32>& tabla,
                           std::vector<quint32>& sectores) {
    sectores.clear();
    quint32 s = inicio;
    while (s != kFinCadena) {
        if (s >= tabla.size() || s > kMaxSectorNormal)
            return fallar(Falla::Danado,
                          QStringLiteral("una cadena de sectores sale de la tabla de asignación"));
        if (sectores.size() >= tabla.size())
            return fallar(Falla::Danado, QStringLiteral("una cadena de sectores da vueltas sobre sí misma"));
        sectores.push_back(s);
        s = tabla[s];
    }
    return true;
}

bool ContenedorOle::abrir() {
    tamanoArchivo_ = origen_.size();
    char cabecera[512];
    if (!origen_.seek(0))
        return fallar(Falla::Truncado, QStringLiteral("falló la lectura (%1)").arg(origen_.errorString()));
    const qint64 n = origen_.read(cabecera, sizeof cabecera);
    if (n < 8 || std::memcmp(cabecera, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0)
        return fallar(Falla::NoEsOle, QStringLiteral("no es un documento de Office"));
    if (n < static_cast<qint64>(sizeof cabecera))
        return fallar(Falla::Truncado, QStringLiteral("el archivo termina antes que sus datos"));
    const quint16 desplazamiento = U16(cabecera + 0x1E);
    if (desplazamiento != 9 && desplazamiento != 12)
        return fallar(Falla::Danado,
                      QStringLiteral("el tamaño de sector (2^%1) no es válido").arg(desplazamiento));
    tamSector_ = 1 << desplazamiento;
    const bool version3 = desplazamiento == 9;
    const quint16 mini = U16(cabecera + 0x20);
    if (mini != 6)
        return fallar(Falla::Danado, QStringLiteral("el tamaño de minisector (2^%1) no es válido").arg(mini));
    tamMini_ = 64;
    const quint32 corte = U32(cabecera + 0x38);
    corteMini_ = (corte == 0 || corte > (1u << 20)) ? 4096 : corte;
    const quint32 sectoresFat = U32(cabecera + 0x2C);
    const quint32 inicioDirectorio = U32(cabecera + 0x30);
    const quint32 inicioMiniFat = U32(cabecera + 0x3C);
    const quint32 sectoresMiniFat = U32(cabecera + 0x40);
    quint32 inicioDifat = U32(cabecera + 0x44);
    const quint32 sectoresDifat = U32(cabecera + 0x48);

    // Un sector que no está en el archivo no puede estar en la FAT: el tamaño acota todo.
    const quint64 maxSectores = static_cast<quint64>(tamanoArchivo_) / static_cast<quint64>(tamSector_) + 1;
    if (sectoresFat == 0 || sectoresFat > maxSectores)
        return fallar(Falla::Danado, QStringLiteral("anuncia %1 sectores de asignación").arg(sectoresFat));

    // Los sectores de la FAT: 109 en la cabecera y el resto en la cadena DIFAT.
    std::vector<quint32> sectoresDeFat;
    sectoresDeFat.reserve(sectoresFat);
    for (int i = 0; i < 109 && sectoresDeFat.size() < sectoresFat; ++i)
        sectoresDeFat.push_back(U32(cabecera + 0x4C + 4 * i));
    QByteArray sector(tamSector_, Qt::Uninitialized);
    const int porSector = tamSector_ / 4;
    for (quint32 vueltas = 0; sectoresDeFat.size() < sectoresFat; ++vueltas) {
        if (inicioDifat > kMaxSectorNormal || vueltas >= sectoresDifat + 1 || vueltas > maxSectores)
            return fallar(Falla::Danado, QStringLiteral("la lista de sectores de asignación está cortada"));
        if (!leerSector(inicioDifat, sector.data())) return false;
        for (int i = 0; i < porSector - 1 && sectoresDeFat.size() < sectoresFat; ++i)
            sectoresDeFat.push_back(U32(sector.constData() + 4 * i));
        inicioDifat = U32(sector.constData() + 4 * (porSector - 1));
    }
    fat_.resize(static_cast<std::size_t>(sectoresFat) * porSector);
    for (std::size_t i = 0; i < sectoresDeFat.size(); ++i) {
        if (sectoresDeFat[i] > kMaxSectorNormal)
            return fallar(Falla::Danado, QStringLiteral("falta un sector de la tabla de asignación"));
        if (!leerSector(sectoresDeFat[i], sector.data())) return false;
        for (int j = 0; j < porSector; ++j) fat_[i * porSector + j] = U32(sector.constData() + 4 * j);
    }

    // El directorio.
    std::vector<quint32> sectores;
    if (!cadena(inicioDirectorio, fat_, sectores)) return false;
    if (sectores.empty()) return fallar(Falla::Danado, QStringLiteral("no tiene directorio"));
    for (quint32 s : sectores) {
        if (!leerSector(s, sector.data())) return false;
        for (int k = 0; k + kEntrada <= tamSector_; k += kEntrada) {
            const char* e = sector.constData() + k;
            Entrada entrada;
            entrada.tipo = static_cast<unsigned char>(e[0x42]);
            if (entrada.tipo == 0) {
                entradas_.push_back(entrada);  // libre: se guarda igual para que los índices sigan
                continue;
            }
            const int largo = std::min<int>(U16(e + 0x40), 64) / 2;
            QString nombre(std::max(largo - 1, 0), Qt::Uninitialized);  // sin el nulo final
            for (qsizetype i = 0; i < nombre.size(); ++i)
                nombre[i] = QChar(U16(e + 2 * i));  // UTF-16 LE, sea cual sea la máquina
            entrada.nombre = nombre;
            entrada.inicio = U32(e + 0x74);
            entrada.tamano = version3 ? U32(e + 0x78) : U64(e + 0x78);
            entradas_.push_back(entrada);
        }
    }
    if (entradas_.empty() || entradas_[0].tipo != 5)
        return fallar(Falla::Danado, QStringLiteral("el directorio no empieza por la entrada raíz"));

    // La mini FAT (puede no haber: un documento sin flujos chicos).
    if (sectoresMiniFat > 0 && inicioMiniFat <= kMaxSectorNormal) {
        if (sectoresMiniFat > maxSectores)
            return fallar(Falla::Danado,
                          QStringLiteral("anuncia %1 sectores de minisectores").arg(sectoresMiniFat));
        if (!cadena(inicioMiniFat, fat_, sectores)) return false;
        for (std::size_t i = 0; i < sectores.size() && i < sectoresMiniFat; ++i) {
            if (!leerSector(sectores[i], sector.data())) return false;
            for (int j = 0; j < porSector; ++j) miniFat_.push_back(U32(sector.constData() + 4 * j));
        }
    }
    return true;
}

bool ContenedorOle::tieneFlujo(const QString& nombre) const {
    for (const Entrada& e : entradas_) {
        if (e.tipo == 2 && e.nombre.compare(nombre, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

bool ContenedorOle::leerCadena(quint32 inicio, quint64 tamano, QByteArray& salida) {
    if (tamano > kMaxFlujo || tamano > static_cast<quint64>(tamanoArchivo_))
        return fallar(Falla::Danado, QStringLiteral("un flujo anuncia %1 bytes").arg(tamano));
    std::vector<quint32> sectores;
    if (!cadena(inicio, fat_, sectores)) return false;
    const quint64 necesarios = (tamano + tamSector_ - 1) / tamSector_;
    if (sectores.size() < necesarios)
        return fallar(Falla::Danado,
                      QStringLiteral("la cadena de sectores de un flujo es más corta que el flujo"));
    salida.resize(static_cast<qsizetype>(necesarios * tamSector_));
    // Los sectores seguidos se leen de una vez: un libro suele estar casi todo contiguo.
    for (std::size_t i = 0; i < necesarios;) {
        std::size_t j = i + 1;
        while (j < necesarios && sectores[j] == sectores[j - 1] + 1) ++j;
        const qint64 desde = (static_cast<qint64>(sectores[i]) + 1) * tamSector_;
        const qint64 largo = static_cast<qint64>(j - i) * tamSector_;
        if (desde >= tamanoArchivo_)
            return fallar(Falla::Truncado, QStringLiteral("el archivo termina antes que sus datos"));
        if (!origen_.seek(desde))
            return fallar(Falla::Truncado,
                          QStringLiteral("no se llega a sus datos (%1)").arg(origen_.errorString()));
        char* destino = salida.data() + static_cast<qsizetype>(i) * tamSector_;
        const qint64 n = origen_.read(destino, largo);
        if (n < 0)
            return fallar(Falla::Truncado,
                          QStringLiteral("falló la lectura (%1)").arg(origen_.errorString()));
        if (n < largo) {
            // Sólo el último sector del archivo puede venir incompleto.
            if (desde + largo < tamanoArchivo_ || largo - n >= tamSector_)
                return fallar(Falla::Truncado, QStringLiteral("el archivo termina antes que sus datos"));
            std::memset(destino + n, 0, static_cast<std::size_t>(largo - n));
        }
        i = j;
    }
    salida.truncate(static_cast<qsizetype>(tamano));
    return true;
}

std::optional<QByteArray> ContenedorOle::flujo(const QStringList& nombres) {
    for (const QString& buscado : nombres) {
        for (const Entrada& e : entradas_) {
            if (e.tipo != 2 || e.nombre.compare(buscado, Qt::CaseInsensitive) != 0) continue;
            QByteArray salida;
            if (e.tamano >= corteMini_) {
                if (!leerCadena(e.inicio, e.tamano, salida)) return std::nullopt;
                return salida;
            }
            // Un flujo chico vive en el miniflujo, que es el flujo de la entrada raíz.
            if (!miniLeido_) {
                if (!leerCadena(entradas_[0].inicio, entradas_[0].tamano, miniFlujo_)) return std::nullopt;
                miniLeido_ = true;
            }
            std::vector<quint32> sectores;
            if (!cadena(e.inicio, miniFat_, sectores)) return std::nullopt;
            const quint64 necesarios = (e.tamano + tamMini_ - 1) / tamMini_;
            if (sectores.size() < necesarios) {
                fallar(Falla::Danado,
                       QStringLiteral("la cadena de minisectores de un flujo es más corta que el flujo"));
                return std::nullopt;
            }
            salida.reserve(static_cast<qsizetype>(e.tamano));
            for (std::size_t i = 0; i < necesarios; ++i) {
                const qint64 desde = static_cast<qint64>(sectores[i]) * tamMini_;
                if (desde + tamMini_ > miniFlujo_.size()) {
                    fallar(Falla::Danado, QStringLiteral("un minisector cae fuera del miniflujo"));
                    return std::nullopt;
                }
                salida.append(miniFlujo_.constData() + desde, tamMini_);
            }
            salida.truncate(static_cast<qsizetype>(e.tamano));
            return salida;
        }
    }
    return std::nullopt;
}
