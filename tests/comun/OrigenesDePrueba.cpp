#include "comun/OrigenesDePrueba.h"

#include <sqlite3.h>

#include <QDir>
#include <stdexcept>

#include "comun/Pruebas.h"
#include "ado/dbase/ConstructorDbf.h"
#include "ado/excel/LibrosDePrueba.h"
#include "ado/excel/XlsAMano.h"
#include "platform/Cp1252.h"

namespace {

// Las mismas filas en todas las clases: la tercera no tiene serie y no se importa; la primera
// lleva letras de fuera de ASCII, que cada clase guarda a su manera.
const QStringList kCampos = {"eca1", "serie", "modelo", "factura", "activacion"};
const std::vector<QStringList> kFilas = {
    {QString::fromUtf8("Ñandú 1"), "S-001", "TV 32", "F1", "01/02/2026"},
    {"E2", "S-002", "Radio", "F2", "02/02/2026"},
    {"E3", "", "Parlante", "F3", "03/02/2026"},
};
const QString kTitulos = kCampos.join('|');
const QString kPrimera = kFilas[0].join('|');
const QStringList kGarantias = {QString::fromUtf8("TV 32|S-001|1|Ñandú 1|01/02/2026"),
                                "Radio|S-002|1|E2|02/02/2026"};

QString Texto(const QString& carpeta, const char* nombre, const QByteArray& separador) {
    QByteArray t = kCampos.join(QString::fromLatin1(separador)).toUtf8() + "\r\n";
    for (const QStringList& f : kFilas) t += f.join(QString::fromLatin1(separador)).toUtf8() + "\r\n";
    const QString ruta = carpeta + '/' + nombre;
    EscribirArchivo(ruta, t);
    return ruta;
}

QString Xlsx(const QString& carpeta) {
    const auto celdas = [](const QStringList& valores) {
        QByteArray fila = "<row>";
        for (const QString& v : valores)
            fila += "<c t=\"inlineStr\"><is><t>" + v.toHtmlEscaped().toUtf8() + "</t></is></c>";
        return fila + "</row>";
    };
    QByteArray hoja = celdas(kCampos);
    for (const QStringList& f : kFilas) hoja += celdas(f);
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("Hoja1"), hoja}};
    const QString ruta = carpeta + QStringLiteral("/datos.xlsx");
    libro.escribir(ruta);
    return ruta;
}

QString Xls(const QString& carpeta) {
    XlsAMano libro;
    libro.global = RegistroBiff(0x00E0, U16(0) + U16(0) + QByteArray(16, '\0'));
    QByteArray registros;
    const auto fila = [&](quint16 n, const QStringList& valores) {
        for (int c = 0; c < valores.size(); ++c) {
            if (!valores[c].isEmpty())
                registros += RegistroBiff(0x0204, Celda(n, quint16(c)) + TextoBiff8(valores[c]));
        }
    };
    fila(0, kCampos);
    for (std::size_t i = 0; i < kFilas.size(); ++i) fila(quint16(i + 1), kFilas[i]);
    XlsAMano::Hoja hoja;
    hoja.nombre = QStringLiteral("Hoja1");
    hoja.registros = registros;
    libro.hojas.push_back(hoja);
    const QString ruta = carpeta + QStringLiteral("/datos.xls");
    EscribirArchivo(ruta, DocumentoOle(libro.flujo()));
    return ruta;
}

QString Dbf(const QString& carpeta) {
    TablaPrueba t;
    t.version = 0x03;  // dBase III
    for (const char* nombre : {"ECA1", "SERIE", "MODELO", "FACTURA", "ACTIVACION"})
        t.campos.push_back({nombre, 'C', 12});
    for (const QStringList& f : kFilas) {
        QByteArray r = " ";
        for (const QString& v : f) r += Cp1252::Codificar(v).leftJustified(12, ' ');
        t.registros.push_back(r);
    }
    const QString ruta = carpeta + QStringLiteral("/datos.dbf");
    EscribirArchivo(ruta, t.bytes());
    return ruta;
}

QString Db(const QString& carpeta) {
    const QString ruta = carpeta + QStringLiteral("/datos.db");
    sqlite3* h = nullptr;
    if (sqlite3_open(QFile::encodeName(ruta).constData(), &h) != SQLITE_OK)
        throw std::runtime_error("sqlite3_open");
    QString sql = QStringLiteral("CREATE TABLE garantias (%1);").arg(kCampos.join(','));
    for (const QStringList& f : kFilas)
        sql += QStringLiteral("INSERT INTO garantias VALUES ('%1');").arg(f.join("','"));
    const int r = sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(h);
    if (r != SQLITE_OK) throw std::runtime_error("no se pudo escribir " + ruta.toStdString());
    return ruta;
}

}  // namespace

const std::vector<OrigenDePrueba>& OrigenesDePrueba() {
    static const std::vector<OrigenDePrueba> origenes = {
        {"csv", [](const QString& c) { return Texto(c, "datos.csv", ","); }, kGarantias, "datos#csv",
         kTitulos, kPrimera},
        {"txt", [](const QString& c) { return Texto(c, "datos.txt", ","); }, kGarantias, "datos#txt",
         kTitulos, kPrimera},
        {"xlsx", Xlsx, kGarantias, "Hoja1$", kTitulos, kPrimera},
        {"xls", Xls, kGarantias, "Hoja1$", kTitulos, kPrimera},
        {"dbf", Dbf, kGarantias, "datos", kTitulos.toUpper(), kPrimera},
        {"db", Db, kGarantias, "garantias", kTitulos, kPrimera},
        // No hay con qué escribir una base de Access: la muestra pública, de sólo lectura.
        {"mdb",
         [](const QString&) { return Muestra(QStringLiteral("mdb/testV1997.mdb")); },
         {"0|b|1|a|0", "2|hijklmnop|1|abcdefg|333333333"},
         "Table1",
         "A|B|C|D|E|F|G|H|I",
         "a|b|0|0|0|0|12/12/1981|0|Falso"},
    };
    return origenes;
}
