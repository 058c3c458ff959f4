// Libros .xlsx hechos para agotar al lector: saltos de fila y columnas fuera del formato, filas
// anchas, cadenas compartidas sin fin, partes que se inflan más allá de lo razonable y archivos
// que cambian mientras se leen. Cada uno termina enseguida en su mensaje o en sus filas correctas.
// (El tiempo y la memoria de estos casos a tamaño real se miden en bench/hostiles.)
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "LibrosDePrueba.h"
#include "ado/Conexion.h"
#include "ado/NumeroExacto.h"
#include "ado/Valores.h"
#include "ado/excel/CadenasXlsx.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

namespace {
class XlsxHostil : public ::testing::Test {
  protected:
    QTemporaryDir dir_;
    QString ruta(const QString& nombre) const { return dir_.filePath(nombre); }
};

// Cambia en el directorio central del zip el tamaño descomprimido que declara la parte.
void DeclararTamano(QByteArray& zip, const QByteArray& parte, quint32 tamano) {
    for (qsizetype i = zip.indexOf("PK\x01\x02"); i >= 0; i = zip.indexOf("PK\x01\x02", i + 4)) {
        const auto largoNombre = static_cast<quint8>(zip[i + 28]) | (static_cast<quint8>(zip[i + 29]) << 8);
        if (zip.mid(i + 46, largoNombre) != parte) continue;
        for (int k = 0; k < 4; ++k) zip[i + 24 + k] = static_cast<char>((tamano >> (8 * k)) & 0xFF);
        return;
    }
    ADD_FAILURE() << "el zip no tiene la parte " << parte.toStdString();
}

// Una hoja de n filas: la cabecera numérica y en cada fila una cadena compartida (la 0 o la 1).
QByteArray FilasConCadenas(int n) {
    QByteArray filas = R"(<row r="1"><c><v>1</v></c><c><v>2</v></c></row>)";
    for (int i = 2; i <= n; ++i)
        filas += "<row r=\"" + QByteArray::number(i) + "\"><c><v>" + QByteArray::number(i * 7919) +
                 "</v></c><c t=\"s\"><v>" + QByteArray::number(i % 2) + "</v></c></row>";
    return filas;
}
}  // namespace

