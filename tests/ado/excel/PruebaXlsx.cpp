// El proveedor de .xlsx a través de la conexión: libros escritos con libxlsxwriter y, para lo que
// esa biblioteca no escribe, partes XML hechas a mano.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#ifdef GARANTIAS_CON_XLSXWRITER
#include <xlsxwriter.h>
#endif

#include "LibrosDePrueba.h"
#include "ado/Conexion.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

namespace {
class Xlsx : public ::testing::Test {
  protected:
    QTemporaryDir dir_;
    QString ruta(const QString& nombre) const { return dir_.filePath(nombre); }

    // Las filas de la primera hoja como las ve el operador, "|" entre campos.
    static QStringList Textos(const HojaLeida& h) {
        QStringList filas;
        for (std::size_t i = 0; i < h.filas.size(); ++i) {
            QStringList campos;
            for (int c = 0; c < h.campos.size(); ++c) campos.append(h.texto(i, c));
            filas.append(campos.join(u'|'));
        }
        return filas;
    }
};

const QByteArray kEstilosFecha =
    "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy hh:mm\"/><numFmt numFmtId=\"165\" "
    "formatCode=\"[h]:mm\"/>"
    "<numFmt numFmtId=\"166\" formatCode=\"[Red]0.00\"/><numFmt numFmtId=\"167\" formatCode=\"&quot;day "
    "&quot;0\"/>"
    "</numFmts><cellStyleXfs><xf numFmtId=\"14\"/></cellStyleXfs>"
    "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/><xf "
    "numFmtId=\"166\"/>"
    "<xf numFmtId=\"167\"/><xf numFmtId=\"49\"/></cellXfs></styleSheet>";
}  // namespace

