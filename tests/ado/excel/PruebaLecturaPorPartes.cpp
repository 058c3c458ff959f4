// La hoja y sus cadenas se leen a medida que se piden: mostrar unas filas de una hoja enorme lee
// unos pocos trozos, no el archivo.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#ifdef GARANTIAS_CON_XLSXWRITER
#include <xlsxwriter.h>
#endif

#include "LibrosDePrueba.h"
#include "ado/Conexion.h"
#include "ado/excel/CadenasXlsx.h"
#include "ado/excel/HojaXml.h"
#include "platform/ErrorEjecucion.h"

namespace {
// Cuenta los bytes que se le piden a un bloque en memoria.
class FlujoContado : public FlujoBytes {
  public:
    explicit FlujoContado(const QByteArray& bytes) : memoria_(bytes) {}
    int leer(char* destino, int maximo) override {
        const int n = memoria_.leer(destino, maximo);
        leidos += n;
        return n;
    }
    qint64 leidos = 0;

  private:
    FlujoMemoria memoria_;
};

QByteArray HojaGrande(int filas) {
    QByteArray xml = "<worksheet><sheetData>";
    for (int i = 1; i <= filas; ++i) {
        xml += "<row r=\"" + QByteArray::number(i) + "\"><c r=\"A" + QByteArray::number(i) +
               "\" t=\"s\"><v>" + QByteArray::number(i - 1) + "</v></c><c r=\"B" + QByteArray::number(i) +
               "\"><v>" + QByteArray::number(i * 3) + "</v></c></row>";
    }
    return xml + "</sheetData></worksheet>";
}
}  // namespace

TEST(LecturaPorPartes, LaHojaSeLeeHastaLaFilaPedida) {
    const QByteArray xml = HojaGrande(200000);  // unos 11 MB de XML
    FlujoContado flujo(xml);
    HojaXml hoja(flujo, QStringLiteral("libro.xlsx"), QStringLiteral("xl/worksheets/sheet1.xml"));
    FilaXml fila;
    for (int i = 1; i <= 20; ++i) {
        ASSERT_TRUE(hoja.siguiente(fila));
        EXPECT_EQ(fila.numero, i);
    }
    ASSERT_EQ(fila.celdas.size(), 2u);
    EXPECT_EQ(fila.celdas[1].valor, "60");
    EXPECT_LE(flujo.leidos, 64 * 1024) << "de " << xml.size() << " bytes";
    int resto = 0;
    while (hoja.siguiente(fila)) ++resto;
    EXPECT_EQ(resto, 200000 - 20);
    EXPECT_EQ(flujo.leidos, xml.size());
}

TEST(LecturaPorPartes, LasCadenasSeLeenHastaLaMasAltaPedida) {
    QByteArray xml = "<sst>";
    for (int i = 0; i < 200000; ++i) xml += "<si><t>cadena " + QByteArray::number(i) + "</t></si>";
    xml += "</sst>";
    auto flujo = std::make_unique<FlujoContado>(xml);
    FlujoContado* contado = flujo.get();
    CadenasXlsx cadenas(std::move(flujo), QStringLiteral("libro.xlsx"),
                        QStringLiteral("xl/sharedStrings.xml"));
    EXPECT_EQ(cadenas.cadena(18), QStringLiteral("cadena 18"));
    EXPECT_LE(contado->leidos, 64 * 1024);
    EXPECT_EQ(cadenas.cadena(199999), QStringLiteral("cadena 199999"));
    EXPECT_EQ(cadenas.cadena(5), QStringLiteral("cadena 5"));
    EXPECT_THROW(cadenas.cadena(200000), ErrorEjecucion);
}

