// Cualquier nombre de archivo que Linux admite llega entero al proveedor: garantias-cli vista e
// importar leen las filas del archivo nombrado, y la línea de comandos elige la misma tabla que
// la ventana (la del propio archivo en una carpeta).
#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "ado/dbase/ConstructorDbf.h"
#include "cli/ProgramaCli.h"
#include "comun/Pruebas.h"

namespace {

const QString kCadena = QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= demo;");

using Resultado = ResultadoCli;

// --- Un archivo de cada clase con una fila: eca1 "E", la serie dada, modelo "M". ---

QByteArray Csv(const QString& serie) {
    return "eca1,serie,modelo,otro,activacion\nE," + serie.toUtf8() + ",M,x,A\n";
}

QByteArray Dbf(const QString& serie) {
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {
        {"ECA1", 'C', 4}, {"SERIE", 'C', 12}, {"MODELO", 'C', 4}, {"OTRO", 'C', 2}, {"ACTIV", 'C', 2}};
    t.registros = {Registro(t.campos, {"E", serie.toLatin1(), "M", "x", "A"})};
    return t.bytes();
}

void Zip(const QString& ruta, const std::vector<std::pair<const char*, QByteArray>>& partes) {
    zipFile zip = zipOpen64(QFile::encodeName(ruta).constData(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr) << qPrintable(ruta);
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

void Xlsx(const QString& ruta, const QString& serie) {
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    QByteArray fila2;
    for (const QByteArray& v :
         {QByteArray("E"), serie.toUtf8(), QByteArray("M"), QByteArray("x"), QByteArray("A")})
        fila2 += "<c t=\"inlineStr\"><is><t>" + v + "</t></is></c>";
    QByteArray fila1;
    for (const char* v : {"eca1", "serie", "modelo", "otro", "activacion"})
        fila1 += "<c t=\"inlineStr\"><is><t>" + QByteArray(v) + "</t></is></c>";
    Zip(ruta,
        {{"xl/workbook.xml",
          "<?xml version=\"1.0\"?><workbook " + ns +
              " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
              "<sheet name=\"Hoja1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels",
          "<?xml version=\"1.0\"?><Relationships "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
          "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
          "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
         {"xl/worksheets/sheet1.xml", "<?xml version=\"1.0\"?><worksheet " + ns +
                                          "><sheetData><row r=\"1\">" + fila1 + "</row><row r=\"2\">" +
                                          fila2 + "</row></sheetData></worksheet>"}});
}

// Se escribe con un nombre corto y se renombra: el diario de SQLite ("-journal") no cabe al lado
// de un nombre de 255 bytes (la base se lee sin él).
void Db(const QString& ruta, const QString& serie, const QString& tabla = QStringLiteral("garantias")) {
    const QString corto = QFileInfo(ruta).path() + QStringLiteral("/escribiendo.tmp");
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(corto).constData(), &h), SQLITE_OK);
    const QString sql = QStringLiteral(
                            "CREATE TABLE \"%1\" (eca1, serie, modelo, otro, activacion);"
                            "INSERT INTO \"%1\" VALUES ('E','%2','M','x','A');")
                            .arg(QString(tabla).replace('"', "\"\""), serie);
    ASSERT_EQ(sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(h);
    ASSERT_TRUE(QFile::rename(corto, ruta));
}

class NombresDeArchivo : public ::testing::Test {
  protected:
    // Corrido desde la carpeta de la prueba: lo que el programa escribe queda en ella.
    Resultado cli(const QStringList& argumentos) { return ProgramaCli(dir_.path()).correr(argumentos); }
    Resultado importar(const QString& ruta, const QStringList& mas = {}) {
        return cli(QStringList{QStringLiteral("importar"), ruta} + mas +
                   QStringList{QStringLiteral("--conexion"), kCadena});
    }
    // Las series guardadas en la base embebida, en su orden.
    QStringList series() {
        QStringList s;
        sqlite3* h = nullptr;
        const QByteArray base = QFile::encodeName(dir_.filePath(QStringLiteral("datos/demo.db")));
        // Aun si no abre, SQLite dio una conexión que hay que cerrar.
        if (sqlite3_open_v2(base.constData(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(h);
            return s;
        }
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT serie FROM AUX_GARANTIA ORDER BY rowid", -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            s << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        sqlite3_close(h);
        return s;
    }
    QString ruta(const QString& relativa) {
        const QString r = dir_.filePath(relativa);
        QDir().mkpath(QFileInfo(r).path());
        return r;
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(NombresDeArchivo, CadaNombreEnCadaClaseLeeSuPropioArchivo) {
    const QString largo = QString(250, QLatin1Char('l'));  // con ".xlsx", 255 bytes: el largo máximo
    const QStringList nombres = {
        QStringLiteral("garantias.2024-01"),
        QStringLiteral("prov;x"),
        QStringLiteral("a#b"),
        QStringLiteral("[g]"),
        QStringLiteral("a]b"),
        QStringLiteral("com'illa \"doble\""),
        QStringLiteral(" blancos al borde "),
        QStringLiteral("acentuación ñandú"),
        largo,
    };
    struct Clase {
        const char* extension;
        const char* muestra;  // para xls y mdb: una copia de la muestra pública (no se escriben aquí)
    };
    const Clase clases[] = {{"csv", nullptr},
                            {"txt", nullptr},
                            {"dbf", nullptr},
                            {"xlsx", nullptr},
                            {"db", nullptr},
                            {"xls", "xls/Test_num_double_date_bool_string.xls"},
                            {"mdb", "mdb/testV1997.mdb"}};
    int n = 0;
    QStringList esperadas;
    for (const Clase& clase : clases) {
        QString vistaMuestra;
        if (clase.muestra) {
            if (Muestra(clase.muestra).isEmpty()) {
                std::printf("[ SALTADA  ] %s: no están las muestras de ../shared/fixtures\n",
                            clase.extension);
                continue;
            }
            vistaMuestra = cli({QStringLiteral("vista"), Muestra(clase.muestra)}).salida;
            ASSERT_FALSE(vistaMuestra.isEmpty()) << clase.muestra;
        }
        for (const QString& nombre : nombres) {
            const QString extension = QString::fromLatin1(clase.extension);
            // La carpeta también lleva el nombre: ";" en la carpeta cortaba el texto de conexión
            // (salvo el largo: SQLite no abre rutas de más de 512 bytes).
            const QString carpeta = nombre == largo ? QStringLiteral("largo") : nombre;
            const QString archivo = ruta(QStringLiteral("%1/%2/%3.%1").arg(extension, carpeta, nombre));
            SCOPED_TRACE(qPrintable(archivo));
            // Al lado, lo que se leería si el nombre se cortara en el primer punto o en el ";".
            const QString serie = QStringLiteral("S%1").arg(++n);
            if (extension == "csv" || extension == "txt") {
                EscribirArchivo(archivo, Csv(serie));
                EscribirArchivo(QFileInfo(archivo).path() + "/garantias." + extension,
                                Csv(QStringLiteral("OTRO")));
            } else if (extension == "dbf") {
                EscribirArchivo(archivo, Dbf(serie));
                EscribirArchivo(QFileInfo(archivo).path() + "/garantias.dbf", Dbf(QStringLiteral("OTRO")));
            } else if (extension == "xlsx") {
                Xlsx(archivo, serie);
            } else if (extension == "db") {
                Db(archivo, serie);
            } else {
                ASSERT_TRUE(QFile::copy(Muestra(clase.muestra), archivo));
            }
            if (clase.muestra) {
                EXPECT_EQ(cli({QStringLiteral("vista"), archivo}).salida, vistaMuestra);
                // La misma muestra con otro nombre: sus bytes ya se importaron.
                const Resultado r = importar(archivo, {QStringLiteral("--repetir")});
                EXPECT_EQ(r.codigo, 0) << qPrintable(r.errores);
                continue;
            }
            const Resultado vista = cli({QStringLiteral("vista"), archivo});
            ASSERT_EQ(vista.codigo, 0) << qPrintable(vista.errores);
            EXPECT_EQ(vista.lineas().value(1), QStringLiteral("1\tE\t%1\tM\tx\tA").arg(serie));
            const Resultado r = importar(archivo);
            ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
            EXPECT_TRUE(r.salida.contains("1 filas agregadas")) << qPrintable(r.salida);
            esperadas << serie;
            EXPECT_EQ(series(), esperadas);  // las clases de muestras van al final
        }
    }
}

// Dos csv en una carpeta y datos.dbf al lado de datos.2024.dbf: sin --tabla, el archivo nombrado.
TEST_F(NombresDeArchivo, DeUnaCarpetaSinTablaSeLeeElArchivoNombrado) {
    EscribirArchivo(ruta("c/aa_viejo.csv"), Csv("VIEJO"));
    EscribirArchivo(ruta("c/zz_nuevo.csv"), Csv("NUEVO"));
    EscribirArchivo(ruta("c/datos.dbf"), Dbf("D0"));
    EscribirArchivo(ruta("c/datos.2024.dbf"), Dbf("D2024"));
    const struct {
        const char* archivo;
        const char* serie;
    } casos[] = {{"c/zz_nuevo.csv", "NUEVO"}, {"c/datos.2024.dbf", "D2024"}, {"c/datos.dbf", "D0"}};
    QStringList esperadas;
    for (const auto& c : casos) {
        SCOPED_TRACE(c.archivo);
        const Resultado vista = cli({QStringLiteral("vista"), ruta(c.archivo)});
        EXPECT_EQ(vista.lineas().value(1), QStringLiteral("1\tE\t%1\tM\tx\tA").arg(c.serie))
            << qPrintable(vista.errores);
        const Resultado r = importar(ruta(c.archivo));
        EXPECT_EQ(r.codigo, 0) << qPrintable(r.errores);
        esperadas << c.serie;
        EXPECT_EQ(series(), esperadas);
    }
    // La lista de una carpeta de texto: cada archivo por su nombre de tabla y, al final, el nombre base.
    EXPECT_EQ(cli({QStringLiteral("tablas"), ruta("c/zz_nuevo.csv")}).lineas(),
              (QStringList{"aa_viejo#csv", "zz_nuevo#csv", "zz_nuevo"}));
    EXPECT_EQ(cli({QStringLiteral("tablas"), ruta("c/datos.2024.dbf")}).lineas(), QStringList{"datos.2024"});
}

// Un nombre de tabla va entre corchetes con "]" doblado: no cambia la sentencia y se lee entero.
TEST_F(NombresDeArchivo, UnNombreDeTablaNoCambiaLaSentencia) {
    const QString db = ruta("b/base.db");
    Db(db, QStringLiteral("RARA"), QStringLiteral("a]b"));  // y la tabla g, para la unión
    {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &h), SQLITE_OK);
        sqlite3_exec(h,
                     "CREATE TABLE g (eca1, serie, modelo, otro, activacion); INSERT INTO g VALUES "
                     "('E','G1','M','x','A');",
                     nullptr, nullptr, nullptr);
        sqlite3_close(h);
    }
    EXPECT_EQ(cli({QStringLiteral("tablas"), db}).lineas(), (QStringList{"a]b", "g"}));
    const Resultado vista =
        cli({QStringLiteral("vista"), db, QStringLiteral("--tabla"), QStringLiteral("a]b")});
    EXPECT_EQ(vista.lineas().value(1), "1\tE\tRARA\tM\tx\tA") << qPrintable(vista.errores);

    const QString union_ = QStringLiteral("g] UNION SELECT 'E','INYECTADA','M','x','A' --");
    const Resultado r = importar(db, {QStringLiteral("--tabla"), union_});
    EXPECT_NE(r.codigo, 0);
    EXPECT_TRUE(r.errores.contains(union_)) << qPrintable(r.errores);
    EXPECT_TRUE(series().isEmpty());
}

TEST_F(NombresDeArchivo, UnEnlaceRotoEsUnErrorQueLoNombra) {
    const QString enlace = ruta("e/roto.xlsx");
    ASSERT_TRUE(QFile::link(ruta("e/no_esta.xlsx"), enlace));
    for (const char* verbo : {"tablas", "vista", "importar"}) {
        const Resultado r = QString::fromLatin1(verbo) == "importar"
                                ? importar(enlace)
                                : cli({QString::fromLatin1(verbo), enlace});
        EXPECT_EQ(r.codigo, 1) << verbo;
        EXPECT_TRUE(r.errores.contains(QStringLiteral("\"%1\" es un enlace a").arg(enlace)))
            << qPrintable(r.errores);
    }
    EXPECT_TRUE(series().isEmpty());
}

// Un nombre que no es UTF-8 (una "ñ" de Windows-1252 copiada tal cual de otra máquina): el archivo
// se lee por sus bytes, en cada clase, y no "no se encuentra".
TEST_F(NombresDeArchivo, UnNombreQueNoEsUtf8SeAbrePorSusBytes) {
    const QString carpeta = ruta(QStringLiteral("crudos/.")).chopped(2);
    const ProgramaCli programa(dir_.path());
    int n = 0;
    QStringList esperadas;
    for (const char* extension : {"csv", "dbf", "xlsx", "db"}) {
        SCOPED_TRACE(extension);
        const QString serie = QStringLiteral("C%1").arg(++n);
        const QString legible = carpeta + QStringLiteral("/tmp.") + QLatin1String(extension);
        const QString ext = QString::fromLatin1(extension);
        if (ext == "csv") EscribirArchivo(legible, Csv(serie));
        if (ext == "dbf") EscribirArchivo(legible, Dbf(serie));
        if (ext == "xlsx") Xlsx(legible, serie);
        if (ext == "db") Db(legible, serie);
        const QByteArray crudo = QFile::encodeName(carpeta) + "/dat\xF1os." + extension;
        ASSERT_EQ(::rename(QFile::encodeName(legible).constData(), crudo.constData()), 0);
        // El nombre llega al programa por sus bytes, como desde una consola: printf en el shell.
        const auto correr = [&](const QString& verbo) {
            QProcess p;
            p.setProcessEnvironment(programa.entorno());
            p.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("exec \"$0\" %1 \"$(printf '%2/dat\\361os.%3')\" %4")
                         .arg(verbo, carpeta, ext,
                              verbo == QLatin1String("importar") ? QStringLiteral("--conexion \"$1\"")
                                                                 : QString()),
                     programa.ruta(), kCadena});
            EXPECT_TRUE(p.waitForFinished(60000));
            return std::make_pair(p.exitCode(),
                                  QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()));
        };
        const auto vista = correr(QStringLiteral("vista"));
        EXPECT_EQ(vista.first, 0) << qPrintable(vista.second);
        EXPECT_TRUE(vista.second.contains(QStringLiteral("1\tE\t%1\tM\tx\tA").arg(serie)))
            << qPrintable(vista.second);
        const auto importado = correr(QStringLiteral("importar"));
        EXPECT_EQ(importado.first, 0) << qPrintable(importado.second);
        esperadas << serie;
        EXPECT_EQ(series(), esperadas);
    }
}
