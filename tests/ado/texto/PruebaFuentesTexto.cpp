// El proveedor de texto visto como lo ve el programa: conexión, lista de tablas, recordset y el
// texto que el operador lee de cada valor.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ado/CarpetaOrigen.h"
#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "ado/texto/LectorCsv.h"
#include "comun/Pruebas.h"
#include "platform/Detencion.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kNulo = QStringLiteral("∅");  // marca de un valor nulo en las filas esperadas

// Una tabla leída: nombres y filas unidos con "|", los nulos como ∅.
struct Leida {
    QString nombres;
    QStringList filas;
};

class FuenteTexto : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(carpeta_.isValid()); }

    void escribir(const QString& nombre, const QByteArray& bytes) {
        EscribirArchivo(carpeta_.filePath(nombre), bytes);
    }
    QString conexion() const {
        return QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + carpeta_.path() +
               QStringLiteral("/;");
    }

    QStringList tablas() {
        Conexion c;
        c.Open(conexion());
        QStringList nombres;
        for (auto rs = c.OpenSchemaTablas(); !rs->EOF_(); rs->MoveNext())
            nombres.append(rs->Field("TABLE_NAME").toString());
        return nombres;
    }

    Leida leer(const QString& tabla) {
        Conexion c;
        c.Open(conexion());
        auto rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [%1]").arg(tabla));
        EXPECT_FALSE(rs->total().has_value());
        Leida l;
        QStringList nombres;
        for (int i = 0; i < rs->FieldCount(); ++i) nombres.append(rs->FieldName(i));
        l.nombres = nombres.join('|');
        for (; !rs->EOF_(); rs->MoveNext()) {
            QStringList valores;
            for (int i = 0; i < rs->FieldCount(); ++i) {
                const QVariant v = rs->Field(i);
                if (v.isValid()) EXPECT_EQ(v.typeId(), QMetaType::QString);  // textos tal como están escritos
                valores.append(v.isValid() ? TextoValor(v) : kNulo);
            }
            l.filas.append(valores.join('|'));
        }
        return l;
    }

    // La falla de leer la tabla entera (la apertura de la conexión no debe fallar).
    ErrorEjecucion fallaAlLeer(const QString& tabla) {
        try {
            leer(tabla);
        } catch (const ErrorEjecucion& e) {
            return e;
        }
        ADD_FAILURE() << "se esperaba una falla al leer " << qPrintable(tabla);
        return ErrorEjecucion(0, {});
    }

    QTemporaryDir carpeta_;
};

struct CasoCsv {
    const char* nombre;
    QByteArray bytes;
    const char* nombres;
    QStringList filas;
};

