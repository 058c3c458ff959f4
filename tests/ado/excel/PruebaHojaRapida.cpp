#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>
#include <memory>

#include "ado/excel/HojaXml.h"
#include "ado/excel/HojaXmlRapida.h"
#include "platform/ErrorEjecucion.h"

// El lector propio de las filas de una hoja tiene que dar exactamente lo que da expat (HojaXml):
// las mismas filas, celdas y valores, y la misma falla en el mismo lugar. Lo que no conoce lo deja
// a HojaXml, que vuelve a leer desde el principio.

namespace {

// Las filas, una por línea ("número: columna tipo estilo [valor] ..."), y la falla si la hubo.
template <typename Hoja>
QStringList Filas(Hoja& hoja) {
    QStringList salida;
    try {
        FilaXml f;
        while (hoja.siguiente(f)) {
            QString linea = QString::number(f.numero) + ':';
            for (const CeldaXml& c : f.celdas)
                linea += QStringLiteral(" %1%2%3[%4]")
                             .arg(c.columna)
                             .arg(QChar(c.tipo))
                             .arg(c.estilo)
                             .arg(QString::fromUtf8(c.valor));
            salida << linea;
        }
    } catch (const ErrorEjecucion& e) {
        salida << "FALLA " + e.descripcion();
    }
    return salida;
}

const QByteArray kAntes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><dimension ref=\"A1\"/><sheetData>";
const QByteArray kDespues = "</sheetData><pageMargins left=\"0.7\"/></worksheet>";

}  // namespace

