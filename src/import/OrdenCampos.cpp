#include "import/OrdenCampos.h"

namespace {

// Lo que la importación toma de cada posición.
const char* const kTomado[] = {"eca1", "serie", "modelo", nullptr, "activacion"};

// Los títulos con que los proveedores nombran cada posición, ya normalizados.
struct Conocido {
    const char* titulo;
    int posicion;
};
const Conocido kConocidos[] = {
    {"eca1", 0},     {"eca", 0},        {"puntodeventa", 0},    {"puntoventa", 0},        {"serie", 1},
    {"nroserie", 1}, {"nrodeserie", 1}, {"numerodeserie", 1},   {"numeroserie", 1},       {"serial", 1},
    {"modelo", 2},   {"activacion", 4}, {"fechaactivacion", 4}, {"fechadeactivacion", 4},
};

// Sin mayúsculas, sin acentos y sólo letras y dígitos.
QString Normalizar(const QString& titulo) {
    const QString d = titulo.normalized(QString::NormalizationForm_D).toCaseFolded();
    QString n;
    for (const QChar c : d) {
        if (c.isLetterOrNumber()) n += c;
    }
    return n;
}

int PosicionConocida(const QString& titulo) {
    const QString n = Normalizar(titulo);
    for (const Conocido& c : kConocidos) {
        if (n == QLatin1String(c.titulo)) return c.posicion;
    }
    return -1;
}

QString Tomado(qsizetype posicion) {
    if (posicion < 5 && kTomado[posicion]) return QString::fromLatin1(kTomado[posicion]);
    return QStringLiteral("no se usa");
}

}  // namespace

QString AvisoOrdenCampos(const QStringList& nombres) {
    QStringList fuera;
    for (qsizetype i = 0; i < nombres.size(); ++i) {
        const int conocida = PosicionConocida(nombres[i]);
        if (conocida < 0 || conocida == i) continue;
        const QString tomado = Tomado(i);
        fuera << (tomado == QLatin1String("no se usa")
                      ? QStringLiteral("la columna %1, \"%2\", no se usa").arg(i + 1).arg(nombres[i])
                      : QStringLiteral("la columna %1, \"%2\", se toma como %3")
                            .arg(i + 1)
                            .arg(nombres[i], tomado));
    }
    if (fuera.isEmpty()) return {};
    return QStringLiteral(
               "los campos se toman por posición (eca1, serie, modelo, -, activación) y los títulos parecen "
               "de otro "
               "orden: ") +
           fuera.join(QStringLiteral("; ")) + '.';
}