// Cada caso: el interior de <sheetData> (y cadenas compartidas) y lo que el operador ve.
TEST_F(Xlsx, XmlHechoAMano) {
    struct Caso {
        const char* nombre;
        const char* datos;
        const char* cadenas;
        const char* propiedades;
        const char* campos;
        const char* filas;  // filas separadas por "/"
    };
    const Caso casos[] = {
        {"cadenas en línea con corridas y guía fonética",
         R"(<row r="1"><c r="A1" t="inlineStr"><is><t>Serie</t></is></c><c r="B1" t="inlineStr"><is><r><t>Pro</t></r><r><rPr/><t xml:space="preserve">ducto </t></r><rPh><t>ignorar</t></rPh></is></c></row>)"
         R"(<row r="2"><c r="A2" t="inlineStr"><is><t>00012345</t></is></c><c r="B2" t="inlineStr"><is><t xml:space="preserve">  con blancos  </t></is></c></row>)",
         "", "", "Serie|Producto ", "00012345|  con blancos  "},
        {"cadenas compartidas con texto enriquecido",
         R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row><row r="2"><c r="A2" t="s"><v>2</v></c><c r="B2" t="s"><v>0</v></c></row>)",
         R"(<si><t>Código</t></si><si><r><t>Nom</t></r><r><t>bre</t></r></si><si><t>A_x000D_B</t><rPh sb="0" eb="1"><t>x</t></rPh></si>)",
         "", "Código|Nombre", "A\rB|Código"},
        {"celdas y filas sin referencia r",
         R"(<row><c t="str"><v>a</v></c><c t="str"><v>b</v></c><c t="str"><v>c</v></c></row><row><c><v>1</v></c><c/><c><v>3</v></c></row>)",
         "", "", "a|b|c", "1||3"},
        {"columnas y filas salteadas; las vacías del final no son filas",
         R"(<row r="2"><c r="B2" t="str"><v>x</v></c><c r="D2" t="str"><v>y</v></c></row><row r="3"><c r="D3"><v>7</v></c></row>)"
         R"(<row r="6"><c r="B6"><v>1.5</v></c></row><row r="7"><c r="B7" s="1"/></row><row r="9"><c r="A9" t="str"><v></v></c></row>)",
         "", "", "F1|x|F3|y", "|||7/|||/|||/|1,5||"},
        {"booleanos, errores, texto de fórmula y fecha ISO",
         R"(<row r="1"><c r="A1" t="str"><v>b</v></c><c r="B1" t="str"><v>e</v></c><c r="C1" t="str"><v>f</v></c><c r="D1" t="str"><v>d</v></c></row>)"
         R"(<row r="2"><c r="A2" t="b"><v>1</v></c><c r="B2" t="e"><v>#N/A</v></c><c r="C2" t="str"><f>A1&amp;"x"</f><v>bx</v></c><c r="D2" t="d"><v>2021-03-04T05:06:07</v></c></row>)"
         R"(<row r="3"><c r="A3" t="b"><v>0</v></c><c r="B3" t="e"><v>#DIV/0!</v></c><c r="C3"><f>1+1</f><v>2</v></c><c r="D3" t="d"><v>2021-03-04</v></c></row>)",
         "", "", "b|e|f|d", "Verdadero|#N/A|bx|04/03/2021 05:06:07/Falso|#DIV/0!|2|04/03/2021"},
        {"números enteros, decimales y grandes",
         R"(<row r="1"><c r="A1" t="str"><v>n</v></c></row><row r="2"><c r="A2"><v>12345678901</v></c></row><row r="3"><c r="A3"><v>1.0E+3</v></c></row><row r="4"><c r="A4"><v>-0.25</v></c></row>)",
         "", "", "n", "12345678901/1000/-0,25"},
        // Una serie guardada como número se lee de sus cifras: por un doble, 8954031234567890123
        // volvería 8954031234567889920 y su vecina sería la misma. Con exponente, las cifras son
        // las del doble que escribió el programa: se muestra como doble, no como entero exacto.
        {"enteros de más de 15 cifras, de sus cifras",
         R"(<row r="1"><c r="A1" t="str"><v>n</v></c></row><row r="2"><c r="A2"><v>8954031234567890123</v></c></row>)"
         R"(<row r="3"><c r="A3"><v>8954031234567890124</v></c></row><row r="4"><c r="A4"><v>123456789012345678901234</v></c></row>)"
         R"(<row r="5"><c r="A5"><v>9007199254740993</v></c></row><row r="6"><c r="A6"><v>-9223372036854775809</v></c></row>)"
         R"(<row r="7"><c r="A7"><v>8.954031234567890123E18</v></c></row><row r="8"><c r="A8"><v>1.5E20</v></c></row>)"
         R"(<row r="9"><c r="A9"><v> +12.000 </v></c></row><row r="10"><c r="A10"><v>0012</v></c></row>)",
         "", "", "n",
         "8954031234567890123/8954031234567890124/123456789012345678901234/9007199254740993/"
         "-9223372036854775809/8,95403123456789E+18/1,5E+20/12/12"},
        {"sistema de fechas 1904",
         R"(<row r="1"><c r="A1" t="str"><v>f</v></c></row><row r="2"><c r="A2" s="1"><v>0</v></c></row><row r="3"><c r="A3" s="1"><v>42735</v></c></row><row r="4"><c r="A4" s="2"><v>1.5</v></c></row>)",
         "", "date1904=\"1\"", "f", "01/01/1904/01/01/2021/02/01/1904 12:00:00"},
        {"formatos de fecha propios y los que no lo son",
         R"(<row r="1"><c r="A1" t="str"><v>d</v></c><c r="B1" t="str"><v>dh</v></c><c r="C1" t="str"><v>h</v></c><c r="D1" t="str"><v>rojo</v></c><c r="E1" t="str"><v>dia</v></c><c r="F1" t="str"><v>texto</v></c></row>)"
         R"(<row r="2"><c r="A2" s="1"><v>45000</v></c><c r="B2" s="2"><v>45000.75</v></c><c r="C2" s="3"><v>1.5</v></c><c r="D2" s="4"><v>3</v></c><c r="E2" s="5"><v>4</v></c><c r="F2" s="6"><v>5</v></c></row>)"
         R"(<row r="3"><c r="A3" s="1"><v>60</v></c><c r="B3" s="2"><v>0.2736111111</v></c><c r="C3" s="1"><v>1</v></c><c r="D3" s="1"><v>-1</v></c></row>)",
         "", "", "d|dh|h|rojo|dia|texto",
         "15/03/2023|15/03/2023 18:00:00|1,5|3|4|5/28/02/1900|30/12/1899 06:34:00|01/01/1900|-1||"},
        {"prefijo de espacio de nombres y cabecera sin valores al final",
         R"(<x:row r="1"><x:c r="A1" t="inlineStr"><x:is><x:t>uno</x:t></x:is></x:c><x:c r="B1" t="inlineStr"><x:is><x:t></x:t></x:is></x:c></x:row><x:row r="2"><x:c r="A2"><x:v>1</x:v></x:c><x:c r="B2"><x:v>2</x:v></x:c></x:row>)",
         "", "", "uno", "1"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        LibroAMano libro;
        libro.hojas = {{QStringLiteral("Hoja1"), QByteArray(c.datos)}};
        libro.cadenas = c.cadenas;
        libro.estilos = kEstilosFecha;
        libro.propiedadesLibro = c.propiedades;
        const QString archivo = ruta(QStringLiteral("mano.xlsx"));
        QFile::remove(archivo);
        libro.escribir(archivo);
        const HojaLeida h = LeerHoja(archivo, QStringLiteral("Hoja1$"));
        EXPECT_EQ(h.campos.join(u'|'), QString::fromUtf8(c.campos));
        EXPECT_EQ(Textos(h).join(u'/'), QString::fromUtf8(c.filas));
    }
}

