// generar-muestras CARPETA: escribe en CARPETA un archivo de proveedor de cada clase que el
// programa lee y que se puede escribir sin programas de terceros: garantias.csv, garantias.xlsx,
// garantias.dbf y garantias.db. Cada archivo se escribe aparte y se renombra al final: una falla
// no deja un archivo a medias. Sale con 0, o con 1 y el motivo por la salida de errores.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

#include "FilasMuestra.h"
#include "platform/Cp1252.h"

#ifdef GARANTIAS_CON_XLSXWRITER
#include <xlsxwriter.h>
#endif

namespace {
const char* const kTitulos[] = {"eca1", "serie", "modelo", "factura", "activacion"};

QString Fecha(const QDate& d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

QString EscribirBytes(const QString& ruta, const QByteArray& bytes) {
    QSaveFile f(ruta);
    if (!f.open(QIODevice::WriteOnly)) return f.errorString();
    if (f.write(bytes) != bytes.size()) return f.errorString();
    if (!f.commit()) return f.errorString();
    return {};
}

// Separado por ";" como lo guarda un Excel en castellano, en UTF-8 con marca (así Excel también lo
// abre bien); un valor con ";" o comillas va entre comillas, con las comillas dobladas.
QString EscribirCsv(const QString& ruta) {
    auto campo = [](const QString& v) {
        if (!v.contains(';') && !v.contains('"')) return v;
        return '"' + QString(v).replace('"', QStringLiteral("\"\"")) + '"';
    };
    QString texto = QStringList({kTitulos, kTitulos + 5}).join(';') + QStringLiteral("\r\n");
    for (const FilaMuestra& f : FilasDe(ArchivoMuestra::Csv)) {
        texto +=
            QStringList{campo(f.eca1), campo(f.serie), campo(f.modelo), campo(f.factura), Fecha(f.activacion)}
                .join(';') +
            QStringLiteral("\r\n");
    }
    return EscribirBytes(ruta, "\xEF\xBB\xBF" + texto.toUtf8());
}

QString EscribirXlsx(const QString& ruta) {
#ifdef GARANTIAS_CON_XLSXWRITER
    const QByteArray temporal = QFile::encodeName(ruta + QStringLiteral(".tmp"));
    lxw_workbook* libro = workbook_new(temporal.constData());
    if (!libro) return QStringLiteral("no se pudo crear el libro");
    // Una fecha de creación fija: volver a generar el libro no lo cambia.
    lxw_doc_properties propiedades = {};
    static char tituloLibro[] = "Garantías de ejemplo";
    propiedades.title = tituloLibro;
    propiedades.created = 1717200000;  // 01/06/2024
    lxw_worksheet* hoja = workbook_add_worksheet(libro, "Hoja1");
    lxw_format* titulo = workbook_add_format(libro);
    format_set_bold(titulo);
    lxw_format* fecha = workbook_add_format(libro);
    format_set_num_format(fecha, "dd/mm/yyyy");
    bool bien = workbook_set_properties(libro, &propiedades) == LXW_NO_ERROR && hoja && titulo && fecha;
    for (int c = 0; c < 5 && bien; ++c)
        bien = worksheet_write_string(hoja, 0, c, kTitulos[c], titulo) == LXW_NO_ERROR;
    lxw_row_t r = 1;
    for (const FilaMuestra& f : FilasDe(ArchivoMuestra::Xlsx)) {
        if (!bien) break;
        const QByteArray valores[] = {f.eca1.toUtf8(), f.serie.toUtf8(), f.modelo.toUtf8(),
                                      f.factura.toUtf8()};
        for (int c = 0; c < 4 && bien; ++c)
            bien = worksheet_write_string(hoja, r, c, valores[c].constData(), nullptr) == LXW_NO_ERROR;
        lxw_datetime d = {f.activacion.year(), f.activacion.month(), f.activacion.day(), 0, 0, 0};
        bien = bien && worksheet_write_datetime(hoja, r, 4, &d, fecha) == LXW_NO_ERROR;
        ++r;
    }
    if (bien) bien = worksheet_set_column(hoja, 0, 2, 38, nullptr) == LXW_NO_ERROR;
    // El libro se cierra siempre (libera la memoria); si algo falló, se descarta.
    const bool cerrado = workbook_close(libro) == LXW_NO_ERROR;
    if (!bien || !cerrado) {
        QFile::remove(QFile::decodeName(temporal));
        return QStringLiteral("libxlsxwriter no pudo escribir el libro");
    }
    QFile::remove(ruta);
    if (!QFile::rename(QFile::decodeName(temporal), ruta))
        return QStringLiteral("no se pudo renombrar el libro");
    return {};
#else
    Q_UNUSED(ruta);
    return QStringLiteral("compilado sin libxlsxwriter: no se escribe el .xlsx");
#endif
}

// dBase III sin memo: cabecera de 32 bytes, un descriptor de 32 bytes por campo, 0x0D, los
// registros de ancho fijo (cada uno con su marca de borrado) y 0x1A. Los textos en Windows-1252,
// la página que declara el byte 29.
QString EscribirDbf(const QString& ruta) {
    struct Campo {
        const char* nombre;
        char tipo;
        int largo;
    };
    const Campo campos[] = {{"ECA1", 'C', 40},
                            {"SERIE", 'C', 20},
                            {"MODELO", 'C', 50},
                            {"FACTURA", 'C', 16},
                            {"ACTIVACION", 'D', 8}};
    const std::vector<FilaMuestra> filas = FilasDe(ArchivoMuestra::Dbf);
    int largoRegistro = 1;
    for (const Campo& c : campos) largoRegistro += c.largo;
    const int largoCabecera = 32 + 32 * 5 + 1;
    QByteArray bytes(32, '\0');
    bytes[0] = 0x03;       // dBase III sin memo
    bytes[1] = char(124);  // última modificación: 01/06/2024, fija
    bytes[2] = 6;
    bytes[3] = 1;
    const quint32 n = static_cast<quint32>(filas.size());
    for (int k = 0; k < 4; ++k) bytes[4 + k] = char((n >> (8 * k)) & 0xFF);
    bytes[8] = char(largoCabecera & 0xFF);
    bytes[9] = char(largoCabecera >> 8);
    bytes[10] = char(largoRegistro & 0xFF);
    bytes[11] = char(largoRegistro >> 8);
    bytes[29] = 0x03;  // Windows-1252
    for (const Campo& c : campos) {
        QByteArray d(32, '\0');
        d.replace(0, int(qstrlen(c.nombre)), c.nombre);
        d[11] = c.tipo;
        d[16] = char(c.largo);
        bytes += d;
    }
    bytes += '\r';
    for (const FilaMuestra& f : filas) {
        bytes += ' ';
        const QString textos[] = {f.eca1, f.serie, f.modelo, f.factura};
        for (int c = 0; c < 4; ++c)
            bytes += Cp1252::Codificar(textos[c]).leftJustified(campos[c].largo, ' ', true);
        bytes += f.activacion.toString(QStringLiteral("yyyyMMdd")).toLatin1();
    }
    bytes += '\x1a';
    return EscribirBytes(ruta, bytes);
}

// Una base SQLite con una tabla "garantias"; las fechas como texto dd/mm/aaaa.
QString EscribirDb(const QString& ruta) {
    const QString temporal = ruta + QStringLiteral(".tmp");
    QFile::remove(temporal);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(temporal).constData(), &db) != SQLITE_OK) {
        const QString e = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return e;
    }
    QString falla;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_exec(db,
                     "BEGIN; CREATE TABLE garantias (eca1 TEXT, serie TEXT, modelo TEXT, factura TEXT, "
                     "activacion TEXT);",
                     nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, "INSERT INTO garantias VALUES (?,?,?,?,?)", -1, &st, nullptr) != SQLITE_OK) {
        falla = QString::fromUtf8(sqlite3_errmsg(db));
    }
    for (const FilaMuestra& f : FilasDe(ArchivoMuestra::Db)) {
        if (!falla.isEmpty()) break;
        const QByteArray valores[] = {f.eca1.toUtf8(), f.serie.toUtf8(), f.modelo.toUtf8(),
                                      f.factura.toUtf8(), Fecha(f.activacion).toUtf8()};
        for (int c = 0; c < 5; ++c)
            sqlite3_bind_text(st, c + 1, valores[c].constData(), int(valores[c].size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_DONE || sqlite3_reset(st) != SQLITE_OK)
            falla = QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(st);
    if (falla.isEmpty() && sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) != SQLITE_OK) {
        falla = QString::fromUtf8(sqlite3_errmsg(db));
    }
    if (sqlite3_close(db) != SQLITE_OK && falla.isEmpty())
        falla = QStringLiteral("no se pudo cerrar la base");
    if (!falla.isEmpty()) {
        QFile::remove(temporal);
        return falla;
    }
    QFile::remove(ruta);
    if (!QFile::rename(temporal, ruta)) return QStringLiteral("no se pudo renombrar la base");
    return {};
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = QCoreApplication::arguments();
    if (a.size() != 2) {
        std::fprintf(stderr, "uso: generar-muestras CARPETA\n");
        return 2;
    }
    const QDir carpeta(a[1]);
    if (!QDir().mkpath(carpeta.path())) {
        std::fprintf(stderr, "generar-muestras: no se puede crear la carpeta %s\n",
                     qPrintable(carpeta.path()));
        return 1;
    }
    struct Salida {
        const char* nombre;
        QString (*escribir)(const QString&);
    };
    const Salida salidas[] = {{"garantias.csv", &EscribirCsv},
                              {"garantias.xlsx", &EscribirXlsx},
                              {"garantias.dbf", &EscribirDbf},
                              {"garantias.db", &EscribirDb}};
    int codigo = 0;
    for (const Salida& s : salidas) {
        const QString ruta = carpeta.filePath(QString::fromLatin1(s.nombre));
        const QString falla = s.escribir(ruta);
        if (falla.isEmpty()) {
            std::printf("%s\n", qPrintable(QDir::toNativeSeparators(ruta)));
        } else {
            std::fprintf(stderr, "generar-muestras: %s: %s\n", qPrintable(ruta), qPrintable(falla));
            codigo = 1;
        }
    }
    return codigo;
}
