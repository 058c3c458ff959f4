#include "import/SeriesDelArchivo.h"

#include <limits>

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

std::size_t SeriesDelArchivo::lugar(quint64 huella) const {
    const std::size_t mascara = huellas_.size() - 1;
    std::size_t i = static_cast<std::size_t>(huella) & mascara;
    while (huellas_[i] != 0 && huellas_[i] != huella) i = (i + 1) & mascara;
    return i;
}

void SeriesDelArchivo::crecer() {
    std::vector<quint64> huellas = std::move(huellas_);
    std::vector<uint32_t> filas = std::move(filas_);
    const std::size_t lugares = huellas.empty() ? kLugaresIniciales : huellas.size() * 2;
    huellas_.assign(lugares, 0);
    filas_.assign(lugares, 0);
    for (std::size_t k = 0; k < huellas.size(); ++k) {
        if (huellas[k] == 0) continue;
        const std::size_t i = lugar(huellas[k]);
        huellas_[i] = huellas[k];
        filas_[i] = filas[k];
    }
}

void SeriesDelArchivo::llevada(const QString& serie, qint64 fila) {
    if (fila <= 0 || fila > std::numeric_limits<uint32_t>::max()) return;
    // Llena hasta tres cuartos: más allá, las búsquedas se alargan.
    if ((ocupados_ + 1) * 4 > huellas_.size() * 3) crecer();
    const quint64 h = Huella(serie);
    const std::size_t i = lugar(h);
    if (huellas_[i] == 0) {
        huellas_[i] = h;
        ++ocupados_;
    } else if (filas_[i] != 0) {
        return;  // ya la trajo otra fila antes
    }
    filas_[i] = static_cast<uint32_t>(fila);
}

std::optional<qint64> SeriesDelArchivo::primera(const QString& serie) const {
    if (huellas_.empty()) return std::nullopt;
    const std::size_t i = lugar(Huella(serie));
    if (huellas_[i] == 0 || filas_[i] == 0) return std::nullopt;
    return filas_[i];
}

std::optional<qint64> SeriesDelArchivo::repetida(const QString& serie, qint64 fila) {
    if (huellas_.empty()) return std::nullopt;
    const std::size_t i = lugar(Huella(serie));
    if (huellas_[i] == 0 || filas_[i] == 0) return std::nullopt;
    if (filas_[i] < fila) return filas_[i];
    filas_[i] = 0;
    return std::nullopt;
}

QString RepetidaEnElArchivo(qint64 fila) {
    return QStringLiteral("repetida en el archivo (fila %1)").arg(fila);
}