TEST_F(Xlsx, ValoresTipados) {
    LibroAMano libro;
    libro.hojas = {
        {QStringLiteral("H"),
         R"(<row r="1"><c t="str"><v>a</v></c><c t="str"><v>b</v></c><c t="str"><v>c</v></c><c t="str"><v>d</v></c><c t="str"><v>e</v></c></row>)"
         R"(<row r="2"><c t="str"><v>00012345</v></c><c><v>12</v></c><c><v>2.5</v></c><c s="1"><v>45000</v></c><c s="2"><v>45000.5</v></c></row>)"}};
    libro.estilos = kEstilosFecha;
    libro.escribir(ruta(QStringLiteral("t.xlsx")));
    const HojaLeida h = LeerHoja(ruta(QStringLiteral("t.xlsx")), QStringLiteral("H$"));
    ASSERT_EQ(h.filas.size(), 1u);
    const auto& f = h.filas[0];
    EXPECT_EQ(f[0].typeId(), QMetaType::QString);
    EXPECT_EQ(f[1].typeId(), QMetaType::LongLong);
    EXPECT_EQ(f[2].typeId(), QMetaType::Double);
    EXPECT_EQ(f[3], QVariant(QDate(2023, 3, 15)));
    EXPECT_EQ(f[4], QVariant(QDateTime(QDate(2023, 3, 15), QTime(12, 0))));
}

TEST_F(Xlsx, HojasEnOrdenConLasOcultasYBusquedaPorNombre) {
    LibroAMano libro;
    const QByteArray una = R"(<row r="1"><c t="str"><v>campo</v></c></row><row r="2"><c><v>1</v></c></row>)";
    libro.hojas = {
        {QStringLiteral("Datos"), una}, {QStringLiteral("Oculta"), una}, {QStringLiteral("Mi hoja"), una}};
    libro.estados = {QString(), QStringLiteral("hidden"), QStringLiteral("veryHidden")};
    const QString archivo = ruta(QStringLiteral("h.xlsx"));
    libro.escribir(archivo);
    EXPECT_EQ(HojasDe(archivo), QStringList({"Datos$", "Oculta$", "Mi hoja$"}));
    for (const char* nombre : {"Datos$", "Datos", "datos$", "DATOS", "'Datos$'", "mi hoja$", "Oculta"}) {
        EXPECT_EQ(LeerHoja(archivo, QString::fromUtf8(nombre)).filas.size(), 1u) << nombre;
    }
    const QString falla = FallaAlLeer(archivo, QStringLiteral("Hoja9$"));
    EXPECT_TRUE(falla.contains(QStringLiteral("Hoja9$")) && falla.contains(archivo)) << qPrintable(falla);
}

TEST_F(Xlsx, HojaVaciaDaUnCampoYNingunaFila) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("Vacia"), QByteArray()},
                   {QStringLiteral("Blancos"), R"(<row r="3"><c r="A3" s="1"/></row>)"}};
    libro.escribir(ruta(QStringLiteral("v.xlsx")));
    for (const char* h : {"Vacia$", "Blancos$"}) {
        const HojaLeida leida = LeerHoja(ruta(QStringLiteral("v.xlsx")), QString::fromUtf8(h));
        EXPECT_EQ(leida.campos, QStringList{"F1"}) << h;
        EXPECT_TRUE(leida.filas.empty()) << h;
    }
}