#ifdef GARANTIAS_CON_XLSXWRITER
namespace {
// Un libro de filas como las de una planilla de garantías, escrito con libxlsxwriter.
void EscribirLibroGrande(const QString& ruta, int filas) {
    lxw_workbook_options opciones{};
    opciones.constant_memory = LXW_TRUE;
    const QByteArray nombre = QFile::encodeName(ruta);
    lxw_workbook* libro = workbook_new_opt(nombre.constData(), &opciones);
    ASSERT_NE(libro, nullptr);
    lxw_worksheet* hoja = workbook_add_worksheet(libro, "Hoja1");
    lxw_format* fecha = workbook_add_format(libro);
    format_set_num_format(fecha, "dd/mm/yyyy");
    const char* campos[] = {"Serie", "Articulo", "Compra", "Importe", "Cliente"};
    for (int c = 0; c < 5; ++c)
        worksheet_write_string(hoja, 0, static_cast<lxw_col_t>(c), campos[c], nullptr);
    for (int i = 1; i <= filas; ++i) {
        const QByteArray serie = QByteArray::number(100000000 + i);
        worksheet_write_string(hoja, static_cast<lxw_row_t>(i), 0, serie.constData(), nullptr);
        worksheet_write_number(hoja, static_cast<lxw_row_t>(i), 1, i % 5000, nullptr);
        worksheet_write_number(hoja, static_cast<lxw_row_t>(i), 2, 44000 + i % 900, fecha);
        worksheet_write_number(hoja, static_cast<lxw_row_t>(i), 3, (i % 100000) / 100.0, nullptr);
        worksheet_write_string(hoja, static_cast<lxw_row_t>(i), 4, "Cliente de prueba", nullptr);
    }
    ASSERT_EQ(workbook_close(libro), LXW_NO_ERROR);
}

// Milisegundos para abrir el libro y leer n filas de la hoja.
double MsParaLeer(const QString& ruta, qint64 n, qint64* leidas = nullptr) {
    QElapsedTimer reloj;
    reloj.start();
    Conexion c;
    c.Open(ConexionExcel(ruta));
    RecordsetPtr rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [Hoja1$]"));
    qint64 i = 0;
    for (; i < n && !rs->EOF_(); ++i) rs->MoveNext();
    if (leidas) *leidas = i;
    c.Close();
    return static_cast<double>(reloj.nsecsElapsed()) / 1e6;
}
}  // namespace

TEST(LecturaPorPartes, LaVistaPreviaDeUnaHojaGrandeCuestaLoMismoQueLaDeUnaChica) {
    QTemporaryDir dir;
    const QString chica = dir.filePath(QStringLiteral("chica.xlsx"));
    const QString grande = dir.filePath(QStringLiteral("grande.xlsx"));
    EscribirLibroGrande(chica, 1000);
    EscribirLibroGrande(grande, 200000);
    double tChica = 1e9, tGrande = 1e9;
    for (int i = 0; i < 3; ++i) {  // el mejor de tres, para no medir el arranque del disco
        tChica = std::min(tChica, MsParaLeer(chica, 19));
        tGrande = std::min(tGrande, MsParaLeer(grande, 19));
    }
    EXPECT_LT(tGrande, tChica * 3 + 5) << "chica " << tChica << " ms, grande " << tGrande << " ms";
    qint64 leidas = 0;
    MsParaLeer(grande, 1 << 30, &leidas);
    EXPECT_EQ(leidas, 200000);
}

// Medición a mano (GARANTIAS_MEDIR_XLSX=1): filas por segundo al leer entera una hoja de un millón de filas.
TEST(LecturaPorPartes, VelocidadDeUnMillonDeFilas) {
    if (qgetenv("GARANTIAS_MEDIR_XLSX").isEmpty()) GTEST_SKIP() << "medición a mano: GARANTIAS_MEDIR_XLSX=1";
    QTemporaryDir dir;
    const QString ruta = dir.filePath(QStringLiteral("millon.xlsx"));
    EscribirLibroGrande(ruta, 1000000);
    const double vista = MsParaLeer(ruta, 19);
    qint64 leidas = 0;
    const double todo = MsParaLeer(ruta, 1 << 30, &leidas);
    EXPECT_EQ(leidas, 1000000);
    std::printf("vista previa (19 filas): %.1f ms; hoja entera: %.0f ms, %.0f filas/s; archivo %lld bytes\n",
                vista, todo, leidas / (todo / 1000), static_cast<long long>(QFile(ruta).size()));
}
#endif