TEST_F(XlsxHostil, LoQueElFormatoNoAdmiteEsUnaHojaDanadaEnseguida) {
    QByteArray ancha = R"(<row r="1"><c><v>1</v></c></row><row r="2">)";
    for (int i = 0; i < 20000; ++i) ancha += "<c/>";
    ancha += "</row>";
    QByteArray repetida = R"(<row r="1">)";
    for (int i = 0; i < 20000; ++i) repetida += "<c r=\"A1\"/>";
    repetida += "</row>";
    QByteArray textoLargo = R"(<row r="1">)";
    const QByteArray megaCelda = "<c t=\"inlineStr\"><is><t>" + QByteArray(1 << 20, 'x') + "</t></is></c>";
    for (int i = 0; i < 70; ++i) textoLargo += megaCelda;
    textoLargo += "</row>";
    struct Caso {
        const char* nombre;
        QByteArray hoja;
        const char* causa;
    };
    const Caso casos[] = {
        {"salto a la fila 2.147.483.647",
         R"(<row r="1"><c><v>1</v></c></row><row r="2147483647"><c><v>2</v></c></row>)",
         "la fila 2147483647 pasa de la última que puede tener una hoja (1048576)"},
        {"fila 1.048.577", R"(<row r="1048577"><c><v>2</v></c></row>)", "la fila 1048577 pasa"},
        {"columna XFE", R"(<row r="1"><c r="XFE1"><v>1</v></c></row>)", "más allá de la última columna"},
        {"columna de cuatro letras", R"(<row r="1"><c r="AAAA1"><v>1</v></c></row>)",
         "más allá de la última columna"},
        {"20.000 celdas sin referencia en una fila", ancha, "la fila 2 tiene una celda más allá"},
        {"20.000 veces la misma celda", repetida, "la fila 1 tiene una celda más allá"},
        {"70 MiB de texto en una fila", textoLargo, "la fila 1 pasa de 64 MiB de texto"},
        // Una celda de más de 1 MiB no se recorta (dos series que difieren en lo recortado serían
        // la misma): la hoja, la fila y la columna.
        {"una cadena en línea de 2 MiB",
         R"(<row r="1"><c><v>1</v></c></row><row r="2"><c/><c/><c t="inlineStr"><is><t>)" +
             QByteArray(2 << 20, 'm') + "</t></is></c></row>",
         "la celda C2 (fila 2, columna C) pasa de 1 MiB de texto"},
        {"un <v> de 2 MiB",
         R"(<row r="1"><c><v>1</v></c></row><row r="7"><c r="AB7" t="str"><v>)" + QByteArray(2 << 20, '7') +
             "</v></c></row>",
         "la celda AB7 (fila 7, columna AB) pasa de 1 MiB"},
        {"una cadena en línea partida en dos <t> de 600 KiB",
         R"(<row r="1"><c t="inlineStr"><is><t>)" + QByteArray(600 << 10, 'a') + "</t><t>" +
             QByteArray(600 << 10, 'b') + "</t></is></c></row>",
         "la celda A1 (fila 1, columna A) pasa de 1 MiB"},
        // Filas numeradas fuera del formato: no se toman como la siguiente.
        {"fila 0", R"(<row r="0"><c><v>1</v></c></row>)", "una fila tiene el número \"0\""},
        {"fila -1", R"(<row r="1"><c><v>1</v></c></row><row r="-1"><c><v>2</v></c></row>)",
         "una fila tiene el número \"-1\""},
        {"fila que no es un número", R"(<row r="x2"><c><v>1</v></c></row>)",
         "una fila tiene el número \"x2\""},
        {"fila que vuelve atrás",
         R"(<row r="1"><c><v>1</v></c></row><row r="5"><c><v>2</v></c></row><row r="3"><c><v>3</v></c></row>)",
         "la fila 3 viene después de la fila 5"},
        {"fila repetida", R"(<row r="1"><c><v>1</v></c></row><row r="1"><c><v>2</v></c></row>)",
         "la fila 1 viene después de la fila 1"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        LibroAMano libro;
        libro.hojas = {{QStringLiteral("H"), c.hoja}};
        const QString archivo = ruta(QStringLiteral("hostil.xlsx"));
        libro.escribir(archivo);
        const QString falla = FallaAlLeer(archivo, QStringLiteral("H$"));
        EXPECT_TRUE(falla.contains(QString::fromUtf8(c.causa)) && falla.contains(archivo) &&
                    falla.contains(QStringLiteral("(hoja \"H\")")))
            << qPrintable(falla.left(400));
    }
    // El borde mismo se lee: la columna XFD, una celda de 1 MiB justo, filas sin número entre
    // filas numeradas.
    LibroAMano borde;
    borde.hojas = {
        {QStringLiteral("H"),
         R"(<row r="1"><c r="A1"><v>1</v></c><c r="XFD1"><v>2</v></c></row><row r="2"><c><v>3</v></c></row>)" +
             QByteArray(R"(<row><c t="inlineStr"><is><t>)") + QByteArray(1 << 20, 'x') +
             R"(</t></is></c></row><row r="9"><c><v>9</v></c></row>)"}};
    borde.escribir(ruta(QStringLiteral("borde.xlsx")));
    const HojaLeida h = LeerHoja(ruta(QStringLiteral("borde.xlsx")), QStringLiteral("H$"));
    EXPECT_EQ(h.campos.size(), 16384);
    ASSERT_EQ(h.filas.size(), 8u);
    EXPECT_EQ(h.texto(1, 0).size(), 1 << 20);
    EXPECT_EQ(h.texto(7, 0), "9");
}

TEST_F(XlsxHostil, UnaCadenaCompartidaDeMasDeUnMiBFallaEnLaCeldaQueLaPide) {
    // La cadena 1 pasa de la cota; la 0 y la 2 no. Las filas que piden las sanas se leen; la que
    // pide la larga falla nombrando la cadena, la celda y la hoja.
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("H"), R"(<row r="1"><c t="s"><v>0</v></c><c t="s"><v>0</v></c></row>)"
                                         R"(<row r="2"><c t="s"><v>2</v></c></row>)"
                                         R"(<row r="3"><c/><c t="s"><v>1</v></c></row>)"}};
    libro.cadenas =
        "<si><t>serie</t></si><si><t>" + QByteArray(3 << 19, 's') + "</t></si><si><t>otra</t></si>";
    const QString archivo = ruta(QStringLiteral("cadenas.xlsx"));
    libro.escribir(archivo);
    Conexion c;
    c.Open(ConexionExcel(archivo));
    RecordsetPtr rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [H$]"));
    EXPECT_EQ(rs->Field(0).toString(), "otra");
    try {
        rs->MoveNext();
        ADD_FAILURE() << "leyó la cadena larga";
    } catch (const ErrorEjecucion& e) {
        EXPECT_TRUE(e.descripcion().contains(QStringLiteral("la cadena compartida 1")) &&
                    e.descripcion().contains(QStringLiteral("pasa de 1 MiB de texto")) &&
                    e.descripcion().contains(QStringLiteral("la pide la celda B3")) &&
                    e.descripcion().contains(QStringLiteral("(hoja \"H\")")))
            << qPrintable(e.descripcion());
    }
}

