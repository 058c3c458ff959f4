// El total de filas de una hoja sale de la última fila que declara el libro (<dimension> en un
// .xlsx, el registro DIMENSIONS en un .xls): sin ella no hay total, y una que no es cierta no
// cambia las filas que da la lectura.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>
#include <optional>

#ifdef GARANTIAS_CON_XLSXWRITER
#include <xlsxwriter.h>
#endif

#include "LibrosDePrueba.h"
#include "XlsAMano.h"
#include "ado/Conexion.h"
#include "comun/Pruebas.h"

namespace {

// Una hoja "H" con la cabecera en la fila dada (desde 1) y tres filas de datos debajo.
QByteArray FilasXlsx(int cabecera = 1) {
    QByteArray xml;
    const auto fila = [&](int n, const QByteArray& a, const QByteArray& b) {
        const QByteArray r = QByteArray::number(n);
        xml += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"inlineStr\"><is><t>" + a +
               "</t></is></c><c r=\"B" + r + "\"><v>" + b + "</v></c></row>";
    };
    fila(cabecera, "serie", "1");
    for (int i = 1; i <= 3; ++i) fila(cabecera + i, "S" + QByteArray::number(i), QByteArray::number(i));
    return xml;
}

QString Xlsx(const QString& carpeta, const QByteArray& prologo, const QByteArray& filas = FilasXlsx()) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("H"), filas}};
    libro.prologos = {prologo};
    const QString ruta = carpeta + QStringLiteral("/libro.xlsx");
    libro.escribir(ruta);
    return ruta;
}

// El mismo libro en .xls: cabecera en la fila 1, tres filas de datos; el registro DIMENSIONS con
// la fila siguiente a la última que declara (desde 0), o ninguno.
QString Xls(const QString& carpeta, std::optional<quint32> finDeclarado, bool biff8 = true) {
    XlsAMano x;
    x.biff8 = biff8;
    QByteArray r;
    if (finDeclarado) {
        r += biff8 ? RegistroBiff(0x0200, U32(0) + U32(*finDeclarado) + U16(0) + U16(2) + U16(0))
                   : RegistroBiff(0x0200, U16(0) + U16(static_cast<quint16>(*finDeclarado)) + U16(0) +
                                              U16(2) + U16(0));
    }
    const QByteArray titulo = "serie";
    r += RegistroBiff(0x0204, Celda(0, 0) + (biff8 ? TextoBiff8(QString::fromLatin1(titulo))
                                                   : U16(static_cast<quint16>(titulo.size())) + titulo));
    for (quint16 f = 1; f <= 3; ++f) r += RegistroBiff(0x0203, Celda(f, 0) + Doble(f));
    x.hojas.push_back({QStringLiteral("H"), r});
    const QString ruta = carpeta + QStringLiteral("/libro.xls");
    EscribirArchivo(ruta, DocumentoOle(x.flujo()));
    return ruta;
}

}  // namespace

TEST(TotalDeLaHoja, SaleDeLaUltimaFilaDeclaradaYNoCambiaLaLectura) {
    const struct {
        const char* nombre;
        std::function<QString(const QString&)> libro;
        std::optional<qint64> total;
        int filas = 3;  // las que da la lectura, diga lo que diga la cota
    } casos[] = {
        {"xlsx: cota cierta", [](const QString& d) { return Xlsx(d, "<dimension ref=\"A1:B4\"/>"); }, 3},
        {"xlsx: sin cota", [](const QString& d) { return Xlsx(d, ""); }, std::nullopt},
        {"xlsx: cota corta (las filas de más se leen igual)",
         [](const QString& d) { return Xlsx(d, "<dimension ref=\"A1:B2\"/>"); }, 1},
        {"xlsx: cota larga (filas con formato al final)",
         [](const QString& d) { return Xlsx(d, "<dimension ref=\"A1:B1000\"/>"); }, 999},
        {"xlsx: cota con $ y minúsculas",
         [](const QString& d) { return Xlsx(d, "<dimension ref=\"$a$1:$b$4\"/>"); }, 3},
        {"xlsx: una sola celda", [](const QString& d) { return Xlsx(d, "<dimension ref=\"B4\"/>"); }, 3},
        {"xlsx: cota que no es un rango",
         [](const QString& d) { return Xlsx(d, "<dimension ref=\"A1:B\"/>"); }, std::nullopt},
        {"xlsx: cota más allá de la última fila posible",
         [](const QString& d) { return Xlsx(d, "<dimension ref=\"A1:B1048577\"/>"); }, std::nullopt},
        {"xlsx: cabecera bajo filas vacías",
         [](const QString& d) { return Xlsx(d, "<dimension ref=\"A3:B6\"/>", FilasXlsx(3)); }, 3},
        {"xlsx: cota anterior a la cabecera",
         [](const QString& d) { return Xlsx(d, "<dimension ref=\"A1:B2\"/>", FilasXlsx(3)); }, 0},
        {"xlsx: hoja sin valores", [](const QString& d) { return Xlsx(d, "<dimension ref=\"A1\"/>", ""); }, 0,
         0},
        // Un comentario entre las filas: el lector rápido deja la hoja a expat desde el principio.
        {"xlsx: leída por el camino de siempre",
         [](const QString& d) {
             return Xlsx(d, "<dimension ref=\"A1:B4\"/>",
                         FilasXlsx().replace("</row><row r=\"3\"", "</row><!-- x --><row r=\"3\""));
         },
         3},
        {"xls: cota cierta", [](const QString& d) { return Xls(d, 4); }, 3},
        {"xls: sin DIMENSIONS", [](const QString& d) { return Xls(d, std::nullopt); }, std::nullopt},
        {"xls: cota corta", [](const QString& d) { return Xls(d, 2); }, 1},
        {"xls: cota larga", [](const QString& d) { return Xls(d, 1000); }, 999},
        {"xls: hoja declarada vacía", [](const QString& d) { return Xls(d, 0); }, 0},
        {"xls: cota más allá de las filas que admite el formato",
         [](const QString& d) { return Xls(d, 65537); }, std::nullopt},
        {"xls BIFF5: cota cierta", [](const QString& d) { return Xls(d, 4, false); }, 3},
#ifdef GARANTIAS_CON_XLSXWRITER
        {"xlsx escrito por libxlsxwriter",
         [](const QString& d) {
             const QString ruta = d + QStringLiteral("/libxlsxwriter.xlsx");
             lxw_workbook* libro = workbook_new(ruta.toUtf8().constData());
             lxw_worksheet* hoja = workbook_add_worksheet(libro, "H");
             worksheet_write_string(hoja, 0, 0, "serie", nullptr);
             for (int f = 1; f <= 3; ++f)
                 worksheet_write_number(hoja, static_cast<lxw_row_t>(f), 0, f, nullptr);
             workbook_close(libro);
             return ruta;
         },
         3},
#endif
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        QTemporaryDir dir;
        const QString ruta = c.libro(dir.path());
        Conexion con;
        con.Open(ConexionExcel(ruta));
        RecordsetPtr rs = con.abrirTabla(QStringLiteral("H$"));
        EXPECT_EQ(rs->total(), c.total);
        int filas = 0;
        for (; !rs->EOF_(); rs->MoveNext()) ++filas;
        EXPECT_EQ(filas, c.filas);
    }
}
