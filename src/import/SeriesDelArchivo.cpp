#include "import/SeriesDelArchivo.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "ado/sqlite/ProveedorSqlite.h"

namespace {
constexpr std::size_t kLugaresIniciales = 1 << 12;

// Mezcla final de 64 bits (la de splitmix64): las huellas parecidas caen lejos en la tabla.
quint64 Mezclar(quint64 x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

constexpr std::size_t kPaginaGrande = std::size_t{2} << 20;

// Una tabla de lugares en ceros. Una tabla grande va en páginas de 2 MB donde el sistema las da:
// cada fila toca un lugar al azar, y con páginas de 4 KB casi cada uno cuesta además una vuelta
// por las tablas de páginas (la mitad del tiempo de la tabla en un millón de filas).
template <typename T>
T* PedirLugares(std::size_t cantidad) {
    const std::size_t bytes = cantidad * sizeof(T);
    if (bytes < kPaginaGrande) {
        T* p = static_cast<T*>(std::calloc(cantidad, sizeof(T)));
        if (!p) throw std::bad_alloc();
        return p;
    }
    const std::size_t redondeado = (bytes + kPaginaGrande - 1) / kPaginaGrande * kPaginaGrande;
    void* p = std::aligned_alloc(kPaginaGrande, redondeado);
    if (!p) throw std::bad_alloc();
    madvise(p, redondeado, MADV_HUGEPAGE);  // sólo un consejo: si no se puede, páginas comunes
    std::memset(p, 0, bytes);
    return static_cast<T*>(p);
}

// La tabla se llena hasta tres cuartos: más allá, las búsquedas se alargan.
bool Cabe(std::size_t series, std::size_t lugares) { return series * 4 <= lugares * 3; }
}  // namespace

quint64 SeriesDelArchivo::Huella(const QString& serie) {
    qsizetype n = serie.size();
    while (n > 0 && serie[n - 1] == u' ') --n;
    // FNV-1a sobre las letras de la clave.
    quint64 h = 0xCBF29CE484222325ULL;
    const QChar* letras = serie.constData();
    for (qsizetype i = 0; i < n; ++i) {
        h ^= LetraDeClaveSerie(letras[i].unicode());
        h *= 0x100000001B3ULL;
    }
    h = Mezclar(h ^ static_cast<quint64>(n));
    return h == 0 ? 1 : h;
}

SeriesDelArchivo::Lugar& SeriesDelArchivo::lugar(quint64 huella) const {
    const std::size_t mascara = cantidad_ - 1;
    std::size_t i = static_cast<std::size_t>(huella) & mascara;
    const uint32_t alta = static_cast<uint32_t>(huella >> 32), baja = static_cast<uint32_t>(huella);
    for (;;) {
        Lugar& l = lugares_[i];
        if (l.vacio() || (l.alta == alta && l.baja == baja)) return l;
        i = (i + 1) & mascara;
    }
}

void SeriesDelArchivo::rehacer(std::size_t lugares) {
    std::unique_ptr<Lugar[], Liberar> nuevos(PedirLugares<Lugar>(lugares));
    std::unique_ptr<Lugar[], Liberar> viejos = std::move(lugares_);
    const std::size_t cantidadVieja = cantidad_;
    lugares_ = std::move(nuevos);
    cantidad_ = lugares;
    for (std::size_t k = 0; k < cantidadVieja; ++k) {
        if (!viejos[k].vacio()) lugar(viejos[k].huella()) = viejos[k];
    }
}

void SeriesDelArchivo::reservar(qint64 series) {
    if (series <= 0) return;
    reserva_ = std::min<qint64>(series, std::numeric_limits<uint32_t>::max());
    if (!enTabla_) {
        porFila_.reserve(static_cast<std::size_t>(reserva_));
        return;
    }
    std::size_t lugares = cantidad_ == 0 ? kLugaresIniciales : cantidad_;
    while (!Cabe(static_cast<std::size_t>(reserva_), lugares)) lugares *= 2;
    if (lugares != cantidad_) rehacer(lugares);
}

void SeriesDelArchivo::pasarATabla() {
    enTabla_ = true;
    reservar(std::max<qint64>(reserva_, static_cast<qint64>(porFila_.size())));
    for (std::size_t i = 0; i < porFila_.size(); ++i) {
        if (porFila_[i] != 0) anotarEnTabla(porFila_[i], static_cast<qint64>(i) + 1);
    }
    std::vector<quint64>().swap(porFila_);
}

quint64 SeriesDelArchivo::anticipar(const QString& serie) const {
    const quint64 h = Huella(serie);
    if (enTabla_ && cantidad_ != 0)
        __builtin_prefetch(&lugares_[static_cast<std::size_t>(h) & (cantidad_ - 1)], 1);
    return h;
}

void SeriesDelArchivo::llevada(quint64 huella, qint64 fila) {
    if (fila <= 0 || fila > std::numeric_limits<uint32_t>::max()) return;
    const auto i = static_cast<std::size_t>(fila - 1);
    if (!enTabla_ && i >= porFila_.size()) {
        porFila_.resize(i, 0);
        porFila_.push_back(huella);
        return;
    }
    // Una fila que no viene después de las anotadas (no pasa al importar): la tabla no depende del orden.
    if (!enTabla_) pasarATabla();
    anotarEnTabla(huella, fila);
}

void SeriesDelArchivo::anotarEnTabla(quint64 huella, qint64 fila) {
    if (cantidad_ == 0 || !Cabe(ocupados_ + 1, cantidad_))
        rehacer(cantidad_ == 0 ? kLugaresIniciales : cantidad_ * 2);
    Lugar& l = lugar(huella);
    if (l.vacio()) {
        l.alta = static_cast<uint32_t>(huella >> 32);
        l.baja = static_cast<uint32_t>(huella);
        ++ocupados_;
    } else if (l.fila != 0) {
        return;  // ya la trajo otra fila antes
    }
    l.fila = static_cast<uint32_t>(fila);
}

std::optional<qint64> SeriesDelArchivo::primera(quint64 huella) {
    if (!enTabla_) pasarATabla();
    if (cantidad_ == 0) return std::nullopt;
    const Lugar& l = lugar(huella);
    if (l.vacio() || l.fila == 0) return std::nullopt;
    return l.fila;
}

std::optional<qint64> SeriesDelArchivo::repetida(const QString& serie, qint64 fila) {
    if (!enTabla_) pasarATabla();
    if (cantidad_ == 0) return std::nullopt;
    Lugar& l = lugar(Huella(serie));
    if (l.vacio() || l.fila == 0) return std::nullopt;
    if (l.fila < fila) return l.fila;
    l.fila = 0;
    return std::nullopt;
}

QString FilaQueLaTrajo(qint64 fila) { return QStringLiteral("fila %1").arg(fila); }