TEST_F(FuenteTexto, LeeLosCamposComoEstanEscritos) {
    const CasoCsv casos[] = {
        {"coma y CRLF", "serie,fecha\r\n00012345,01/02/2024\r\n", "serie|fecha", {"00012345|01/02/2024"}},
        {"punto y coma en el encabezado", "serie;importe\n1;2,50\n", "serie|importe", {"1|2,50"}},
        {"tabulador", "a\tb\n1\t2\n", "a|b", {"1|2"}},
        {"el delimitador entre comillas no cuenta", "\"a;b\",c\n1,2\n", "a;b|c", {"1|2"}},
        {"comillas con delimitador, comillas dobladas y salto de línea",
         "a,b\n\"x,y\",\"di \"\"hola\"\"\"\n\"l1\r\nl2\",z\n",
         "a|b",
         {"x,y|di \"hola\"", "l1\r\nl2|z"}},
        {"CR solo", "a,b\r1,2\r3,4\r", "a|b", {"1|2", "3|4"}},
        {"fines de línea mezclados", "a,b\r\n1,2\n3,4\r5,6", "a|b", {"1|2", "3|4", "5|6"}},
        {"BOM UTF-8 fuera del primer nombre",
         "\xEF\xBB\xBFserie,nombre\nA,Pe\xC3\xB1"
         "a\n",
         "serie|nombre",
         {"A|Peña"}},
        {"UTF-8 sin BOM", "n\nJos\xC3\xA9 \xE2\x82\xAC\n", "n", {"José €"}},
        {"Windows-1252",
         "nombre,precio\nPe\xF1"
         "a,\x80 5\n",
         "nombre|precio",
         {"Peña|€ 5"}},
        {"filas cortas dan nulos y lo que sobra se ignora",
         "a,b,c\n1\n1,2,3,4\n",
         "a|b|c",
         {"1|∅|∅", "1|2|3"}},
        {"campo vacío es nulo, con o sin comillas", "a,b,c\n,\"\",x\n", "a|b|c", {"∅|∅|x"}},
        {"blancos y ceros a la izquierda se conservan", "a,b\n 007 ,0\n", "a|b", {" 007 |0"}},
        {"líneas en blanco del final no son filas", "a\n1\n\n\r\n\n", "a", {"1"}},
        {"línea en blanco entre filas es una fila nula", "a,b\n1,2\n\n3,4\n", "a|b", {"1|2", "∅|∅", "3|4"}},
        {"nombre vacío en el encabezado", "a,,c\n1,2,3\n", "a|F2|c", {"1|2|3"}},
        {"sólo encabezado", "a,b\r\n", "a|b", {}},
        {"comilla sin cerrar llega al final", "a,b\n1,\"abc\n", "a|b", {"1|abc\n"}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        escribir(QStringLiteral("datos.csv"), c.bytes);
        const Leida l = leer(QStringLiteral("datos"));
        EXPECT_EQ(l.nombres, QString::fromUtf8(c.nombres));
        EXPECT_EQ(l.filas, c.filas);
    }
}

struct CasoEsquema {
    const char* nombre;
    QByteArray ini;
    QByteArray bytes;
    const char* nombres;
    QStringList filas;
};

TEST_F(FuenteTexto, SchemaIniManda) {
    const CasoEsquema casos[] = {
        {"delimitador propio", "[datos.csv]\r\nFormat=Delimited(|)\r\n", "a|b\n1|2\n", "a|b", {"1|2"}},
        {"tabulador aunque el encabezado tenga comas",
         "[DATOS.CSV]\nFormat=TabDelimited\n",
         "a,b\tc\n1\t2\n",
         "a,b|c",
         {"1|2"}},
        {"sin encabezado", "[datos.csv]\nColNameHeader=False\n", "1,2\n3,4\n", "F1|F2", {"1|2", "3|4"}},
        {"sin encabezado con nombres de columna",
         "[datos.csv]\nColNameHeader=False\nCol1=Serie Text\nCol2=\"Fecha alta\" Date\n",
         "1,2\n",
         "Serie|Fecha alta",
         {"1|2"}},
        {"delimitador de 8 bits",
         "[datos.csv]\nFormat=Delimited(\xA6)\nCharacterSet=1252\n",
         "a\xA6"
         "b\n1\xA6"
         "2\n",
         "a|b",
         {"1|2"}},
        {"OEM es la página 850",
         "[datos.csv]\nCharacterSet=OEM\n",
         "n\nPe\xA4"
         "a\n",
         "n",
         {"Peña"}},
        {"ANSI aunque el texto parezca UTF-8",
         "[datos.csv]\nCharacterSet=ANSI\n",
         "n\n\xC3\xB1\n",
         "n",
         {"Ã±"}},
        {"la sección de otro archivo no se aplica",
         "[otro.csv]\nFormat=Delimited(|)\nColNameHeader=False\n",
         "a|b,c\n1|2,3\n",
         "a|b|c",
         {"1|2|3"}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        escribir(QStringLiteral("schema.ini"), c.ini);
        escribir(QStringLiteral("datos.csv"), c.bytes);
        const Leida l = leer(QStringLiteral("datos#csv"));
        EXPECT_EQ(l.nombres, QString::fromUtf8(c.nombres));
        EXPECT_EQ(l.filas, c.filas);
    }
}

TEST_F(FuenteTexto, AnchoFijoDeSchemaIniSeRechazaConClaridad) {
    escribir(QStringLiteral("schema.ini"), "[datos.txt]\nFormat=FixedLength\n");
    escribir(QStringLiteral("datos.txt"), "abc  def\n");
    const ErrorEjecucion e = fallaAlLeer(QStringLiteral("datos"));
    EXPECT_NE(e.numero(), 0);
    EXPECT_TRUE(e.descripcion().contains(QStringLiteral("ancho fijo"))) << qPrintable(e.descripcion());
}

TEST_F(FuenteTexto, ListaLosArchivosComoElControladorDeTexto) {
    escribir(QStringLiteral("datos.csv"), "origen\ncsv\n");
    escribir(QStringLiteral("datos.txt"), "origen\ntxt\n");
    escribir(QStringLiteral("Otro.TXT"), "origen\notro\n");
    escribir(QStringLiteral("anual.2024.csv"), "origen\nanual\n");
    escribir(QStringLiteral("b.csv"), "origen\nb\n");
    escribir(QStringLiteral("schema.ini"), "");
    escribir(QStringLiteral("libro.xls"), "x");
    // El último punto pasa a ser "#": de la tabla se vuelve al archivo.
    EXPECT_EQ(tablas(), (QStringList{"anual.2024#csv", "b#csv", "datos#csv", "datos#txt", "Otro#TXT"}));

    const struct {
        const char* tabla;
        const char* origen;
    } casos[] = {
        {"datos", "csv"}, {"DATOS#TXT", "txt"}, {"datos.txt", "txt"},        {"datos#csv", "csv"},
        {"otro", "otro"}, {"otro.txt", "otro"}, {"anual.2024#csv", "anual"}, {"anual.2024", "anual"},
        {" b ", "b"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.tabla);
        EXPECT_EQ(leer(QString::fromUtf8(c.tabla)).filas, QStringList{QString::fromUtf8(c.origen)});
    }
}

TEST_F(FuenteTexto, TablaInexistenteNombraLaTablaYLaCarpeta) {
    escribir(QStringLiteral("datos.csv"), "a\n1\n");
    escribir(QStringLiteral("anual.2024.csv"), "a\n1\n");
    Conexion c;
    c.Open(conexion());
    // "anual" no es "anual.2024": el nombre hasta el primer punto no halla otro archivo.
    for (const QString tabla : {QStringLiteral("nada"), QStringLiteral("libro.xls"),
                                QStringLiteral("../datos"), QStringLiteral("anual")}) {
        try {
            c.abrirRecordset(QStringLiteral("SELECT * FROM [%1]").arg(tabla));
            ADD_FAILURE() << qPrintable(tabla);
        } catch (const ErrorEjecucion& e) {
            EXPECT_EQ(e.numero(), kTablaInexistente);
            EXPECT_TRUE(e.descripcion().contains(tabla)) << qPrintable(e.descripcion());
            EXPECT_TRUE(e.descripcion().contains(carpeta_.path())) << qPrintable(e.descripcion());
        }
        ASSERT_EQ(c.Errors().Count(), 1);
        EXPECT_NE(c.Errors().Item(0).nativo, 0);
    }
    EXPECT_THROW(c.abrirRecordset(QStringLiteral("DELETE FROM [datos]")), ErrorEjecucion);
}

TEST_F(FuenteTexto, CarpetaQueNoExisteFallaAlAbrir) {
    const QString falta = carpeta_.filePath(QStringLiteral("no_existe"));
    Conexion c;
    try {
        c.Open(QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + falta +
               QStringLiteral("/;"));
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().contains(falta)) << qPrintable(e.descripcion());
    }
    ASSERT_EQ(c.Errors().Count(), 1);
    EXPECT_NE(c.Errors().Item(0).nativo, 0);
    EXPECT_FALSE(c.abierta());
}

TEST_F(FuenteTexto, ArchivosQueNoSePuedenLeerFallanNombrandoElArchivo) {
    const struct {
        const char* nombre;
        QByteArray bytes;
        const char* causa;
    } casos[] = {
        {"vacío", "", "vacío"},
        {"sólo la marca UTF-8", "\xEF\xBB\xBF", "vacío"},
        {"sólo líneas en blanco", "\r\n\r\n", "vacío"},
        {"un libro con la extensión cambiada", QByteArray("PK\x03\x04\x14\x00\x00\x00", 8), "extensión"},
        {"UTF-16",
         QByteArray("\xFF\xFE"
                    "a\0,\0b\0",
                    8),
         "UTF-16"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        escribir(QStringLiteral("malo.csv"), c.bytes);
        const ErrorEjecucion e = fallaAlLeer(QStringLiteral("malo"));
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().contains(carpeta_.filePath(QStringLiteral("malo.csv"))))
            << qPrintable(e.descripcion());
        EXPECT_TRUE(e.descripcion().contains(QString::fromUtf8(c.causa))) << qPrintable(e.descripcion());
    }
}

// Como root también: el caso corre sin privilegios.
TEST_F(FuenteTexto, ArchivoSinPermisoFallaNombrandoElArchivo) {
    escribir(QStringLiteral("bloqueado.csv"), "a\n1\n");
    const QString ruta = carpeta_.filePath(QStringLiteral("bloqueado.csv"));
    ASSERT_TRUE(QFile::setPermissions(ruta, QFileDevice::WriteOwner));
    AbrirATodos(carpeta_.path());
    SinPrivilegios([&]() -> QString {
        if (QFile f(ruta); f.open(QIODevice::ReadOnly))
            return QStringLiteral("el archivo sin permiso se abre");
        try {
            Conexion c;
            c.Open(conexion());
            c.abrirRecordset(QStringLiteral("SELECT * FROM [bloqueado]"));
        } catch (const ErrorEjecucion& e) {
            return e.numero() != 0 && e.descripcion().contains(ruta) ? QString() : e.descripcion();
        }
        return QStringLiteral("se leyó un archivo sin permiso");
    });
}

// El lector sin archivo: registros que cruzan el borde del búfer y el límite de un registro.
TEST(LectorCsv, RegistrosQueCruzanElBufer) {
    QByteArray bytes = "n,texto\r\n";
    const QByteArray largo(LectorCsv::kBufer / 3, 'x');
    for (int i = 0; i < 10; ++i)
        bytes += QByteArray::number(i) + ",\"" + largo + "\"\"\r\n" + largo + "\"\r\n";
    QBuffer b(&bytes);
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    LectorCsv lector(b);
    ASSERT_EQ(lector.empezar(), LectorCsv::Estado::Fila);
    std::vector<QString> campos;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(lector.siguiente(campos), LectorCsv::Estado::Fila) << i;
        EXPECT_EQ(campos[0], QString::number(i));
        EXPECT_EQ(campos[1], QString::fromLatin1(largo + "\"\r\n" + largo));
    }
    EXPECT_EQ(lector.siguiente(campos), LectorCsv::Estado::Fin);
}