TEST_F(XlsxHostil, UnaParteQueDeclaraMasDeUnGiBSeRechazaSinDescomprimirla) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("H"), FilasConCadenas(10)}};
    libro.cadenas = "<si><t>par</t></si><si><t>impar</t></si>";
    const QString archivo = ruta(QStringLiteral("inflado.xlsx"));
    libro.escribir(archivo);
    for (const char* parte : {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}) {
        SCOPED_TRACE(parte);
        QByteArray zip = LeerArchivo(archivo);
        DeclararTamano(zip, parte, 0xFFFFFFF0u);
        const QString mentiroso = ruta(QStringLiteral("mentiroso.xlsx"));
        EscribirArchivo(mentiroso, zip);
        const QString falla = FallaAlLeer(mentiroso, QStringLiteral("H$"));
        EXPECT_TRUE(falla.contains(QStringLiteral("demasiado grande: pasa de 1024 MiB")) &&
                    falla.contains(QString::fromUtf8(parte)))
            << qPrintable(falla);
    }
}

TEST_F(XlsxHostil, LasCadenasCompartidasTienenUnaCotaDeMemoria) {
    // Cien mil cadenas vacías: cada una cuesta su comienzo; con una cota de 64 KiB no caben.
    QByteArray xml = "<sst>";
    for (int i = 0; i < 100000; ++i) xml += "<si/>";
    xml += "</sst>";
    CadenasXlsx cadenas(std::make_unique<FlujoMemoria>(xml), QStringLiteral("libro.xlsx"),
                        QStringLiteral("xl/sharedStrings.xml"), 64 * 1024);
    EXPECT_EQ(cadenas.cadena(10), QString());
    try {
        cadenas.cadena(99999);
        ADD_FAILURE() << "leyó todas las cadenas pasando la cota";
    } catch (const ErrorEjecucion& e) {
        EXPECT_TRUE(e.descripcion().contains(QStringLiteral("pasa de 0.0625 MiB en memoria")))
            << qPrintable(e.descripcion());
    }
    // Una cota de cadenas: las vacías no ocupan letras, pero tampoco pasan de ella.
    CadenasXlsx contadas(std::make_unique<FlujoMemoria>(xml), QStringLiteral("libro.xlsx"),
                         QStringLiteral("xl/sharedStrings.xml"), CadenasXlsx::kMaximoMemoria, 5000);
    EXPECT_EQ(contadas.cadena(4999), QString());
    try {
        contadas.cadena(5000);
        ADD_FAILURE() << "leyó más cadenas que la cota";
    } catch (const ErrorEjecucion& e) {
        EXPECT_TRUE(e.descripcion().contains(QStringLiteral("o de 5.000 cadenas (5.000 cadenas leídas)")))
            << qPrintable(e.descripcion());
    }
    // Con las cotas de siempre, las mismas cadenas se leen.
    CadenasXlsx sanas(std::make_unique<FlujoMemoria>(xml), QStringLiteral("libro.xlsx"),
                      QStringLiteral("xl/sharedStrings.xml"));
    EXPECT_EQ(sanas.cadena(99999), QString());
}

