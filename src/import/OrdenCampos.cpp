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

// La columna de un campo: la que lo nombra en su lugar, si no la primera que lo nombra; -1 si
// ninguna.
int ColumnaQueNombra(const QStringList& nombres, int posicion) {
    int primera = -1;
    for (qsizetype i = 0; i < nombres.size(); ++i) {
        if (PosicionConocida(nombres[i]) != posicion) continue;
        if (i == posicion) return posicion;
        if (primera < 0) primera = static_cast<int>(i);
    }
    return primera;
}

}  // namespace

ColumnasCampos ColumnasPorNombre(const QStringList& nombres) {
    const int posiciones[] = {0, 1, 2, 4};
    int nombrada[4];
    for (int k = 0; k < 4; ++k) nombrada[k] = ColumnaQueNombra(nombres, posiciones[k]);
    int columna[4];
    for (int k = 0; k < 4; ++k) {
        if (nombrada[k] >= 0) {
            columna[k] = nombrada[k];
            continue;
        }
        // Sin título propio: su posición, si es otra columna que las nombradas y existe.
        columna[k] = posiciones[k] < nombres.size() ? posiciones[k] : -1;
        for (int otro = 0; otro < 4; ++otro) {
            if (nombrada[otro] == posiciones[k]) columna[k] = -1;
        }
    }
    return {columna[0], columna[1], columna[2], columna[3]};
}

QString TextoColumnas(const ColumnasCampos& c, const QStringList& nombres) {
    auto de = [&](const char* campo, int columna) {
        if (columna < 0 || columna >= nombres.size())
            return QString::fromUtf8(campo) + QStringLiteral(" de ninguna columna");
        return QStringLiteral("%1 de la columna %2 (\"%3\")")
            .arg(QString::fromUtf8(campo))
            .arg(columna + 1)
            .arg(nombres[columna]);
    };
    return QStringList{de("eca1", c.eca1), de("serie", c.serie), de("modelo", c.modelo),
                       de("activación", c.activacion)}
        .join(QStringLiteral(", "));
}

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

QString AvisoVistaPrevia(const QStringList& nombres) {
    const QString aviso = AvisoOrdenCampos(nombres);
    if (aviso.isEmpty()) return {};
    return QStringLiteral("Aviso: ") + aviso +
           QStringLiteral(" \"Importar\" preguntará si se toman por sus títulos (") +
           TextoColumnas(ColumnasPorNombre(nombres), nombres) + QStringLiteral(") o por posición.");
}