TEST(LectorCsv, UnaComillaSinCerrarNoSeLlevaElArchivoAMemoria) {
    QByteArray bytes = "a\n\"" + QByteArray(LectorCsv::kMaxRegistro + 1024, 'x');
    QBuffer b(&bytes);
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    LectorCsv lector(b);
    ASSERT_EQ(lector.empezar(), LectorCsv::Estado::Fila);
    std::vector<QString> campos;
    EXPECT_EQ(lector.siguiente(campos), LectorCsv::Estado::Falla);
    EXPECT_TRUE(lector.falla().contains(QStringLiteral("comilla"))) << qPrintable(lector.falla());
}

// Un origen que no termina nunca (un registro que sigue y sigue llegando): "Detener" lo corta
// entre trozos, antes del límite de un registro.
TEST(LectorCsv, UnaLecturaQueNoTerminaSeDetiene) {
    class SinFin : public QIODevice {
      public:
        int lecturas = 0;
        bool isSequential() const override { return true; }

      protected:
        qint64 readData(char* datos, qint64 maximo) override {
            if (++lecturas == 10) Detencion::Pedir();  // el clic llega en medio de la lectura
            const QByteArray inicio = "a\n\"";
            const qint64 n = std::min<qint64>(maximo, 4096);
            for (qint64 i = 0; i < n; ++i) datos[i] = lecturas == 1 && i < inicio.size() ? inicio[i] : 'x';
            return n;
        }
        qint64 writeData(const char*, qint64) override { return -1; }
    } origen;
    ASSERT_TRUE(origen.open(QIODevice::ReadOnly));
    Detencion::Limpiar();
    LectorCsv lector(origen, {}, 4096);
    std::vector<QString> campos;
    try {
        if (lector.empezar() == LectorCsv::Estado::Fila) lector.siguiente(campos);
        ADD_FAILURE() << "la lectura no se detuvo";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), Detencion::NumeroFalla);
    }
    Detencion::Limpiar();
    EXPECT_LT(origen.lecturas, 200);
}