TEST_F(XlsxHostil, UnLibroReemplazadoEnMedioSeLeeEnteroComoEraAlEmpezar) {
    // La hoja pide su primera cadena compartida recién en la fila 2, después del reemplazo: se lee
    // del libro que se abrió, no del que ahora está en la ruta.
    LibroAMano primero;
    primero.hojas = {{QStringLiteral("H"), FilasConCadenas(30000)}};
    primero.cadenas = "<si><t>par</t></si><si><t>impar</t></si>";
    LibroAMano segundo = primero;
    segundo.hojas = {{QStringLiteral("H"), FilasConCadenas(5)}};
    segundo.cadenas = "<si><t>OTRO</t></si><si><t>OTRO</t></si>";
    const QString archivo = ruta(QStringLiteral("libro.xlsx"));
    primero.escribir(archivo);
    segundo.escribir(ruta(QStringLiteral("nuevo.xlsx")));

    Conexion c;
    c.Open(ConexionExcel(archivo));
    RecordsetPtr rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [H$]"));
    ASSERT_TRUE(QFile::remove(archivo));
    ASSERT_TRUE(QFile::rename(ruta(QStringLiteral("nuevo.xlsx")), archivo));
    int filas = 0;
    for (; !rs->EOF_(); rs->MoveNext(), ++filas) {
        ASSERT_EQ(rs->Field(1).toString(), filas % 2 == 0 ? "par" : "impar") << filas;
    }
    EXPECT_EQ(filas, 29999);
}

TEST_F(XlsxHostil, UnLibroTruncadoEnMedioEsUnaFallaQueLoDice) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("H"), FilasConCadenas(60000)}};
    libro.cadenas = "<si><t>par</t></si><si><t>impar</t></si>";
    const QString archivo = ruta(QStringLiteral("libro.xlsx"));
    libro.escribir(archivo);
    Conexion c;
    c.Open(ConexionExcel(archivo));
    RecordsetPtr rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [H$]"));
    rs->MoveNext();
    QFile f(archivo);
    ASSERT_TRUE(f.resize(f.size() / 10));
    try {
        while (!rs->EOF_()) rs->MoveNext();
        ADD_FAILURE() << "leyó hasta el final un libro truncado";
    } catch (const ErrorEjecucion& e) {
        EXPECT_TRUE(e.descripcion().contains(QStringLiteral("cambió mientras se leía")))
            << qPrintable(e.descripcion());
        EXPECT_TRUE(e.descripcion().contains(archivo)) << qPrintable(e.descripcion());
    }
}

// Un paquete ambiguo (dos entradas con el mismo nombre, o con nombres que sólo difieren en
// mayúsculas) no se lee: cada programa tomaría la que encuentra primero. Se rechaza como dañado
// nombrando las dos.
TEST_F(XlsxHostil, UnPaqueteConPartesRepetidasSeRechazaComoDanado) {
    const QByteArray senuelo =
        R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
        R"(<sheetData><row r="1"><c t="str"><v>senuelo</v></c></row></sheetData></worksheet>)";
    struct Caso {
        const char* nombre;
        const char* parte;
        const char* dice;
    };
    const Caso casos[] = {
        {"la misma parte dos veces", "xl/worksheets/sheet1.xml",
         "tiene dos veces la parte \"xl/worksheets/sheet1.xml\""},
        {"otra escritura de mayúsculas", "xl/worksheets/Sheet1.xml", "que sólo difieren en mayúsculas"},
        {"con la barra de Windows", "xl\\worksheets\\sheet1.xml", "que sólo difieren en mayúsculas"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        LibroAMano libro;
        libro.hojas = {{QStringLiteral("Hoja1"), R"(<row r="1"><c t="str"><v>bueno</v></c></row>)"}};
        libro.antes = {{QString::fromUtf8(c.parte), senuelo}};
        const QString archivo = ruta(QStringLiteral("ambiguo.xlsx"));
        QFile::remove(archivo);
        libro.escribir(archivo);
        const QString falla = FallaAlLeer(archivo, QStringLiteral("Hoja1$"));
        EXPECT_TRUE(falla.contains(QStringLiteral("está dañado"))) << qPrintable(falla);
        EXPECT_TRUE(falla.contains(QString::fromUtf8(c.dice))) << qPrintable(falla);
    }
}

// Dos hojas que sólo difieren en mayúsculas: el nombre exacto lee la suya; uno que no es
// exacto de ninguna no elige a ciegas; la lista tiene las dos.
TEST_F(XlsxHostil, HojasQueSoloDifierenEnMayusculas) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("Hoja1"), R"(<row r="1"><c t="str"><v>minusculas</v></c></row>)"},
                   {QStringLiteral("HOJA1"), R"(<row r="1"><c t="str"><v>mayusculas</v></c></row>)"},
                   {QStringLiteral("Otra"), R"(<row r="1"><c t="str"><v>otra</v></c></row>)"}};
    const QString archivo = ruta(QStringLiteral("gemelas.xlsx"));
    libro.escribir(archivo);
    EXPECT_EQ(HojasDe(archivo), (QStringList{"Hoja1$", "HOJA1$", "Otra$"}));
    EXPECT_EQ(LeerHoja(archivo, QStringLiteral("HOJA1$")).campos, QStringList{"mayusculas"});
    EXPECT_EQ(LeerHoja(archivo, QStringLiteral("Hoja1$")).campos, QStringList{"minusculas"});
    EXPECT_EQ(LeerHoja(archivo, QStringLiteral("HOJA1")).campos, QStringList{"mayusculas"});
    EXPECT_EQ(LeerHoja(archivo, QStringLiteral("otra$")).campos, QStringList{"otra"});  // una sola: la lee
    const QString falla = FallaAlLeer(archivo, QStringLiteral("hoja1$"));
    EXPECT_TRUE(falla.contains(QStringLiteral("\"Hoja1\", \"HOJA1\""))) << qPrintable(falla);
}

