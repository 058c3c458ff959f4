#include "import/SeriesDelArchivo.h"

#include <QHash>

#include "ado/sqlite/ProveedorSqlite.h"

quint64 SeriesDelArchivo::Huella(const QString& serie) {
    const QString clave = ClaveSerie(serie);
    return qHashBits(clave.constData(), static_cast<size_t>(clave.size()) * sizeof(QChar),
                     0x9E3779B97F4A7C15ULL);
}

void SeriesDelArchivo::llevada(const QString& serie, qint64 fila) { filas_.try_emplace(Huella(serie), fila); }

std::optional<qint64> SeriesDelArchivo::primera(const QString& serie) const {
    const auto it = filas_.find(Huella(serie));
    if (it == filas_.end()) return std::nullopt;
    return it->second;
}

std::optional<qint64> SeriesDelArchivo::repetida(const QString& serie, qint64 fila) {
    const auto it = filas_.find(Huella(serie));
    if (it == filas_.end()) return std::nullopt;
    if (it->second < fila) return it->second;
    filas_.erase(it);
    return std::nullopt;
}

QString RepetidaEnElArchivo(qint64 fila) {
    return QStringLiteral("repetida en el archivo (fila %1)").arg(fila);
}