TEST(LectorCsv, LaCodificacionSeDecidePorLosPrimeros64KiB) {
    // UTF-8 válido en el sondeo: un byte suelto de 1252 más adelante no cambia la decisión.
    QByteArray bytes = "n\n" + QByteArray(70 * 1024, 'a') + "\n\xC3\xB1\n";
    QBuffer b(&bytes);
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    LectorCsv lector(b);
    ASSERT_EQ(lector.empezar(), LectorCsv::Estado::Fila);
    EXPECT_EQ(lector.codigoPagina(), 65001);
}
}  // namespace

// Después de la pasada por el archivo entero, la lectura sabe cuántas filas dará: las mismas que da.
TEST_F(FuenteTexto, ElExamenCuentaLasFilasQueDaraLaLectura) {
    const struct {
        const char* nombre;
        QByteArray bytes;
    } casos[] = {
        {"sin datos", "a;b\n"},
        {"sin fin de línea al final", "a;b\n1;2\n3;4"},
        {"CR LF", "a;b\r\n1;2\r\n3;4\r\n"},
        {"CR solo", "a;b\r1;2\r3;4\r"},
        {"en blanco en medio y al final", "a;b\n1;2\n\n3;4\n\n\n"},
        {"en blanco antes del encabezado", "\n\na;b\n1;2\n"},
        {"fin de línea entre comillas", "a;b\n\"x\ny\";2\n3;\"\r\n\"\n"},
        {"con marca de UTF-8",
         "\xEF\xBB\xBF"
         "a;b\n1;2\n"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        escribir(QStringLiteral("datos.csv"), c.bytes);
        Conexion con;
        con.Open(conexion());
        con.examinarTabla(QStringLiteral("datos#csv"));
        auto rs = con.abrirTabla(QStringLiteral("datos#csv"));
        ASSERT_TRUE(rs->total().has_value());
        qint64 leidas = 0;
        for (; !rs->EOF_(); rs->MoveNext()) ++leidas;
        EXPECT_EQ(*rs->total(), leidas);
    }
}