// Lo que una celda trae y no es un dato: un carácter nulo en un texto rechaza la hoja nombrando la
// celda; un número escrito con exponente es el doble que escribió el programa (desde 2^53, un
// doble, que como serie se rechaza), nunca un entero inventado; una celda de error se ve con su
// texto y se sabe que es un error.
TEST_F(XlsxHostil, LoQueUnaCeldaTraeYNoEsUnDato) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("H"),
                    R"(<row r="1"><c t="str"><v>a</v></c><c t="str"><v>b</v></c></row>)"
                    R"(<row r="2"><c><v>8.9540312345678902E+18</v></c><c t="e"><v>#N/A</v></c></row>)"
                    R"(<row r="3"><c><v>1.2345678901234568E+16</v></c><c t="b"><v>1</v></c></row>)"
                    R"(<row r="4"><c><v>1E+20</v></c><c><v>1.5E3</v></c></row>)"
                    R"(<row r="5"><c><v>8954031234567890123</v></c><c><v>1E400</v></c></row>)"}};
    const QString archivo = ruta(QStringLiteral("valores.xlsx"));
    libro.escribir(archivo);
    const HojaLeida h = LeerHoja(archivo, QStringLiteral("H$"));
    ASSERT_EQ(h.filas.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(h.filas[i][0].typeId(), QMetaType::Double) << i;
        EXPECT_TRUE(NumeroExacto::DobleInexacto(h.filas[i][0])) << i;
    }
    EXPECT_EQ(h.texto(0, 0), QStringLiteral("8,95403123456789E+18"));
    EXPECT_EQ(h.texto(3, 0), QStringLiteral("8954031234567890123"));  // sus cifras, exactas
    EXPECT_TRUE(EsErrorDeCelda(h.filas[0][1]));
    EXPECT_EQ(h.texto(0, 1), QStringLiteral("#N/A"));
    EXPECT_EQ(h.filas[1][1].typeId(), QMetaType::Bool);
    EXPECT_EQ(h.texto(2, 1), QStringLiteral("1500"));
    EXPECT_TRUE(NumeroExacto::DobleInexacto(h.filas[3][1]));  // 1E400: infinito, no 0

    libro.hojas = {{QStringLiteral("H"),
                    R"(<row r="1"><c t="str"><v>a</v></c></row>)"
                    R"(<row r="2"><c t="inlineStr"><is><t>NULA_x0000_B</t></is></c></row>)"}};
    QFile::remove(archivo);
    libro.escribir(archivo);
    const QString falla = FallaAlLeer(archivo, QStringLiteral("H$"));
    EXPECT_TRUE(falla.contains(QStringLiteral("carácter nulo"))) << qPrintable(falla);
    EXPECT_TRUE(falla.contains(QStringLiteral("A2"))) << qPrintable(falla);
}
