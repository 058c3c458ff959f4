#include "GenerarArchivos.h"

#include <sqlite3.h>

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

// dBase III: cabecera, cinco campos de caracteres con los títulos del csv, registros de ancho fijo.
QString GenerarDbfImportar(const QString& ruta, qint64 filas, quint64 semilla) {
    const char* nombres[] = {"ECA1", "SERIE", "MODELO", "OTRO", "ACTIVACION"};
    const int largos[] = {8, 14, 30, 4, 12};
    int largoRegistro = 1;
    for (int l : largos) largoRegistro += l;
    const int largoCabecera = 32 + 32 * 5 + 1;
    QByteArray bloque(32, '\0');
    bloque[0] = 0x03;
    bloque[1] = char(124);
    bloque[2] = 1;
    bloque[3] = 1;
    for (int k = 0; k < 4; ++k) bloque[4 + k] = char((static_cast<quint32>(filas) >> (8 * k)) & 0xFF);
    bloque[8] = char(largoCabecera & 0xFF);
    bloque[9] = char(largoCabecera >> 8);
    bloque[10] = char(largoRegistro & 0xFF);
    bloque[11] = char(largoRegistro >> 8);
    bloque[29] = 0x03;  // Windows-1252
    for (int c = 0; c < 5; ++c) {
        QByteArray d(32, '\0');
        d.replace(0, int(qstrlen(nombres[c])), nombres[c]);
        d[11] = 'C';
        d[16] = char(largos[c]);
        bloque += d;
    }
    bloque += '\r';
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return f.errorString();
    QString falla;
    RecorrerFilas(filas, semilla, [&](qint64, const QByteArray(&v)[5]) {
        bloque += ' ';
        // El dbf va en Windows-1252, como lo escriben los programas de los proveedores.
        for (int c = 0; c < 5; ++c)
            bloque += QString::fromUtf8(v[c]).toLatin1().leftJustified(largos[c], ' ', true);
        if (bloque.size() > (1 << 20)) {
            if (f.write(bloque) != bloque.size()) falla = f.errorString();
            bloque.clear();
        }
    });
    bloque += '\x1a';
    if (f.write(bloque) != bloque.size()) falla = f.errorString();
    return falla;
}

QString GenerarDbImportar(const QString& ruta, qint64 filas, quint64 semilla) {
    QFile::remove(ruta);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(ruta).constData(), &db) != SQLITE_OK) {
        const QString e = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return e;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_exec(db,
                     "PRAGMA journal_mode=OFF; BEGIN; CREATE TABLE garantias(eca1 TEXT, serie TEXT, modelo "
                     "TEXT, otro TEXT, "
                     "activacion TEXT);",
                     nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "INSERT INTO garantias VALUES(?,?,?,?,?)", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("no se pudo crear la tabla");
    }
    bool bien = true;
    RecorrerFilas(filas, semilla, [&](qint64, const QByteArray(&v)[5]) {
        for (int c = 0; c < 5; ++c)
            sqlite3_bind_text(st, c + 1, v[c].constData(), int(v[c].size()), SQLITE_TRANSIENT);
        bien &= sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    });
    sqlite3_finalize(st);
    bien &= sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return bien ? QString() : QStringLiteral("no se pudo escribir la base");
}
