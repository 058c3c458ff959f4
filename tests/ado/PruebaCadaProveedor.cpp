// Un mismo cuerpo de prueba sobre cada proveedor de archivos, abierto como lo abre el programa
// (el texto de conexión que da la clase del archivo): nombres de columnas, nulos, valores que no
// cambian al avanzar (los lectores reusan la memoria de la fila anterior) y las fallas al pasar
// del final.
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "ado/ArchivoOrigen.h"
#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "ado/dbase/ConstructorDbf.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

namespace {

// La tabla que cada proveedor generado debe leer: textos más largos y más cortos que los de la
// fila anterior, ASCII y no ASCII, un valor vacío y uno con comillas.
const QStringList kColumnas = {"a", "b"};
const std::vector<std::pair<const char*, const char*>> kFilas = {
    {"1", "corto"}, {"22", "un texto bastante más largo"}, {nullptr, "q\"q"}, {"4444", "x"}, {"55555", "ñ"},
    {"6", "Café"},
};

void EscribirCsv(const QString& ruta) {
    QByteArray csv = "a,b\n";
    for (const auto& [a, b] : kFilas) {
        const QByteArray bb = QByteArray(b);
        csv += QByteArray(a ? a : "") + ',' +
               (bb.contains('"') ? '"' + QByteArray(bb).replace("\"", "\"\"") + '"' : bb) + '\n';
    }
    EscribirArchivo(ruta, csv);
}

// dBase: los textos en Windows-1252 (byte de idioma 0x03); un texto en blanco se lee "" (no nulo).
void EscribirDbf(const QString& ruta) {
    TablaPrueba t;
    t.version = 0x03;
    t.codigoPagina = 0x03;
    t.campos = {{"A", 'C', 6}, {"B", 'C', 30}};
    for (const auto& [a, b] : kFilas) {
        t.registros.push_back(Registro(t.campos, {QByteArray(a ? a : ""), QString::fromUtf8(b).toLatin1()}));
    }
    EscribirArchivo(ruta, t.bytes());
}

void EscribirXlsx(const QString& ruta) {
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    auto celda = [](const char* ref, const QByteArray& v) {
        return "<c r=\"" + QByteArray(ref) + "\" t=\"inlineStr\"><is><t>" +
               QString::fromUtf8(v).toHtmlEscaped().toUtf8() + "</t></is></c>";
    };
    QByteArray filas = "<row r=\"1\">" + celda("A1", "a") + celda("B1", "b") + "</row>";
    int n = 1;
    for (const auto& [a, b] : kFilas) {
        const QByteArray r = QByteArray::number(++n);
        filas += "<row r=\"" + r + "\">";
        if (a) filas += celda(("A" + r).constData(), a);  // una celda que falta es nula
        filas += celda(("B" + r).constData(), b) + "</row>";
    }
    const std::vector<std::pair<const char*, QByteArray>> partes = {
        {"xl/workbook.xml",
         "<?xml version=\"1.0\"?><workbook " + ns +
             " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
             "<sheets><sheet name=\"Hoja1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<?xml version=\"1.0\"?><Relationships "
         "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
         "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml",
         "<?xml version=\"1.0\"?><worksheet " + ns + "><sheetData>" + filas + "</sheetData></worksheet>"},
    };
    zipFile zip = zipOpen64(QFile::encodeName(ruta).constData(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [nombre, bytes] : partes) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip64(zip, nombre, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                        Z_DEFAULT_COMPRESSION, 0),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, bytes.constData(), static_cast<unsigned>(bytes.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

void EscribirDb(const QString& ruta) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(ruta).constData(), &h), SQLITE_OK);
    sqlite3_exec(h, "CREATE TABLE t (a TEXT, b TEXT)", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, "INSERT INTO t VALUES (?, ?)", -1, &st, nullptr);
    for (const auto& [a, b] : kFilas) {
        if (a)
            sqlite3_bind_text(st, 1, a, -1, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(st, 1);
        sqlite3_bind_text(st, 2, b, -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(h);
}

struct Proveedor {
    const char* nombre;
    const char* archivo;  // en la carpeta de la prueba
    const char* tabla;
    std::function<void(const QString&)> escribir;  // nulo: se copia la muestra pública
    const char* muestra = nullptr;
    bool blancoEsNulo = true;
};

void PrintTo(const Proveedor& p, std::ostream* os) { *os << p.nombre; }

// Cada prueba empieza con el archivo del proveedor en su carpeta: escrito por la prueba o copiado
// de la muestra pública.
class CadaProveedor : public ::testing::TestWithParam<Proveedor> {
  protected:
    void SetUp() override {
        const Proveedor& p = GetParam();
        ASSERT_TRUE(dir_.isValid());
        ruta_ = dir_.filePath(QString::fromUtf8(p.archivo));
        if (p.escribir) {
            p.escribir(ruta_);
        } else {
            if (Muestra(p.muestra).isEmpty()) GTEST_SKIP() << "no están las muestras de ../shared/fixtures";
            ASSERT_TRUE(QFile::copy(Muestra(p.muestra), ruta_));
        }
    }
    QTemporaryDir dir_;
    QString ruta_;
};

TEST_P(CadaProveedor, ColumnasNulosValoresQueNoCambianYFinDeFilas) {
    const Proveedor& p = GetParam();
    const QString& ruta = ruta_;
    const ArchivoOrigen archivo = ArchivoOrigen::De(ruta);
    ASSERT_TRUE(archivo.conocido());
    Conexion c;
    c.Open(archivo.textoConexion());
    RecordsetPtr rs = c.abrirRecordset(SentenciaDeTabla(QString::fromUtf8(p.tabla)));

    // Cada valor se guarda tal como se lo leyó y, aparte, su texto en ese momento.
    std::vector<QVariant> guardados;
    QStringList textos;
    for (; !rs->EOF_(); rs->MoveNext()) {
        for (int i = 0; i < rs->FieldCount(); ++i) {
            guardados.push_back(rs->Field(i));
            textos << (rs->Field(i).isNull() ? QStringLiteral("<nulo>") : TextoValor(rs->Field(i)));
        }
    }
    ASSERT_FALSE(guardados.empty());
    for (std::size_t k = 0; k < guardados.size(); ++k) {
        const QString ahora = guardados[k].isNull() ? QStringLiteral("<nulo>") : TextoValor(guardados[k]);
        EXPECT_EQ(ahora, textos[static_cast<qsizetype>(k)]) << "valor " << k << " cambió al avanzar";
    }
    if (p.escribir) {
        ASSERT_EQ(rs->FieldCount(), kColumnas.size());
        for (int i = 0; i < rs->FieldCount(); ++i) EXPECT_EQ(rs->FieldName(i).toLower(), kColumnas[i]);
        QStringList esperados;
        for (const auto& [a, b] : kFilas) {
            esperados << (a                ? QString::fromUtf8(a)
                          : p.blancoEsNulo ? QStringLiteral("<nulo>")
                                           : QString())
                      << QString::fromUtf8(b);
        }
        EXPECT_EQ(textos, esperados);
        if (!p.blancoEsNulo) EXPECT_FALSE(guardados[4].toString().isNull());  // "", no nulo
    }

    // Pasado el final no hay fila: leer o avanzar es la falla 3021; cerrado, 3704.
    for (const auto& paso :
         {std::function<void()>([&] { rs->Field(0); }), std::function<void()>([&] { rs->MoveNext(); })}) {
        try {
            paso();
            ADD_FAILURE() << "pasado el final no falla";
        } catch (const ErrorEjecucion& e) {
            EXPECT_EQ(e.numero(), 3021);
        }
    }
    rs->Close();
    try {
        rs->EOF_();
        ADD_FAILURE() << "cerrado no falla";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), 3704);
    }
}

// La importación lee la tabla por su nombre, sin armar una sentencia: las mismas filas que la
// sentencia de la vista previa, y la misma falla para una tabla que no está (con un nombre que,
// escrito en una sentencia, la rompería).
TEST_P(CadaProveedor, LaTablaPorSuNombreDaLoMismoQueSuSentencia) {
    const Proveedor& p = GetParam();
    const QString& ruta = ruta_;
    Conexion c;
    c.Open(ArchivoOrigen::De(ruta).textoConexion());
    const auto leer = [](RecordsetPtr rs) {
        QStringList textos;
        for (int i = 0; i < rs->FieldCount(); ++i) textos << rs->FieldName(i);
        for (; !rs->EOF_(); rs->MoveNext()) {
            for (int i = 0; i < rs->FieldCount(); ++i)
                textos << (rs->Field(i).isNull() ? QStringLiteral("<nulo>") : TextoValor(rs->Field(i)));
        }
        return textos;
    };
    const QString tabla = QString::fromUtf8(p.tabla);
    const QStringList porNombre = leer(c.abrirTabla(tabla));
    EXPECT_GT(porNombre.size(), 2);
    EXPECT_EQ(porNombre, leer(c.abrirRecordset(SentenciaDeTabla(tabla))));

    const QString falta = QStringLiteral("no] está\"");
    QString fallaNombre, fallaSentencia;
    try {
        c.abrirTabla(falta);
        ADD_FAILURE() << "una tabla que no está no falla";
    } catch (const ErrorEjecucion& e) {
        fallaNombre = e.descripcion();
    }
    try {
        c.abrirRecordset(SentenciaDeTabla(falta));
    } catch (const ErrorEjecucion& e) {
        fallaSentencia = e.descripcion();
    }
    EXPECT_EQ(fallaNombre, fallaSentencia);
    EXPECT_FALSE(c.Errors().Count() == 0) << "la falla no quedó en la lista de errores";
}

// Después de la pasada por el origen entero, la lectura de la importación sabe cuántas filas dará
// (el avance dice "hechas de total"): las mismas que da. Una hoja lo sabe por la última fila que
// declara el libro: la muestra de .xls la declara, el .xlsx escrito aquí no.
TEST_P(CadaProveedor, ElTotalEsElDeLasFilasQueDa) {
    const Proveedor& p = GetParam();
    Conexion c;
    c.Open(ArchivoOrigen::De(ruta_).textoConexion());
    const QString tabla = QString::fromUtf8(p.tabla);
    c.examinarTabla(tabla);
    RecordsetPtr rs = c.abrirTabla(tabla);
    const std::optional<qint64> total = rs->total();
    qint64 filas = 0;
    for (; !rs->EOF_(); rs->MoveNext()) ++filas;
    const std::string nombre = p.nombre;
    if (nombre == "xlsx") {
        EXPECT_FALSE(total.has_value());
    } else {
        ASSERT_TRUE(total.has_value());
        EXPECT_EQ(*total, filas);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Proveedores, CadaProveedor,
    ::testing::Values(Proveedor{"texto", "datos.csv", "datos#csv", EscribirCsv},
                      Proveedor{"dbase", "datos.dbf", "datos", EscribirDbf, nullptr, false},
                      Proveedor{"xlsx", "libro.xlsx", "Hoja1$", EscribirXlsx},
                      Proveedor{"sqlite", "base.db", "t", EscribirDb},
                      Proveedor{"xls", "libro.xls", "Sheet1$", nullptr,
                                "xls/Test_num_double_date_bool_string.xls"},
                      Proveedor{"access", "base.mdb", "Table1", nullptr, "mdb/testV1997.mdb"}),
    [](const ::testing::TestParamInfo<Proveedor>& i) { return std::string(i.param.nombre); });

}  // namespace
