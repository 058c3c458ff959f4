// La base embebida vista desde afuera: garantias-cli contra una carpeta de datos nueva, lo que
// queda después de importaciones que fallan o se cortan, los permisos de lo que se crea y la
// base leída y escrita con el programa sqlite3, sin nada cargado.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <csignal>
#include <thread>

#include "ado/dbase/ConstructorDbf.h"
#include "ado/excel/LibrosDePrueba.h"
#include "ado/excel/XlsAMano.h"
#include "cli/ProgramaCli.h"

namespace {

const QString kCadena = QStringLiteral("@Server=; @dbname= demo; @usuario= demo; @Password= demo;");
const QByteArray kCabecera = "eca1,serie,modelo,otro,activacion\n";

struct Resultado {
    int codigo = -1;
    QString salida;
    QString errores;
};

// Si el proceso tiene abierto el archivo (sus descriptores, en /proc).
bool TieneAbierto(qint64 pid, const QString& ruta) {
    const QString buscado = QFileInfo(ruta).canonicalFilePath();
    const QDir fd(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& f : fd.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (f.symLinkTarget() == buscado) return true;
    return false;
}

int Modo(const QString& ruta) {
    struct stat st {};
    if (::lstat(QFile::encodeName(ruta).constData(), &st) != 0) return -1;
    return static_cast<int>(st.st_mode & 07777);
}

class AlmacenCli : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString datos() const { return dir_.filePath("datos"); }
    QString base() const { return datos() + "/demo.db"; }

    QProcess* preparar(const QStringList& argumentos, const QString& previo = {}) {
        auto* p = new QProcess;
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert("GARANTIAS_DATOS", datos());
        entorno.insert("GARANTIAS_CONEXION", kCadena);
        entorno.insert("HOME", dir_.filePath("casa"));
        entorno.insert("XDG_DATA_HOME", dir_.filePath("casa/.local/share"));
        entorno.insert("temp", "");
        entorno.insert("TEMP", "");
        p->setProcessEnvironment(entorno);
        // El programa enlazado en la carpeta de la prueba: lo que escribe junto a sí queda allí.
        const QString cli = ProgramaCli(dir_.path()).ruta();
        // Por un shell: la umask y los límites del proceso se fijan ahí, como en una instalación real.
        QString guion = "umask 022; " + previo + " exec \"$0\" \"$@\"";
        p->setProgram("/bin/sh");
        p->setArguments(QStringList{"-c", guion, cli} + argumentos);
        return p;
    }
    Resultado cli(const QStringList& argumentos, const QString& previo = {}) {
        std::unique_ptr<QProcess> p(preparar(argumentos, previo));
        p->start();
        Resultado r;
        if (!p->waitForStarted(10000) || !p->waitForFinished(120000)) {
            p->kill();
            p->waitForFinished(5000);
            ADD_FAILURE() << "garantias-cli no terminó";
            return r;
        }
        r.codigo = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -2;
        r.salida = QString::fromUtf8(p->readAllStandardOutput());
        r.errores = QString::fromUtf8(p->readAllStandardError());
        return r;
    }
    // Las filas que la base tiene en la transmisión, como las cuenta otra herramienta.
    QString guardadasEn(int transmision) {
        return sqlite3("SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision=" +
                       QString::number(transmision))
            .salida;
    }
    // El programa sqlite3 de la distribución, sin nada cargado.
    Resultado sqlite3(const QString& sql) {
        QProcess p;
        p.start("sqlite3", {"-batch", "-bail", base(), sql});
        Resultado r;
        if (!p.waitForStarted(10000)) {
            ADD_FAILURE() << "falta el programa sqlite3 (scripts/install-deps lo instala)";
            return r;
        }
        p.waitForFinished(60000);
        r.codigo = p.exitCode();
        r.salida = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        r.errores = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString archivo(const QString& nombre, const QByteArray& bytes) {
        const QString ruta = dir_.filePath("origen/" + nombre);
        EscribirArchivo(ruta, bytes);
        return ruta;
    }
    QString contar(const char* tabla) {
        return sqlite3(QStringLiteral("SELECT count(*) FROM %1").arg(tabla)).salida;
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(AlmacenCli, UnaInstalacionNuevaEsPrivadaYDiceLoQueCrea) {
    const Resultado r = cli({"transmisiones"});
    ASSERT_EQ(r.codigo, 0) << qPrintable(r.errores);
    // Con umask 022 igual: la carpeta de datos 0700, las bases 0600 (guardan las claves).
    EXPECT_EQ(Modo(datos()), 0700);
    EXPECT_EQ(Modo(base()), 0600);
    EXPECT_EQ(Modo(datos() + "/QZ_ESTADISTICAS.db"), 0600);
    EXPECT_TRUE(r.errores.contains("se creó la base \"demo\" en " + base())) << qPrintable(r.errores);
    EXPECT_TRUE(r.errores.contains("QZ_ESTADISTICAS.db")) << qPrintable(r.errores);
    // La segunda vez no hay nada que crear ni que avisar.
    const Resultado otra = cli({"transmisiones"});
    EXPECT_EQ(otra.codigo, 0);
    EXPECT_FALSE(otra.errores.contains("se creó")) << qPrintable(otra.errores);
    // Un nombre de base mal escrito no entra callado a una base vacía.
    const Resultado typo =
        cli({"transmisiones", "--conexion", "@Server=; @dbname= dmeo; @usuario= dmeo; @Password= x;"});
    EXPECT_TRUE(typo.errores.contains("se creó la base \"dmeo\"")) << qPrintable(typo.errores);
    // Una umask más estricta gana.
    QDir(datos()).removeRecursively();
    const Resultado estricta = cli({"transmisiones"}, "umask 077;");
    ASSERT_EQ(estricta.codigo, 0) << qPrintable(estricta.errores);
    EXPECT_EQ(Modo(datos()), 0700);
    EXPECT_EQ(Modo(base()), 0600);
}

// Archivos hostiles de cada clase, generados aquí: cada uno se rechaza en su primera fila (o
// antes), así que ni importar ni probar dejan nada, y los dos dan el mismo veredicto.
QString DbfQueMiente(const QString& ruta) {
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {
        {"ECA1", 'C', 4}, {"SERIE", 'C', 10}, {"MODELO", 'C', 10}, {"OTRO", 'C', 1}, {"ACTIV", 'C', 8}};
    for (int i = 0; i < 10; ++i)
        t.registros.push_back(
            Registro(t.campos, {"E", "S" + QByteArray::number(i), "Modelo", "x", "01/01/26"}));
    QByteArray b = t.bytes();
    qToLittleEndian<quint16>(qFromLittleEndian<quint16>(b.constData() + 8) + 7, b.data() + 8);
    EscribirArchivo(ruta, b);
    return ruta;
}
QString XlsxConCeldaLarga(const QString& ruta) {
    LibroAMano libro;
    libro.hojas = {
        {QStringLiteral("Hoja1"),
         R"(<row r="1"><c t="str"><v>eca1</v></c><c t="str"><v>serie</v></c><c t="str"><v>modelo</v></c>)"
         R"(<c t="str"><v>otro</v></c><c t="str"><v>activacion</v></c></row><row r="2"><c t="str"><v>E</v></c>)"
         R"(<c t="str"><v>S1</v></c><c t="inlineStr"><is><t>)" +
             QByteArray(2 << 20, 'm') + R"(</t></is></c><c/><c t="str"><v>A</v></c></row>)"}};
    libro.escribir(ruta);
    return ruta;
}
QString DbConSerieReal(const QString& ruta) {
    ::sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(ruta).constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE garantias (eca1 TEXT, serie REAL, modelo TEXT, otro TEXT, activacion TEXT);"
                 "INSERT INTO garantias VALUES ('E', 8954031234567890123.0, 'M', 'x', 'A'),"
                 "('E', 8954031234567890124.0, 'M', 'x', 'A');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ruta;
}

// Un .xls hecho a mano: la cabecera y las filas dadas (la serie de cada una, como número o como
// texto), todas las demás celdas de texto.
QString XlsConSeries(const QString& ruta, const std::vector<QVariant>& series) {
    XlsAMano libro;
    libro.global = RegistroBiff(0x00E0, U16(0) + U16(0) + QByteArray(16, '\0'));
    QByteArray registros;
    const auto texto = [&](quint16 fila, quint16 columna, const QString& valor) {
        registros += RegistroBiff(0x0204, Celda(fila, columna) + TextoBiff8(valor));
    };
    const QStringList titulos = {"eca1", "serie", "modelo", "otro", "activacion"};
    for (int c = 0; c < titulos.size(); ++c) texto(0, quint16(c), titulos[c]);
    for (std::size_t i = 0; i < series.size(); ++i) {
        const auto fila = quint16(i + 1);
        texto(fila, 0, "E");
        if (series[i].typeId() == QMetaType::Double)
            registros += RegistroBiff(0x0203, Celda(fila, 1) + Doble(series[i].toDouble()));
        else
            texto(fila, 1, series[i].toString());
        texto(fila, 2, "Modelo");
        texto(fila, 3, "x");
        texto(fila, 4, "01/01/2026");
    }
    XlsAMano::Hoja hoja;
    hoja.nombre = QStringLiteral("Hoja1");
    hoja.registros = registros;
    libro.hojas.push_back(hoja);
    EscribirArchivo(ruta, DocumentoOle(libro.flujo()));
    return ruta;
}
// El libro de 300 filas cortado a la mitad: el documento dice más sectores de los que hay.
QString XlsCortado(const QString& ruta) {
    std::vector<QVariant> series;
    for (int i = 0; i < 300; ++i) series.emplace_back(QStringLiteral("S%1").arg(i));
    XlsConSeries(ruta, series);
    QFile f(ruta);
    f.resize(f.size() / 2);
    return ruta;
}
// Una copia de la muestra pública de Access cortada en el largo dado (de la mitad, si es 0); vacía
// si la muestra no está.
QString MdbCortado(const QString& ruta, qint64 largo) {
    const QString muestra = Muestra(QStringLiteral("mdb/testV1997.mdb"));
    if (muestra.isEmpty() || !QFile::copy(muestra, ruta)) return {};
    QFile f(ruta);
    f.setPermissions(f.permissions() | QFileDevice::WriteOwner);
    f.resize(largo > 0 ? largo : f.size() / 2);
    return ruta;
}

TEST_F(AlmacenCli, ImportacionesQueFallanNoDejanTransmision) {
    QByteArray grande = kCabecera;
    for (int i = 0; i < 20000; ++i)
        grande += "E,SERIE-" + QByteArray::number(i) + ",Modelo de heladera,x,01/01/2026\n";
    struct Caso {
        const char* nombre;
        QString archivo;
        QStringList opciones;
        QString previo;  // en el shell, antes del programa
        int codigo;
        const char* mensaje;
        bool tambienProbar = false;  // --prueba da el mismo código y el mismo mensaje
    };
    QDir().mkpath(dir_.filePath("origen"));
    const Caso casos[] = {
        {"archivo vacío", archivo("vacio.csv", ""), {}, {}, 1, "no terminó"},
        {"sólo la cabecera", archivo("cabecera.csv", kCabecera), {}, {}, 3, "no tiene filas con serie"},
        {"filas de tres campos", archivo("cortas.csv", "a,serie,c\n1,S1,3\n"), {}, {}, 1, "campo 5", true},
        {"un dbf cuya cabecera dice 7 bytes de más",
         DbfQueMiente(dir_.filePath("origen/miente.dbf")),
         {},
         {},
         1,
         "el largo de la cabecera dice",
         true},
        // Con la tabla nombrada, el archivo que no abre no se vuelve a leer: el motivo sale una vez.
        {"el mismo dbf con --tabla",
         DbfQueMiente(dir_.filePath("origen/miente.dbf")),
         {"--tabla", "miente"},
         {},
         1,
         "el largo de la cabecera dice",
         true},
        {"un xlsx con una celda de 2 MiB",
         XlsxConCeldaLarga(dir_.filePath("origen/larga.xlsx")),
         {},
         {},
         1,
         "la celda C2 (fila 2, columna C) pasa de 1 MiB",
         true},
        {"un .db con la serie de 19 cifras en un REAL",
         DbConSerieReal(dir_.filePath("origen/real.db")),
         {},
         {},
         1,
         "La fila 1 trae la serie 8,95403123456789E+18 como número de coma flotante",
         true},
        {"un xls con la serie de 19 cifras en un número",
         XlsConSeries(dir_.filePath("origen/numero.xls"), {8954031234567890123.0, 8954031234567890124.0}),
         {},
         {},
         1,
         "La fila 1 trae la serie 8,95403123456789E+18 como número de coma flotante",
         true},
        {"un xls cortado a la mitad",
         XlsCortado(dir_.filePath("origen/cortado.xls")),
         {},
         {},
         1,
         "está dañado: la estructura del documento de Office no es válida",
         true},
        {"un mdb cortado en una página entera",
         MdbCortado(dir_.filePath("origen/pagina.mdb"), 0),
         {},
         {},
         1,
         "está dañada",
         true},
        {"un mdb cortado en medio de una página",
         MdbCortado(dir_.filePath("origen/medio.mdb"), 59392 + 100),
         {},
         {},
         1,
         "está truncado",
         true},
        {"un dbf que no es dbf", archivo("falso.dbf", "esto no es un dbf\n"), {}, {}, 1, "no terminó"},
        {"un xlsx que no es xlsx", archivo("falso.xlsx", "PK esto tampoco\n"), {}, {}, 1, "no terminó"},
        {"una tabla que no está",
         archivo("bien.csv", kCabecera + "E,S1,M,x,A\n"),
         {"--tabla", "noexiste"},
         {},
         1,
         "no terminó"},
        // El disco se llena (un límite de tamaño de archivo: vale también para root).
        {"disco lleno", archivo("grande.csv", grande), {}, "trap '' XFSZ; ulimit -f 128;", 1, "disco lleno"},
    };
    ASSERT_EQ(cli({"transmisiones"}).codigo, 0);  // la base existe y está vacía
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        if (c.archivo.isEmpty()) continue;  // una muestra pública que falta (ya se dijo)
        const Resultado r = cli(QStringList{"importar", c.archivo} + c.opciones, c.previo);
        EXPECT_EQ(r.codigo, c.codigo) << qPrintable(r.errores);
        EXPECT_TRUE(r.errores.contains(QString::fromUtf8(c.mensaje))) << qPrintable(r.errores);
        // Toda salida con falla dice lo que quedó, y el motivo una sola vez.
        if (c.codigo == 1) {
            EXPECT_TRUE(r.errores.contains(QStringLiteral("No quedó nada guardado.")))
                << qPrintable(r.errores);
            EXPECT_EQ(r.errores.count(QString::fromUtf8(c.mensaje)), 1) << qPrintable(r.errores);
        }
        EXPECT_FALSE(r.salida.contains(QRegularExpression("Transmisión \\d"))) << qPrintable(r.salida);
        EXPECT_EQ(contar("MV_TRANSMISIONES"), "0");
        EXPECT_EQ(contar("AUX_GARANTIA"), "0");
        if (!c.tambienProbar) continue;
        const Resultado p = cli(QStringList{"importar", c.archivo, "--prueba"} + c.opciones, c.previo);
        EXPECT_EQ(p.codigo, c.codigo) << "--prueba: " << qPrintable(p.errores);
        EXPECT_TRUE(p.errores.contains(QString::fromUtf8(c.mensaje)))
            << "--prueba: " << qPrintable(p.errores);
    }
    EXPECT_EQ(sqlite3("PRAGMA integrity_check").salida, "ok");
    // La primera importación que guarda filas toma el número 1: ninguno se gastó.
    const Resultado bien = cli({"importar", archivo("uno.csv", kCabecera + "E,S1,M,x,A\n")});
    EXPECT_EQ(bien.codigo, 0) << qPrintable(bien.errores);
    EXPECT_TRUE(bien.salida.contains("Transmisión 1: 1 filas agregadas")) << qPrintable(bien.salida);
    // Importarlo de nuevo (pedido: los mismos bytes) no agrega nada, no deja transmisión y termina bien.
    const Resultado otra = cli({"importar", archivo("uno.csv", kCabecera + "E,S1,M,x,A\n"), "--repetir"});
    EXPECT_EQ(otra.codigo, 0) << qPrintable(otra.errores);
    EXPECT_TRUE(otra.salida.contains("Ninguna transmisión: 0 filas agregadas, 1 series ya guardadas"))
        << qPrintable(otra.salida);
    EXPECT_EQ(sqlite3("SELECT group_concat(Transmision) FROM MV_TRANSMISIONES").salida, "1");
}

// Los mismos bytes otra vez entran sólo si se pide --repetir: sin ella (y en una prueba) el
// programa dice cuándo se importaron y no toma número; --repetir no lleva valor ("--repetir=no"
// es un error de uso, no un sí).
TEST_F(AlmacenCli, LosMismosBytesOtraVezEntranSoloConRepetir) {
    const QString csv = archivo("dos.csv", kCabecera + "E,S1,M,x,A\nE,S2,M,x,A\n");
    const Resultado primera = cli({"importar", csv});
    ASSERT_EQ(primera.codigo, 0) << qPrintable(primera.errores);
    const QString yaImportado = "Este archivo ya se importó el ";
    const struct {
        const char* nombre;
        QStringList opciones;
        int codigo;
        QString enErrores;
        QString enSalida;
    } casos[] = {
        {"sin --repetir",
         {},
         1,
         "como transmisión 1 (2 filas agregadas). ¿Importarlo otra vez? No se importó: "
         "--repetir lo importa igual.",
         {}},
        {"--repetir=no", {"--repetir=no"}, 2, "la opción --repetir no lleva valor", {}},
        {"--repetir=si", {"--repetir=si"}, 2, "la opción --repetir no lleva valor", {}},
        {"--prueba sin --repetir",
         {"--prueba"},
         0,
         {},
         "0 filas que se agregarían, 2 series ya guardadas, 0 filas sin serie. Este archivo ya se importó "
         "el "},
        {"--repetir", {"--repetir"}, 0, {}, "Ninguna transmisión: 0 filas agregadas, 2 series ya guardadas"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const Resultado r = cli(QStringList{"importar", csv} + c.opciones);
        EXPECT_EQ(r.codigo, c.codigo) << qPrintable(r.errores);
        EXPECT_TRUE(r.errores.contains(c.enErrores)) << qPrintable(r.errores);
        EXPECT_TRUE(r.salida.contains(c.enSalida)) << qPrintable(r.salida);
        if (c.codigo == 1) EXPECT_TRUE(r.errores.contains(yaImportado)) << qPrintable(r.errores);
        EXPECT_EQ(sqlite3("SELECT group_concat(Transmision) FROM MV_TRANSMISIONES").salida, "1");
        EXPECT_EQ(contar("AUX_GARANTIA"), "2");
    }
}

// El archivo de filas no importadas queda escrito o la corrida falla diciéndolo, con la ruta; si
// son pocas, las filas salen por la salida de errores. Un enlace o un archivo ajeno en su lugar se
// rechaza antes de importar.
TEST_F(AlmacenCli, ElArchivoDeRechazosSeEscribeOLaCorridaFalla) {
    const auto filas = [](int n, int largo) {
        QByteArray b = kCabecera;
        for (int i = 0; i < n; ++i)
            b += "E,S" + QByteArray::number(i).rightJustified(6, '0') + "," + QByteArray(largo, 'M') +
                 ",x,A\n";
        return b;
    };
    const QString pocas = archivo("pocas.csv", filas(40, 1000));  // 40 KiB de rechazos
    const QString muchas = archivo("muchas.csv", filas(3000, 20));
    ASSERT_EQ(cli({"importar", pocas}).codigo, 0);
    ASSERT_EQ(cli({"importar", muchas}).codigo, 0);  // la segunda vez, todas son rechazos
    const QString otro = dir_.filePath("otro.txt");
    EscribirArchivo(otro, "ajeno\n");
    const QString enlace = dir_.filePath("enlace.csv");
    ASSERT_EQ(::symlink(QFile::encodeName(otro).constData(), QFile::encodeName(enlace).constData()), 0);
    struct Caso {
        const char* nombre;
        QString archivo;
        QString rechazos;
        QString previo;
        const char* causa;
        const char* enErrores;  // lo que además dice la salida de errores
    };
    // 32 KiB por archivo (ulimit -f cuenta bloques de 512 bytes): la base se lee y no crece.
    const QString lleno = "trap '' XFSZ; ulimit -f 64;";
    const Caso casos[] = {
        {"disco lleno, 40 filas", pocas, dir_.filePath("r1.csv"), lleno, "disco lleno",
         "las 40 filas no importadas, aquí:"},
        {"disco lleno, 3000 filas", muchas, dir_.filePath("r2.csv"), lleno, "disco lleno",
         "las 3.000 filas no importadas no se listan aquí"},
        {"un enlace en el lugar del archivo", pocas, enlace, {}, "es un enlace simbólico", ""},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        const QString transmisiones = contar("MV_TRANSMISIONES");
        // Los mismos archivos otra vez, a propósito: todas sus filas vuelven como ya guardadas.
        const Resultado r = cli({"importar", c.archivo, "--repetir", "--rechazos", c.rechazos}, c.previo);
        EXPECT_EQ(r.codigo, 1) << qPrintable(r.errores.left(2000));
        EXPECT_TRUE(r.errores.contains("No se puede escribir el archivo de filas no importadas \"" +
                                       c.rechazos + "\": " + c.causa))
            << qPrintable(r.errores.left(2000));
        EXPECT_TRUE(r.errores.contains(c.enErrores)) << qPrintable(r.errores.left(2000));
        EXPECT_FALSE(r.salida.contains("filas no importadas en")) << qPrintable(r.salida);
        EXPECT_EQ(contar("MV_TRANSMISIONES"), transmisiones);
        EXPECT_FALSE(QFileInfo(c.rechazos).isFile() && QFileInfo(c.rechazos).size() == 0);
    }
    // Las 40 filas, enteras, con su motivo, por la salida de errores.
    const Resultado r = cli({"importar", pocas, "--repetir", "--rechazos", dir_.filePath("r3.csv")}, lleno);
    EXPECT_TRUE(r.errores.contains(",S000039," + QString(1000, 'M') + ",x,A;serie ya guardada;;40") ||
                r.errores.contains("S000039;" + QString(1000, 'M') + ";x;A;serie ya guardada;;40"))
        << qPrintable(r.errores.right(300));
    EXPECT_EQ(LeerArchivo(otro), "ajeno\n");
    // Ni un temporal a medias en la carpeta.
    EXPECT_EQ(QDir(dir_.path()).entryList({".*.tmp"}, QDir::Files | QDir::Hidden), QStringList{});
}

TEST_F(AlmacenCli, UnaCarpetaDeDatosDeSoloLecturaSeDiceAsi) {
    ASSERT_EQ(cli({"importar", archivo("a.csv", kCabecera + "E,S1,M,x,A\n")}).codigo, 0);
    // La carpeta de datos montada de sólo lectura en un espacio de montajes propio del programa
    // (hace falta poder montar: root, o un contenedor que lo deje).
    const QString montar =
        QStringLiteral("mount --bind '%1' '%1' && mount -o remount,ro,bind '%1'").arg(datos());
    if (QProcess::execute("unshare", {"-m", "/bin/sh", "-c", montar}) != 0)
        GTEST_SKIP() << "no se puede montar aquí una carpeta de sólo lectura";
    const QString previo =
        QStringLiteral("exec unshare -m /bin/sh -c \"%1 && exec \\\"\\$0\\\" \\\"\\$@\\\"\" \"$0\" \"$@\";")
            .arg(montar);
    for (const QStringList& verbo :
         {QStringList{"transmisiones"}, QStringList{"importar", dir_.filePath("origen/a.csv")}}) {
        SCOPED_TRACE(qPrintable(verbo.first()));
        const Resultado r = cli(verbo, previo);
        EXPECT_EQ(r.codigo, 1) << qPrintable(r.errores);
        EXPECT_TRUE(
            r.errores.contains("sin permiso de escritura: el sistema de archivos es de sólo lectura") &&
            r.errores.contains(base()))
            << qPrintable(r.errores);
    }
}

TEST_F(AlmacenCli, ConsultasQueNoEncuentranONoTerminanNoDanCero) {
    ASSERT_EQ(cli({"importar", archivo("uno.csv", kCabecera + "E,S1,M,x,A\n")}).codigo, 0);
    const Resultado existe = cli({"filas", "1"});
    EXPECT_EQ(existe.codigo, 0);
    EXPECT_TRUE(existe.salida.contains("S1"));
    const Resultado falta = cli({"filas", "99"});
    EXPECT_EQ(falta.codigo, 3);
    EXPECT_TRUE(falta.errores.contains("no existe la transmisión 99")) << qPrintable(falta.errores);
    // Sin la base de estadísticas (un archivo vacío, que no se toca) el programa sigue y lo dice una vez.
    QFile::remove(datos() + "/QZ_ESTADISTICAS.db");
    EscribirArchivo(datos() + "/QZ_ESTADISTICAS.db", {});
    const Resultado sinEstadisticas = cli({"transmisiones"});
    EXPECT_EQ(sinEstadisticas.codigo, 0) << qPrintable(sinEstadisticas.errores);
    EXPECT_EQ(sinEstadisticas.errores.count("sin la base de estadísticas"), 1)
        << qPrintable(sinEstadisticas.errores);
    EXPECT_TRUE(sinEstadisticas.errores.contains("la base está dañada"))
        << qPrintable(sinEstadisticas.errores);
    EXPECT_FALSE(sinEstadisticas.errores.contains("3709")) << qPrintable(sinEstadisticas.errores);
    EXPECT_EQ(QFileInfo(datos() + "/QZ_ESTADISTICAS.db").size(), 0);
    // Una lectura que falla a mitad de camino no termina en 0 aunque haya mostrado filas.
    QByteArray csv = kCabecera;
    for (int i = 0; i < 20000; ++i)
        csv += "E,M" + QByteArray::number(i) + ",Modelo largo de heladera,x,01/01/2026\n";
    ASSERT_EQ(cli({"importar", archivo("muchas.csv", csv)}).codigo, 0);
    {
        QFile f(base());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 paginas = f.size() / 4096;
        ASSERT_GT(paginas, 100);
        f.seek(paginas / 2 * 4096);  // una página del medio, dañada
        f.write(QByteArray(4096, '\xff'));
    }
    const Resultado rota = cli({"filas", "2"});
    EXPECT_EQ(rota.codigo, 1);
    EXPECT_LT(rota.salida.count('\n'), 20000);
    EXPECT_TRUE(rota.errores.contains("no se leyeron enteras")) << qPrintable(rota.errores);
    EXPECT_TRUE(rota.errores.contains("la base está dañada")) << qPrintable(rota.errores);
    // Una base que no es una base no se toca, y el error lo dice.
    const QString otra = datos() + "/vacia.db";
    EscribirArchivo(otra, {});
    const Resultado vacia =
        cli({"transmisiones", "--conexion", "@Server=; @dbname= vacia; @usuario= vacia; @Password= x;"});
    EXPECT_EQ(vacia.codigo, 1);
    EXPECT_TRUE(vacia.errores.contains("la base está dañada")) << qPrintable(vacia.errores);
    EXPECT_TRUE(vacia.errores.contains(otra)) << qPrintable(vacia.errores);
    EXPECT_EQ(QFileInfo(otra).size(), 0);
}

TEST_F(AlmacenCli, LaBaseSeLeeYSeEscribeConElProgramaSqlite3) {
    ASSERT_EQ(cli({"importar", archivo("uno.csv", kCabecera + "E1,ÑANDÚ-1,M1,x,A1\nE2,S2,M2,x,A2\n")}).codigo,
              0);
    // Sin colaciones propias: se consulta, se ordena y se busca por serie.
    EXPECT_EQ(sqlite3("SELECT modelo FROM AUX_GARANTIA WHERE serie='S2'").salida, "M2");
    EXPECT_EQ(sqlite3("SELECT serie FROM AUX_GARANTIA ORDER BY serie").salida, "S2\nÑANDÚ-1");
    EXPECT_EQ(
        sqlite3("SELECT Transmision, Responsable_envio FROM MV_TRANSMISIONES ORDER BY Fecha DESC, Hora DESC")
            .salida,
        "1|demo");
    EXPECT_EQ(sqlite3("PRAGMA integrity_check").salida, "ok");
    // Una serie que ya está, en otra escritura, se rechaza con un error claro.
    for (const char* repetida : {"s2", "S2  ", "ñandú-1", "Ñandú-1 "}) {
        const Resultado r = sqlite3(
            QStringLiteral("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision) VALUES ('x','%1',9)")
                .arg(repetida));
        EXPECT_NE(r.codigo, 0) << repetida;
        EXPECT_TRUE(r.errores.contains("UNIQUE constraint failed"))
            << repetida << ": " << qPrintable(r.errores);
    }
    // Una nueva entra, y el programa la ve y la respeta.
    const Resultado nueva =
        sqlite3("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision) VALUES ('x','S3',1)");
    EXPECT_EQ(nueva.codigo, 0) << qPrintable(nueva.errores);
    EXPECT_TRUE(cli({"filas", "1"}).salida.contains("S3"));
    const Resultado otra = cli({"importar", archivo("dos.csv", kCabecera + "E,s3,M,x,A\n")});
    EXPECT_TRUE(otra.salida.contains("1 series ya guardadas")) << qPrintable(otra.salida);
    EXPECT_EQ(contar("AUX_GARANTIA"), "3");
}

namespace {
// Lo que una corrida dijo que quedó al terminar por una señal, comparado con la base.
struct LoQueDijo {
    bool dicho = false;
    qint64 filas = 0;
    int transmision = 0;
};
// La frase es para personas: la cuenta lleva separador de miles, y una sola fila va en singular.
LoQueDijo LeerLoGuardado(const QString& errores) {
    LoQueDijo r;
    const QRegularExpressionMatch m =
        QRegularExpression("Qued(?:aron|ó) guardadas? ([\\d.]+) filas? en la transmisión (\\d+)\\.")
            .match(errores);
    if (m.hasMatch()) return {true, m.captured(1).remove('.').toLongLong(), m.captured(2).toInt()};
    r.dicho = errores.contains(QStringLiteral("No quedó nada guardado."));
    return r;
}
}  // namespace

TEST_F(AlmacenCli, UnaSenalConfirmaLoEscritoYDiceQueQuedo) {
    // Cada señal con un archivo de series propias y largo: en una máquina libre la importación
    // no debe terminar entre que aparece la transmisión y llega la señal.
    constexpr int kFilas = 1500000;
    ASSERT_EQ(cli({"transmisiones"}).codigo, 0);
    const std::pair<int, int> senales[] = {{SIGTERM, 143}, {SIGINT, 130}};
    for (const auto& [senal, codigo] : senales) {
        SCOPED_TRACE(senal);
        QByteArray csv = kCabecera;
        csv.reserve(kFilas * 40);
        const QByteArray prefijo = "E,S" + QByteArray::number(senal) + "-";
        for (int i = 0; i < kFilas; ++i) csv += prefijo + QByteArray::number(i) + ",Modelo,x,01/01/2026\n";
        const QString ruta = archivo(QStringLiteral("grande%1.csv").arg(senal), csv);
        std::unique_ptr<QProcess> p(preparar({"importar", ruta}));
        p->start();
        ASSERT_TRUE(p->waitForStarted(10000));
        // Espera a que el primer grupo esté confirmado: la transmisión ya existe.
        const QString antes = contar("MV_TRANSMISIONES");
        bool empezo = false;
        for (int i = 0; i < 600 && !empezo; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            empezo = contar("MV_TRANSMISIONES") != antes;
        }
        ASSERT_TRUE(empezo) << "la importación no empezó a guardar";
        ASSERT_EQ(p->state(), QProcess::Running) << "terminó antes de la señal: use un archivo más grande";
        ::kill(static_cast<pid_t>(p->processId()), senal);
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), codigo);
        const QString errores = QString::fromUtf8(p->readAllStandardError());
        const LoQueDijo dijo = LeerLoGuardado(errores);
        ASSERT_TRUE(dijo.dicho && dijo.transmision > 0) << qPrintable(errores);
        EXPECT_EQ(guardadasEn(dijo.transmision), QString::number(dijo.filas));
        EXPECT_GT(dijo.filas, 0);
        EXPECT_LT(dijo.filas, kFilas);
        // Lo que no quedó se importa la próxima vez: la siguiente corrida lo agrega entero.
        EXPECT_EQ(sqlite3("SELECT count(*) FROM MV_TRANSMISIONES WHERE Transmision NOT IN (SELECT "
                          "nroTransmision FROM AUX_GARANTIA)")
                      .salida,
                  "0");
    }
}

// SIGTERM seguidos: el segundo termina en el acto (lo que estaba a medio escribir lo deshace la
// base), y lo que dice es lo que ya quedó confirmado, no "No quedó nada guardado".
TEST_F(AlmacenCli, UnaSegundaSenalDiceLoQueYaQuedo) {
    constexpr int kFilas = 1500000;
    ASSERT_EQ(cli({"transmisiones"}).codigo, 0);
    QByteArray csv = kCabecera;
    csv.reserve(kFilas * 40);
    for (int i = 0; i < kFilas; ++i) csv += "E,D-" + QByteArray::number(i) + ",Modelo,x,01/01/2026\n";
    const QString ruta = archivo(QStringLiteral("dos.csv"), csv);
    std::unique_ptr<QProcess> p(preparar({"importar", ruta}));
    p->start();
    ASSERT_TRUE(p->waitForStarted(10000));
    // Después de un grupo confirmado: la transmisión ya tiene filas.
    bool empezo = false;
    for (int i = 0; i < 600 && !empezo; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        empezo = sqlite3("SELECT count(*) FROM AUX_GARANTIA").salida.toLongLong() > 0;
    }
    ASSERT_TRUE(empezo) << "la importación no empezó a guardar";
    ASSERT_EQ(p->state(), QProcess::Running) << "terminó antes de la señal: use un archivo más grande";
    // Una tras otra hasta que termine: dos señales iguales pendientes a la vez son una sola, y la
    // que termina en el acto es la que llega antes de que la primera se atienda.
    const auto pid = static_cast<pid_t>(p->processId());
    for (int i = 0; i < 100000 && ::kill(pid, SIGTERM) == 0 && !p->waitForFinished(0); ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    if (p->state() != QProcess::NotRunning) ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 143);
    const QString errores = QString::fromUtf8(p->readAllStandardError());
    EXPECT_FALSE(errores.contains(QStringLiteral("No quedó nada guardado"))) << qPrintable(errores);
    const LoQueDijo dijo = LeerLoGuardado(errores);
    ASSERT_TRUE(dijo.dicho && dijo.transmision > 0) << qPrintable(errores);
    EXPECT_EQ(guardadasEn(dijo.transmision), QString::number(dijo.filas));
}

namespace {

// Las filas guardadas después de la transmisión dada, leídas sin esperar a nadie.
qint64 FilasDespuesDe(::sqlite3* db, qint64 transmision) {
    sqlite3_stmt* st = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision > ?", -1, &st,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, transmision);
        if (sqlite3_step(st) == SQLITE_ROW) n = sqlite3_column_int64(st, 0);
    }
    sqlite3_finalize(st);
    return n;
}

}  // namespace

// Una señal que llega después de confirmar el último grupo (mientras se escribe el archivo de
// filas no importadas, lo último de la corrida) termina con 130/143 y dice lo que está en la base;
// antes de eso, lo mismo con lo confirmado; después, la corrida ya terminó con 0. Nunca 1, nunca
// sin decir lo que quedó. Se repite hasta que la señal cae después del último grupo.
TEST_F(AlmacenCli, UnaSenalEnElUltimoMomentoDiceLoQueQuedo) {
    constexpr int kFilas = 20000;
    constexpr int kIntentos = 40;
    ASSERT_EQ(cli({"transmisiones"}).codigo, 0);
    // Las series ya guardadas llenan el archivo de rechazos: lo último de la corrida dura algo.
    QByteArray guardadas = kCabecera;
    for (int i = 0; i < kFilas; ++i) guardadas += "E,VIEJA-" + QByteArray::number(i) + ",M,x,A\n";
    ASSERT_EQ(cli({"importar", archivo("viejas.csv", guardadas)}).codigo, 0);
    ::sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(base()).constData(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    int despuesDelUltimo = 0;
    for (int intento = 0; intento < kIntentos && despuesDelUltimo == 0; ++intento) {
        SCOPED_TRACE(intento);
        QByteArray csv = guardadas;
        for (int i = 0; i < kFilas; ++i)
            csv += "E,N" + QByteArray::number(intento) + "-" + QByteArray::number(i) + ",M,x,A\n";
        const QString ruta = archivo(QStringLiteral("n%1.csv").arg(intento), csv);
        const int senal = intento % 2 ? SIGINT : SIGTERM;
        std::unique_ptr<QProcess> p(preparar(
            {"importar", ruta, "--rechazos", dir_.filePath(QStringLiteral("r%1.csv").arg(intento))}));
        const qint64 previa = sqlite3("SELECT max(Transmision) FROM MV_TRANSMISIONES").salida.toLongLong();
        p->start();
        ASSERT_TRUE(p->waitForStarted(10000));
        // La señal en cuanto la base tiene todas las filas nuevas.
        bool todas = false;
        for (int i = 0; i < 60000 && !todas && p->state() == QProcess::Running; ++i) {
            todas = FilasDespuesDe(db, previa) == kFilas;
            if (!todas) std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        if (todas) ::kill(static_cast<pid_t>(p->processId()), senal);
        ASSERT_TRUE(p->waitForFinished(60000));
        ASSERT_EQ(p->exitStatus(), QProcess::NormalExit);
        const QString errores = QString::fromUtf8(p->readAllStandardError());
        const QString salida = QString::fromUtf8(p->readAllStandardOutput());
        const int codigo = p->exitCode();
        ASSERT_NE(codigo, 1) << qPrintable(errores);
        if (codigo == 0) {  // la señal llegó tarde: la corrida ya había terminado
            EXPECT_TRUE(salida.contains(QStringLiteral("%1 filas agregadas").arg(kFilas)))
                << qPrintable(salida);
            continue;
        }
        EXPECT_EQ(codigo, 128 + senal) << qPrintable(errores);
        const LoQueDijo dijo = LeerLoGuardado(errores);
        ASSERT_TRUE(dijo.dicho) << qPrintable(errores);
        EXPECT_EQ(guardadasEn(dijo.transmision), QString::number(dijo.filas));
        if (dijo.filas == kFilas) ++despuesDelUltimo;
    }
    sqlite3_close(db);
    EXPECT_GT(despuesDelUltimo, 0) << "la señal nunca cayó después del último grupo";
}

// Otro programa tiene la base tomada para escribir (BEGIN IMMEDIATE en el programa sqlite3): la
// espera se corta con SIGTERM en menos de un segundo, con 143 y lo que quedó en la base, tanto si
// espera antes de empezar como en medio, con grupos ya confirmados.
TEST_F(AlmacenCli, UnaSenalCortaLaEsperaDeUnBloqueoAjeno) {
    ASSERT_EQ(cli({"transmisiones"}).codigo, 0);
    QByteArray grande = kCabecera;
    for (int i = 0; i < 1500000; ++i) grande += "E,B-" + QByteArray::number(i) + ",M,x,A\n";
    struct Caso {
        const char* nombre;
        QString archivo;
        bool enMedio;  // el bloqueo se toma después del primer grupo confirmado
    };
    const Caso casos[] = {
        {"antes de empezar", archivo("chico.csv", kCabecera + "E,C1,M,x,A\n"), false},
        {"en medio", archivo("grande.csv", grande), true},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        std::unique_ptr<QProcess> p(preparar({"importar", c.archivo}));
        QProcess otro;
        const auto tomarBase = [&] {
            otro.start("sqlite3", {"-batch", "-cmd", ".timeout 60000", base()});
            ASSERT_TRUE(otro.waitForStarted(10000)) << "falta el programa sqlite3";
            otro.write("BEGIN IMMEDIATE;\nSELECT 'tomada';\n");
            for (int i = 0; i < 600 && !otro.readAllStandardOutput().contains("tomada"); ++i)
                otro.waitForReadyRead(100);
        };
        if (!c.enMedio) tomarBase();
        p->start();
        ASSERT_TRUE(p->waitForStarted(10000));
        if (c.enMedio) {
            bool empezo = false;
            for (int i = 0; i < 600 && !empezo; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                empezo = contar("MV_TRANSMISIONES") != "0";
            }
            ASSERT_TRUE(empezo) << "la importación no empezó a guardar";
            tomarBase();
        }
        // Primero que el programa tenga la base abierta (ya atiende las señales: una máquina
        // cargada puede tardar en arrancarlo), después un rato para que llegue a la espera.
        bool abierta = false;
        for (int i = 0; i < 600 && !abierta && p->state() == QProcess::Running; ++i) {
            abierta = TieneAbierto(p->processId(), base());
            if (!abierta) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(abierta) << "el programa no abrió la base";
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // ya espera el bloqueo
        ASSERT_EQ(p->state(), QProcess::Running);
        QElapsedTimer reloj;
        reloj.start();
        ::kill(static_cast<pid_t>(p->processId()), SIGTERM);
        ASSERT_TRUE(p->waitForFinished(30000));
        const qint64 ms = reloj.elapsed();
        otro.write("ROLLBACK;\n.quit\n");
        otro.closeWriteChannel();
        otro.waitForFinished(10000);
        EXPECT_LT(ms, 1000) << "la espera no contestó a la señal";
        EXPECT_EQ(p->exitCode(), 143);
        const QString errores = QString::fromUtf8(p->readAllStandardError());
        const LoQueDijo dijo = LeerLoGuardado(errores);
        ASSERT_TRUE(dijo.dicho) << qPrintable(errores);
        if (c.enMedio) {
            EXPECT_GT(dijo.filas, 0) << qPrintable(errores);
            EXPECT_EQ(guardadasEn(dijo.transmision), QString::number(dijo.filas));
        } else {
            EXPECT_EQ(dijo.transmision, 0) << qPrintable(errores);
            EXPECT_EQ(contar("AUX_GARANTIA"), "0");
        }
    }
}
