#include "Generadores.h"

#include <sqlite3.h>

#include <QByteArray>
#include <QDate>
#include <QFile>

#ifdef GARANTIAS_CON_XLSXWRITER
#include <xlsxwriter.h>
#endif

namespace {
struct Fila {
    QByteArray eca, serie, modelo, fecha;
    qint64 activacion;
};

Fila FilaNumero(qint64 i) {
    const QDate d = QDate(2020, 1, 1).addDays(i % 1500);
    return {"Distribuidor " + QByteArray::number(i % 97), QByteArray::number(i).rightJustified(10, '0'),
            "MOD-" + QByteArray::number(i % 500), d.toString("dd/MM/yyyy").toLatin1(), 20200101 + i % 1000};
}
}  // namespace

QString GenerarCsv(const QString& ruta, qint64 filas) {
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return f.errorString();
    QByteArray bloque = "eca,serie,modelo,fecha,activacion\n";
    for (qint64 i = 1; i <= filas; ++i) {
        const Fila r = FilaNumero(i);
        bloque += r.eca + ',' + r.serie + ',' + r.modelo + ',' + r.fecha + ',' +
                  QByteArray::number(r.activacion) + '\n';
        if (bloque.size() > (1 << 20)) {
            if (f.write(bloque) != bloque.size()) return f.errorString();
            bloque.clear();
        }
    }
    if (f.write(bloque) != bloque.size()) return f.errorString();
    return {};
}

QString GenerarXlsx(const QString& ruta, qint64 filas) {
#ifdef GARANTIAS_CON_XLSXWRITER
    lxw_workbook_options opciones = {};
    opciones.constant_memory = LXW_TRUE;
    const QByteArray nombre = QFile::encodeName(ruta);
    lxw_workbook* libro = workbook_new_opt(nombre.constData(), &opciones);
    if (!libro) return QStringLiteral("no se pudo crear el libro");
    lxw_worksheet* hoja = workbook_add_worksheet(libro, "Hoja1");
    lxw_format* fecha = workbook_add_format(libro);
    format_set_num_format(fecha, "dd/mm/yyyy");
    const char* titulos[] = {"eca", "serie", "modelo", "fecha", "activacion"};
    for (int c = 0; c < 5; ++c) worksheet_write_string(hoja, 0, c, titulos[c], nullptr);
    for (qint64 i = 1; i <= filas; ++i) {
        const Fila r = FilaNumero(i);
        const auto fila = static_cast<lxw_row_t>(i);
        worksheet_write_string(hoja, fila, 0, r.eca.constData(), nullptr);
        worksheet_write_string(hoja, fila, 1, r.serie.constData(), nullptr);
        worksheet_write_string(hoja, fila, 2, r.modelo.constData(), nullptr);
        const QDate d = QDate::fromString(QString::fromLatin1(r.fecha), "dd/MM/yyyy");
        lxw_datetime dt = {d.year(), d.month(), d.day(), 0, 0, 0};
        worksheet_write_datetime(hoja, fila, 3, &dt, fecha);
        worksheet_write_number(hoja, fila, 4, static_cast<double>(r.activacion), nullptr);
    }
    if (workbook_close(libro) != LXW_NO_ERROR) return QStringLiteral("no se pudo cerrar el libro");
    return {};
#else
    Q_UNUSED(ruta);
    Q_UNUSED(filas);
    return QStringLiteral("compilado sin libxlsxwriter");
#endif
}

// dBase III sin memo: cabecera, descriptores de campo, registros de ancho fijo.
QString GenerarDbf(const QString& ruta, qint64 filas) {
    struct Campo {
        const char* nombre;
        char tipo;
        int largo;
    };
    const Campo campos[] = {{"ECA", 'C', 20},
                            {"SERIE", 'C', 10},
                            {"MODELO", 'C', 10},
                            {"FECHA", 'D', 8},
                            {"ACTIVACION", 'N', 10}};
    const int nCampos = 5;
    int largoRegistro = 1;
    for (const Campo& c : campos) largoRegistro += c.largo;
    const int largoCabecera = 32 + 32 * nCampos + 1;
    QByteArray cabecera(32, '\0');
    cabecera[0] = 0x03;
    cabecera[1] = char(124);
    cabecera[2] = 1;
    cabecera[3] = 1;
    const quint32 n = static_cast<quint32>(filas);
    for (int k = 0; k < 4; ++k) cabecera[4 + k] = char((n >> (8 * k)) & 0xFF);
    cabecera[8] = char(largoCabecera & 0xFF);
    cabecera[9] = char(largoCabecera >> 8);
    cabecera[10] = char(largoRegistro & 0xFF);
    cabecera[11] = char(largoRegistro >> 8);
    cabecera[29] = 0x03;  // Windows-1252
    for (const Campo& c : campos) {
        QByteArray d(32, '\0');
        d.replace(0, int(qstrlen(c.nombre)), c.nombre);
        d[11] = c.tipo;
        d[16] = char(c.largo);
        cabecera += d;
    }
    cabecera += '\r';
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return f.errorString();
    QByteArray bloque = cabecera;
    for (qint64 i = 1; i <= filas; ++i) {
        const Fila r = FilaNumero(i);
        const QDate d = QDate::fromString(QString::fromLatin1(r.fecha), "dd/MM/yyyy");
        bloque += ' ';
        bloque += r.eca.leftJustified(20, ' ', true);
        bloque += r.serie.leftJustified(10, ' ', true);
        bloque += r.modelo.leftJustified(10, ' ', true);
        bloque += d.toString("yyyyMMdd").toLatin1();
        bloque += QByteArray::number(r.activacion).rightJustified(10, ' ', true);
        if (bloque.size() > (1 << 20)) {
            if (f.write(bloque) != bloque.size()) return f.errorString();
            bloque.clear();
        }
    }
    bloque += '\x1a';
    if (f.write(bloque) != bloque.size()) return f.errorString();
    return {};
}

QString GenerarDb(const QString& ruta, qint64 filas) {
    QFile::remove(ruta);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(ruta).constData(), &db) != SQLITE_OK) {
        const QString e = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return e;
    }
    auto ejecutar = [&](const char* sql) {
        return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    };
    if (!ejecutar(
            "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
            "CREATE TABLE garantias(eca TEXT, serie TEXT, modelo TEXT, fecha TEXT, activacion INTEGER);")) {
        sqlite3_close(db);
        return QStringLiteral("no se pudo crear la tabla");
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO garantias VALUES(?,?,?,?,?)", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("no se pudo preparar");
    }
    for (qint64 i = 1; i <= filas; ++i) {
        const Fila r = FilaNumero(i);
        sqlite3_bind_text(st, 1, r.eca.constData(), int(r.eca.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, r.serie.constData(), int(r.serie.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, r.modelo.constData(), int(r.modelo.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, r.fecha.constData(), int(r.fecha.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 5, r.activacion);
        if (sqlite3_step(st) != SQLITE_DONE) {
            sqlite3_finalize(st);
            sqlite3_close(db);
            return QStringLiteral("falló una inserción");
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    const bool ok = ejecutar("COMMIT;");
    sqlite3_close(db);
    return ok ? QString() : QStringLiteral("no se pudo confirmar");
}
