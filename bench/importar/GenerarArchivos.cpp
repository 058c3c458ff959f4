#include "GenerarArchivos.h"

#include <QByteArray>
#include <QFile>
#include <functional>
#include <random>
#include <vector>

#ifdef GARANTIAS_CON_XLSXWRITER
#include <xlsxwriter.h>
#endif

namespace {
const char* const kModelos[] = {
    "Heladera No Frost 360 L", "Lavarropas Automático 8 kg", "Smart TV 50 4K",   "Aire Acondicionado 3000 W",
    "Microondas Grill 28 L",   "Cocina 4 Hornallas",         "Notebook 15,6 i5", "Celular 128 GB"};

// Las filas del archivo, en orden: la serie de las repetidas sale de una fila anterior.
void RecorrerFilas(qint64 filas, quint64 semilla,
                   const std::function<void(qint64, const QByteArray (&)[5])>& fila) {
    std::mt19937_64 azar(semilla);
    std::uniform_int_distribution<quint64> cifras(100000000000ULL, 999999999999ULL);
    std::vector<quint64> series;
    series.reserve(static_cast<size_t>(filas));
    for (qint64 i = 1; i <= filas; ++i) {
        quint64 serie = cifras(azar);
        if (i % 20 == 0) serie = series[azar() % series.size()];
        series.push_back(serie);
        const QByteArray valores[5] = {
            "ECA" + QByteArray::number(i % 331), QByteArray::number(serie), kModelos[i % 8],
            QByteArray::number(i % 7),
            QByteArray::number(1 + i % 28) + "/" + QByteArray::number(1 + i % 12) + "/2024"};
        fila(i, valores);
    }
}
}  // namespace

QString GenerarCsvImportar(const QString& ruta, qint64 filas, quint64 semilla) {
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return f.errorString();
    QByteArray bloque = "eca1,serie,modelo,otro,activacion\n";
    QString falla;
    RecorrerFilas(filas, semilla, [&](qint64, const QByteArray(&v)[5]) {
        // El modelo lleva una coma: va entre comillas.
        bloque += v[0] + ',' + v[1] + ",\"" + v[2] + "\"," + v[3] + ',' + v[4] + '\n';
        if (bloque.size() > (1 << 20)) {
            if (f.write(bloque) != bloque.size()) falla = f.errorString();
            bloque.clear();
        }
    });
    if (f.write(bloque) != bloque.size()) falla = f.errorString();
    if (!f.flush()) falla = f.errorString();
    return falla;
}

QString GenerarXlsxImportar(const QString& ruta, qint64 filas, quint64 semilla) {
#ifdef GARANTIAS_CON_XLSXWRITER
    lxw_workbook_options opciones = {};
    opciones.constant_memory = LXW_TRUE;  // las filas van al disco a medida que se escriben
    const QByteArray nombre = QFile::encodeName(ruta);
    lxw_workbook* libro = workbook_new_opt(nombre.constData(), &opciones);
    if (!libro) return QStringLiteral("no se pudo crear el libro");
    lxw_worksheet* hoja = workbook_add_worksheet(libro, "Hoja1");
    const char* titulos[] = {"eca1", "serie", "modelo", "otro", "activacion"};
    bool bien = true;
    for (int c = 0; c < 5; ++c)
        bien &= worksheet_write_string(hoja, 0, c, titulos[c], nullptr) == LXW_NO_ERROR;
    RecorrerFilas(filas, semilla, [&](qint64 i, const QByteArray(&v)[5]) {
        // La serie como texto, como la escriben los proveedores (un número de 12 cifras se vería en
        // notación científica en Excel).
        for (int c = 0; c < 5; ++c) {
            bien &= worksheet_write_string(hoja, static_cast<lxw_row_t>(i), static_cast<lxw_col_t>(c),
                                           v[c].constData(), nullptr) == LXW_NO_ERROR;
        }
    });
    if (workbook_close(libro) != LXW_NO_ERROR || !bien) return QStringLiteral("no se pudo escribir el libro");
    return {};
#else
    Q_UNUSED(ruta);
    Q_UNUSED(filas);
    Q_UNUSED(semilla);
    return QStringLiteral("compilado sin libxlsxwriter");
#endif
}