TEST(HojaRapida, DaLoMismoQueExpatFilaPorFilaYFallaPorFalla) {
    const QByteArray grande(1536 * 1024, 'a');
    const struct {
        const char* nombre;
        QByteArray xml;
        bool porExpat;  // lo deja a HojaXml
    } casos[] = {
        {"números y cadenas compartidas",
         kAntes + "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"3\"><v>3.5</v></c></row>" +
             kDespues,
         false},
        {"entidades y UTF-8",
         kAntes +
             "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>Mar&amp;Sol &lt;x&gt; &quot;&apos; "
             "&#233;&#x00F1; ñandú 漢字 \xF0\x9F\x98\x80</t></is></c></row>" +
             kDespues,
         false},
        {"fines de línea",
         kAntes +
             "<row><c t=\"inlineStr\"><is><t "
             "xml:space=\"preserve\">a\r\nb\rc\nd\te&#13;f</t></is></c></row>" +
             kDespues,
         false},
        {"blancos, comillas simples, prefijos y etiquetas vacías",
         kAntes +
             "\n  <x:row r='3' spans=\"1:2\" ><x:c r='A3' s='2'/><x:c r=\"B3\" ><x:v "
             ">7</x:v></x:c></x:row>\n<row r=\"5\"/>\n" +
             kDespues,
         false},
        {"fórmulas, celdas y filas sin r",
         kAntes +
             "<row><c><f>SUM(A1:A2)</f><v>3</v></c><c t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c><c "
             "t=\"e\"><v>#N/A</v></c></row><row><c t=\"b\"><v>1</v></c><c "
             "t=\"d\"><v>2024-02-29</v></c></row>" +
             kDespues,
         false},
        {"filas fuera de orden",
         kAntes +
             "<row r=\"10\"><c r=\"C10\"><v>1</v></c><c><v>2</v></c></row><row r=\"4\"><c "
             "r=\"aa4\"><v>2</v></c></row>" +
             kDespues,
         true},
        {"fila 0", kAntes + "<row r=\"0\"><c><v>1</v></c></row>" + kDespues, true},
        {"fila repetida",
         kAntes + "<row r=\"2\"><c><v>1</v></c></row><row r=\"2\"><c><v>2</v></c></row>" + kDespues, true},
        {"valores vacíos, <v> después de <is>, texto suelto, '>' en un atributo",
         kAntes +
             "<row r=\"1\" x=\"a>b\">xx<c><v/></c><c t=\"inlineStr\"><is/></c><c "
             "t=\"inlineStr\"><is><t>a</t><t>b</t></is><v>9</v>yy</c></row>" +
             kDespues,
         false},
        {"texto enriquecido",
         kAntes +
             "<row><c t=\"inlineStr\"><is><r><rPr><b/></rPr><t>neg</t></r><r><t>ra</t></r></is></c></row>" +
             kDespues,
         true},
        {"guía fonética",
         kAntes +
             "<row><c t=\"inlineStr\"><is><t>漢字</t><rPh sb=\"0\" "
             "eb=\"2\"><t>かんじ</t></rPh></is></c></row>" +
             kDespues,
         true},
        {"comentario entre filas",
         kAntes + "<row r=\"1\"><c><v>1</v></c></row><!-- c --><row r=\"2\"><c><v>2</v></c></row>" + kDespues,
         true},
        {"CDATA", kAntes + "<row><c t=\"inlineStr\"><is><t><![CDATA[a<b]]></t></is></c></row>" + kDespues,
         true},
        {"segunda sheetData",
         kAntes +
             "<row r=\"1\"><c><v>1</v></c></row></sheetData><sheetData><row r=\"9\"><c><v>9</v></c></row>" +
             kDespues,
         true},
        {"sheetData vacía", kAntes.chopped(1) + "/>" + kDespues.mid(QByteArray("</sheetData>").size()), true},
        {"otra codificación",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet><sheetData><row><c "
         "t=\"inlineStr\"><is><t>\xE9</t></is></c></row>" +
             kDespues,
         true},
        {"valor de más de 1 MiB",
         kAntes + "<row><c t=\"inlineStr\"><is><t>" + grande + "</t></is></c><c><v>1</v></c></row>" +
             kDespues,
         true},
        {"entidad desconocida",
         kAntes +
             "<row r=\"1\"><c><v>1</v></c></row><row><c t=\"inlineStr\"><is><t>&nbsp;</t></is></c></row>" +
             kDespues,
         true},
        {"UTF-8 inválido",
         kAntes +
             "<row r=\"1\"><c><v>1</v></c></row><row><c t=\"inlineStr\"><is><t>\xC3\x28</t></is></c></row>" +
             kDespues,
         true},
        {"carácter de control", kAntes + "<row><c><v>\x01</v></c></row>" + kDespues, true},
        {"]]> en el texto", kAntes + "<row><c><v>a]]>b</v></c></row>" + kDespues, true},
        {"etiquetas cruzadas",
         kAntes + "<row r=\"1\"><c><v>1</v></c></row><row><c><v>1</c></v></row>" + kDespues, true},
        {"atributo repetido", kAntes + "<row r=\"1\" r=\"2\"><c><v>1</v></c></row>" + kDespues, true},
        {"atributos sin blanco entre ellos", kAntes + "<row><c r=\"A1\"t=\"s\"><v>0</v></c></row>" + kDespues,
         true},
        {"hoja truncada", kAntes + "<row r=\"1\"><c><v>1</v></c></row><row><c><v>2", true},
        {"fila más allá de la última",
         kAntes + "<row r=\"1\"><c><v>1</v></c></row><row r=\"1048577\"><c><v>1</v></c></row>" + kDespues,
         true},
        {"columna más allá de XFD",
         kAntes + "<row r=\"1\"><c><v>1</v></c></row><row><c r=\"XFE2\"><v>1</v></c></row>" + kDespues, true},
        {"final mal formado",
         kAntes + "<row r=\"1\"><c><v>1</v></c></row></sheetData><pageMargins></worksheet>", true},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        for (const int trozo : {1, 3, 1000, 65536}) {
            SCOPED_TRACE(trozo);
            // Con los mismos trozos: cómo recorta HojaXml un valor de más de 1 MiB depende de ellos.
            FlujoMemoria memoria(caso.xml, trozo);
            HojaXml expat(memoria, QStringLiteral("libro.xlsx"), QStringLiteral("hoja"));
            const QStringList esperadas = Filas(expat);
            HojaXmlRapida rapida([&] { return std::make_unique<FlujoMemoria>(caso.xml, trozo); },
                                 QStringLiteral("libro.xlsx"), QStringLiteral("hoja"));
            const QStringList dadas = Filas(rapida);
            EXPECT_EQ(dadas, esperadas);
            EXPECT_EQ(rapida.porExpat(), caso.porExpat);
        }
    }
}