TEST_F(Xlsx, ArchivosQueNoSePuedenLeerFallanConClaridad) {
    LibroAMano bueno;
    QByteArray filas = R"(<row r="1"><c t="s"><v>0</v></c></row>)";
    for (int i = 2; i < 3000; ++i)
        filas += "<row r=\"" + QByteArray::number(i) + "\"><c><v>" + QByteArray::number(i * 7919) +
                 "</v></c></row>";
    bueno.hojas = {{QStringLiteral("H"), filas}};
    bueno.cadenas = "<si><t>campo</t></si>";
    const QString original = ruta(QStringLiteral("bueno.xlsx"));
    bueno.escribir(original);
    ASSERT_EQ(LeerHoja(original, QStringLiteral("H$")).filas.size(), 2998u);
    const QByteArray bytes = LeerArchivo(original);

    // Datos comprimidos de la hoja alterados, con el directorio del zip intacto.
    QByteArray alterado = bytes;
    const qsizetype hoja = alterado.indexOf("xl/worksheets/sheet1.xml");
    ASSERT_GT(hoja, 0);
    for (qsizetype i = hoja + 200; i < hoja + 260; ++i) alterado[i] = static_cast<char>(alterado[i] ^ 0x5A);

    LibroAMano sinCadenas;  // pide la cadena 3 y el libro no tiene cadenas
    sinCadenas.hojas = {{QStringLiteral("H"), R"(<row r="1"><c t="s"><v>3</v></c></row>)"}};
    sinCadenas.escribir(ruta(QStringLiteral("sincadenas.xlsx")));
    LibroAMano fueraDeRango = sinCadenas;
    fueraDeRango.cadenas = "<si><t>una</t></si>";
    fueraDeRango.escribir(ruta(QStringLiteral("fuera.xlsx")));
    LibroAMano malFormado;
    malFormado.hojas = {
        {QStringLiteral("H"), R"(<row r="1"><c t="str"><v>a</v></c></row><row r="2"><c><v>1</c></row>)"}};
    malFormado.escribir(ruta(QStringLiteral("malformado.xlsx")));
    EscribirZip(ruta(QStringLiteral("sinlibro.xlsx")), {{QStringLiteral("hola.txt"), "hola"}});
    EscribirArchivo(ruta(QStringLiteral("texto.xlsx")), "Serie;Producto\r\n1;2\r\n");
    EscribirArchivo(ruta(QStringLiteral("vacio.xlsx")), QByteArray());
    EscribirArchivo(ruta(QStringLiteral("truncado.xlsx")), bytes.left(bytes.size() / 2));
    EscribirArchivo(ruta(QStringLiteral("alterado.xlsx")), alterado);

    struct Caso {
        const char* archivo;
        const char* causa;
    };
    const Caso casos[] = {
        {"noexiste.xlsx", "No existe"},          {"vacio.xlsx", "vacío"},
        {"texto.xlsx", "no es un zip"},          {"truncado.xlsx", "truncado"},
        {"sinlibro.xlsx", "xl/workbook.xml"},    {"alterado.xlsx", "dañado"},
        {"malformado.xlsx", "no es XML válido"}, {"sincadenas.xlsx", "cadena compartida"},
        {"fuera.xlsx", "cadena compartida 3"},
    };
    for (const Caso& c : casos) {
        const QString archivo = ruta(QString::fromUtf8(c.archivo));
        const QString falla = FallaAlLeer(archivo, QStringLiteral("H$"));
        EXPECT_TRUE(falla.contains(archivo) && falla.contains(QString::fromUtf8(c.causa)))
            << c.archivo << ": " << qPrintable(falla);
    }
}

TEST_F(Xlsx, ExtensionQueMienteSeLeePorSuContenido) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("H"),
                    R"(<row r="1"><c t="str"><v>campo</v></c></row><row r="2"><c><v>5</v></c></row>)"}};
    libro.escribir(ruta(QStringLiteral("en_verdad_xlsx.xls")));
    const HojaLeida h = LeerHoja(ruta(QStringLiteral("en_verdad_xlsx.xls")), QStringLiteral("H$"));
    ASSERT_EQ(h.filas.size(), 1u);
    EXPECT_EQ(h.texto(0, 0), "5");
}

TEST_F(Xlsx, NoSeAbreParaEscribir) {
    LibroAMano libro;
    libro.hojas = {{QStringLiteral("H"), R"(<row r="1"><c t="str"><v>campo</v></c></row>)"}};
    const QString archivo = ruta(QStringLiteral("l.xlsx"));
    libro.escribir(archivo);
    const QByteArray antes = LeerArchivo(archivo);
    Conexion c;
    c.Open(ConexionExcel(archivo));
    EXPECT_THROW(c.abrirRecordset(QStringLiteral("SELECT * FROM [H$]"), 2, 3), ErrorEjecucion);
    c.Execute(QStringLiteral("DELETE FROM [H$]"));
    EXPECT_GE(c.Errors().Count(), 1);
    c.Close();
    EXPECT_EQ(LeerArchivo(archivo), antes);
}

#ifdef GARANTIAS_CON_XLSXWRITER
namespace {
// Un libro como los que mandan los proveedores, escrito por libxlsxwriter: con cadenas
// compartidas o, en modo de memoria constante, con cadenas en línea.
void EscribirConXlsxWriter(const QString& ruta, bool memoriaConstante) {
    lxw_workbook_options opciones{};
    opciones.constant_memory = memoriaConstante ? LXW_TRUE : LXW_FALSE;
    const QByteArray nombre = QFile::encodeName(ruta);
    lxw_workbook* libro = workbook_new_opt(nombre.constData(), &opciones);
    ASSERT_NE(libro, nullptr);
    lxw_worksheet* hoja = workbook_add_worksheet(libro, "Garantías");
    lxw_worksheet* oculta = workbook_add_worksheet(libro, "Oculta");
    worksheet_hide(oculta);
    lxw_format* fecha = workbook_add_format(libro);
    format_set_num_format(fecha, "dd/mm/yyyy");
    lxw_format* fechaHora = workbook_add_format(libro);
    format_set_num_format(fechaHora, "yyyy-mm-dd hh:mm:ss");
    worksheet_write_string(hoja, 0, 0, "Serie", nullptr);
    worksheet_write_string(hoja, 0, 2, "Compra", nullptr);
    worksheet_write_string(hoja, 0, 3, "Alta", nullptr);
    worksheet_write_string(hoja, 0, 4, "Importe", nullptr);
    worksheet_write_string(hoja, 0, 5, "Activa", nullptr);
    worksheet_write_string(hoja, 1, 0, "00012345", nullptr);
    worksheet_write_string(hoja, 1, 1, "Ñandú", nullptr);
    lxw_datetime d{2024, 2, 29, 0, 0, 0};
    worksheet_write_datetime(hoja, 1, 2, &d, fecha);
    lxw_datetime dh{2024, 3, 1, 13, 45, 30};
    worksheet_write_datetime(hoja, 1, 3, &dh, fechaHora);
    worksheet_write_number(hoja, 1, 4, 1234.5, nullptr);
    worksheet_write_boolean(hoja, 1, 5, 1, nullptr);
    worksheet_write_number(hoja, 3, 0, 12345678901.0, nullptr);
    worksheet_write_formula_num(hoja, 3, 4, "=E2*2", nullptr, 2469);
    worksheet_write_blank(hoja, 6, 0, fecha);  // formato sin valor al final: no es fila
    worksheet_write_string(oculta, 0, 0, "x", nullptr);
    ASSERT_EQ(workbook_close(libro), LXW_NO_ERROR);
}
}  // namespace

TEST_F(Xlsx, LibroDeLibxlsxwriterConCadenasCompartidasYEnLinea) {
    for (bool constante : {false, true}) {
        SCOPED_TRACE(constante ? "memoria constante (cadenas en línea)" : "cadenas compartidas");
        const QString archivo = ruta(constante ? QStringLiteral("c.xlsx") : QStringLiteral("s.xlsx"));
        EscribirConXlsxWriter(archivo, constante);
        EXPECT_EQ(HojasDe(archivo), QStringList({QStringLiteral("Garantías$"), QStringLiteral("Oculta$")}));
        const HojaLeida h = LeerHoja(archivo, QStringLiteral("garantías"));
        EXPECT_EQ(h.campos, QStringList({"Serie", "F2", "Compra", "Alta", "Importe", "Activa"}));
        ASSERT_EQ(h.filas.size(), 3u);
        EXPECT_EQ(Textos(h), QStringList({"00012345|Ñandú|29/02/2024|01/03/2024 13:45:30|1234,5|Verdadero",
                                          "|||||", "12345678901||||2469|"}));
        EXPECT_EQ(h.filas[0][2], QVariant(QDate(2024, 2, 29)));
        EXPECT_EQ(h.filas[0][5], QVariant(true));
        EXPECT_EQ(h.filas[2][0].typeId(), QMetaType::LongLong);
    }
}
#endif
