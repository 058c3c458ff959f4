// El proveedor de dBase visto como lo ve el programa: conexión, lista de tablas, recordset y el
// texto que el operador lee de cada valor.
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include "ado/CarpetaOrigen.h"
#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "ado/dbase/ConstructorDbf.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kNulo = QStringLiteral("∅");

QString Conexion_(const QString& carpeta, const char* barra = "/") {
    return QStringLiteral("Provider=vfpoledb.1;Data Source=") + carpeta + QString::fromLatin1(barra) +
           QStringLiteral(";Collating Sequence=general");
}

// Los valores de una fila unidos con "|", como los lee el operador; los nulos como ∅.
QString TextoFila(const Recordset& rs) {
    QStringList v;
    for (int i = 0; i < rs.FieldCount(); ++i) {
        const QVariant x = rs.Field(i);
        v.append(x.isValid() ? TextoValor(x) : kNulo);
    }
    return v.join('|');
}

class FuenteDbase : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(carpeta_.isValid()); }
    void escribir(const QString& nombre, const QByteArray& bytes) {
        EscribirArchivo(carpeta_.filePath(nombre), bytes);
    }

    RecordsetPtr abrir(const QString& tabla) {
        if (!conexion_.abierta()) conexion_.Open(Conexion_(carpeta_.path()));
        return conexion_.abrirRecordset(QStringLiteral("Select * from [%1]").arg(tabla));
    }
    QStringList filas(const QString& tabla) {
        QStringList f;
        for (auto rs = abrir(tabla); !rs->EOF_(); rs->MoveNext()) f.append(TextoFila(*rs));
        return f;
    }
    // La falla al abrir o leer la tabla entera.
    ErrorEjecucion falla(const QString& tabla) {
        try {
            filas(tabla);
        } catch (const ErrorEjecucion& e) {
            return e;
        }
        ADD_FAILURE() << "se esperaba una falla al leer " << qPrintable(tabla);
        return ErrorEjecucion(0, {});
    }

    QTemporaryDir carpeta_;
    Conexion conexion_;
};

struct CasoTipo {
    const char* nombre;
    unsigned char version;
    CampoPrueba campo;
    QByteArray bytes;
    QMetaType::Type tipo;  // UnknownType: nulo
    const char* texto;
};

TEST_F(FuenteDbase, CadaTipoDeCampoDaSuValor) {
    const CasoTipo casos[] = {
        {"C sin blancos a la derecha", 0x03, {"NOMBRE", 'C', 10}, "  abc", QMetaType::QString, "  abc"},
        {"C en blanco es texto vacío", 0x03, {"NOMBRE", 'C', 10}, "", QMetaType::QString, ""},
        {"C de más de 255 (largo alto en decimales)",
         0xF5,
         {"LARGO", 'C', 4, 1},
         QByteArray(259, 'z') + "!",
         QMetaType::QString,
         nullptr},
        {"N entero con ceros", 0x03, {"NUM", 'N', 8}, "   00123", QMetaType::LongLong, "123"},
        {"N negativo", 0x03, {"NUM", 'N', 8}, "     -42", QMetaType::LongLong, "-42"},
        {"N en blanco es nulo", 0x03, {"NUM", 'N', 8}, "", QMetaType::UnknownType, ""},
        {"N desbordado es nulo", 0x03, {"NUM", 'N', 8}, "********", QMetaType::UnknownType, ""},
        {"N con decimales", 0x03, {"IMPORTE", 'N', 8, 2}, "  123.50", QMetaType::Double, "123,5"},
        // Una serie de 19 o más cifras se lee de sus cifras, nunca por un doble.
        {"N de 19 cifras",
         0x03,
         {"SERIE", 'N', 20},
         " 8954031234567890123",
         QMetaType::LongLong,
         "8954031234567890123"},
        {"N de 20 cifras (no cabe en 64 bits)",
         0x03,
         {"SERIE", 'N', 20},
         "98954031234567890123",
         QMetaType::QString,
         "98954031234567890123"},
        {"N entero con decimales en cero",
         0x03,
         {"SERIE", 'N', 22, 2},
         "8954031234567890123.00",
         QMetaType::LongLong,
         "8954031234567890123"},
        {"F", 0x8B, {"FLOTANTE", 'F', 10, 3}, "    -1.250", QMetaType::Double, "-1,25"},
        {"D", 0x03, {"FECHA", 'D', 8}, "20240131", QMetaType::QDate, "31/01/2024"},
        {"D en blanco", 0x03, {"FECHA", 'D', 8}, "        ", QMetaType::UnknownType, ""},
        {"D en ceros", 0x03, {"FECHA", 'D', 8}, "00000000", QMetaType::UnknownType, ""},
        {"L T", 0x03, {"ACTIVO", 'L', 1}, "T", QMetaType::Bool, "Verdadero"},
        {"L y", 0x03, {"ACTIVO", 'L', 1}, "y", QMetaType::Bool, "Verdadero"},
        {"L F", 0x03, {"ACTIVO", 'L', 1}, "F", QMetaType::Bool, "Falso"},
        {"L n", 0x03, {"ACTIVO", 'L', 1}, "n", QMetaType::Bool, "Falso"},
        {"L ?", 0x03, {"ACTIVO", 'L', 1}, "?", QMetaType::UnknownType, ""},
        {"L en blanco", 0x03, {"ACTIVO", 'L', 1}, " ", QMetaType::UnknownType, ""},
        {"I", 0x30, {"CODIGO", 'I', 4}, Le<qint32>(-5), QMetaType::LongLong, "-5"},
        {"Y", 0x30, {"PRECIO", 'Y', 8}, Le<qint64>(123456), QMetaType::Double, "12,3456"},
        {"T",
         0x30,
         {"ALTA", 'T', 8},
         Le<qint32>(2453846) + Le<qint32>(62000000),
         QMetaType::QDateTime,
         "20/04/2006 17:13:20"},
        {"T en ceros", 0x30, {"ALTA", 'T', 8}, QByteArray(8, '\0'), QMetaType::UnknownType, ""},
        {"B de Visual FoxPro", 0x30, {"DOBLE", 'B', 8}, Doble(33.33), QMetaType::Double, "33,33"},
        {"G no se importa", 0x30, {"FOTO", 'G', 4}, Le<quint32>(8), QMetaType::UnknownType, ""},
        {"M en blanco no necesita memo", 0x83, {"NOTAS", 'M', 10}, "          ", QMetaType::UnknownType, ""},
        {"M cero de Visual FoxPro", 0x30, {"NOTAS", 'M', 4}, Le<quint32>(0), QMetaType::UnknownType, ""},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        TablaPrueba t;
        t.version = c.version;
        t.campos = {c.campo};
        // El C de más de 255 se rellena a su largo real, el resto al largo del descriptor.
        t.registros = {c.campo.tipo == 'C' && c.campo.decimales ? QByteArray(" ") + c.bytes
                                                                : Registro(t.campos, {c.bytes})};
        escribir(QStringLiteral("tipos.dbf"), t.bytes());
        auto rs = abrir(QStringLiteral("tipos"));
        ASSERT_FALSE(rs->EOF_());
        ASSERT_EQ(rs->FieldCount(), 1);
        EXPECT_EQ(rs->FieldName(0), QString::fromLatin1(c.campo.nombre));
        const QVariant v = rs->Field(0);
        EXPECT_EQ(v.typeId(), c.tipo == QMetaType::UnknownType ? QMetaType::UnknownType : int(c.tipo));
        if (c.texto) {
            EXPECT_EQ(TextoValor(v), QString::fromUtf8(c.texto));
        } else {
            EXPECT_EQ(v.toString().size(), 260);
        }
        rs->MoveNext();
        EXPECT_TRUE(rs->EOF_());
    }
}

TEST_F(FuenteDbase, ElByteDeIdiomaEligeLaPagina) {
    const struct {
        unsigned char marca;
        QByteArray bytes;
        const char* texto;
    } casos[] = {
        {0x00,
         "Pe\xF1"
         "a \x80",
         "Peña €"},  // sin marca: Windows-1252
        {0x03,
         "Pe\xF1"
         "a",
         "Peña"},
        {0x57,
         "Pe\xF1"
         "a",
         "Peña"},
        {0x01,
         "Pe\xA4"
         "a",
         "Peña"},  // DOS 437
        {0x02,
         "Pe\xA4"
         "a \xB5",
         "Peña Á"},                     // DOS 850
        {0x64, "\xA5", "ą"},            // DOS 852
        {0x65, "\x8C\xA8\xE0", "Мир"},  // DOS 866
        {0xC8, "\x8A", "Š"},            // Windows-1250
        {0xC9, "\xCC\xE8\xF0", "Мир"},  // Windows-1251
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(static_cast<int>(c.marca));
        TablaPrueba t;
        t.version = 0x03;
        t.codigoPagina = c.marca;
        t.campos = {{"NOMBRE", 'C', 10}};
        t.registros = {Registro(t.campos, {c.bytes})};
        escribir(QStringLiteral("pagina.dbf"), t.bytes());
        EXPECT_EQ(filas(QStringLiteral("pagina")), QStringList{QString::fromUtf8(c.texto)});
    }
}

TEST_F(FuenteDbase, SaltaBorradosYTerminaEnLaMarcaDeFin) {
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {{"SERIE", 'C', 8}, {"CANT", 'N', 3}};
    t.registros = {Registro(t.campos, {"00001", "1"}), Registro(t.campos, {"00002", "2"}, true),
                   Registro(t.campos, {"00003", "3"})};
    escribir(QStringLiteral("borrados.dbf"), t.bytes());
    EXPECT_EQ(filas(QStringLiteral("borrados")), (QStringList{"00001|1", "00003|3"}));
    EXPECT_EQ(abrir(QStringLiteral("borrados"))->total(), 3);

    // La cabecera anuncia más registros de los que hay, pero la marca 0x1A dice dónde termina.
    t.registrosCabecera = 10;
    escribir(QStringLiteral("marca.dbf"), t.bytes());
    EXPECT_EQ(filas(QStringLiteral("marca")), (QStringList{"00001|1", "00003|3"}));

    // Y anuncia menos de los que hay: la cabecera miente, y las filas de más no se pierden calladas.
    t.registrosCabecera = 1;
    escribir(QStringLiteral("menos.dbf"), t.bytes());
    const QString causa = falla(QStringLiteral("menos")).descripcion();
    EXPECT_TRUE(causa.contains(QStringLiteral("el número de registros dice 1 de 12 bytes")))
        << qPrintable(causa);
}

// Lo que un registro trae y no es un dato rechaza la tabla nombrando el registro: una marca de
// borrado que no es ' ' ni '*' (0x1A en medio no es el fin: callaría los registros que siguen), un
// byte nulo dentro de un texto, un texto que no es de la página del archivo, un puntero al memo
// que no es un número. La cabecera, el largo y el tamaño cuadran en todos.
TEST_F(FuenteDbase, LoQueNoEsUnDatoRechazaNombrandoElRegistro) {
    struct Caso {
        const char* nombre;
        unsigned char codigoPagina;
        int registro;  // desde 1; su marca o su valor se estropean
        char marca;
        QByteArray serie;
        const char* dice;
    };
    const Caso casos[] = {
        {"0x1A como marca del registro 5 de 10", 0x03, 5, '\x1A', {}, "el registro 5 de 10"},
        {"una letra como marca", 0x03, 3, 'X', {}, "marca de borrado es el byte 0x58"},
        {"un nulo como marca", 0x03, 10, '\0', {}, "el registro 10 de 10"},
        {"un nulo dentro del texto", 0x03, 4, ' ', QByteArray("NULA\0B", 6), "el registro 4, campo SERIE"},
        {"bytes que la página 936 no tiene", 0x7A, 2, ' ', "BAD\x81 X", "página de códigos 936"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        TablaPrueba t;
        t.version = 0x03;
        t.codigoPagina = c.codigoPagina;
        t.campos = {{"SERIE", 'C', 10}, {"N", 'N', 3}};
        for (int i = 1; i <= 10; ++i) {
            QByteArray serie = i == c.registro && !c.serie.isEmpty() ? c.serie : "S" + QByteArray::number(i);
            t.registros.push_back(Registro(t.campos, {serie, QByteArray::number(i)}));
        }
        t.registros[static_cast<std::size_t>(c.registro - 1)][0] = c.marca;
        const QString tabla = QStringLiteral("estropeada%1").arg(&c - casos);
        escribir(tabla + QStringLiteral(".dbf"), t.bytes());
        const QString causa = falla(tabla).descripcion();
        EXPECT_TRUE(causa.contains(QString::fromUtf8(c.dice))) << qPrintable(causa);
    }

    // La marca 0x1A como último byte, antes del número anunciado, sigue siendo el fin.
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {{"SERIE", 'C', 10}};
    t.registros = {Registro(t.campos, {"S1"}), Registro(t.campos, {"S2"})};
    t.registrosCabecera = 5;
    escribir(QStringLiteral("corta.dbf"), t.bytes());
    EXPECT_EQ(filas(QStringLiteral("corta")), (QStringList{"S1", "S2"}));
}

TEST_F(FuenteDbase, NullFlagsDeVisualFoxPro) {
    TablaPrueba t;
    t.version = 0x30;
    t.campos = {
        {"A", 'C', 3}, {"B", 'N', 3, 0, 0x02}, {"C", 'V', 5, 0, 0x02}, {"_NullFlags", '0', 1, 0, 0x05}};
    // Bits de _NullFlags en el orden de los campos: B nulo el 0; C (varchar) primero su bit de
    // "largo en el último byte" (1) y después el de nulo (2).
    t.registros = {Registro(t.campos, {"x", "  7", QByteArray("ab\0\0\x02", 5), QByteArray(1, '\x02')}),
                   Registro(t.campos, {"y", "   ", "", QByteArray(1, '\x05')})};
    escribir(QStringLiteral("nulos.dbf"), t.bytes());
    auto rs = abrir(QStringLiteral("nulos"));
    EXPECT_EQ(rs->FieldCount(), 3);  // _NullFlags no se ve
    EXPECT_EQ(TextoFila(*rs), "x|7|ab");
    rs->MoveNext();
    EXPECT_EQ(TextoFila(*rs), "y|∅|∅");
}

struct CasoMemo {
    const char* nombre;
    unsigned char version;
    int largoCampo;
    const char* extension;
};

TEST_F(FuenteDbase, MemosDbtYFpt) {
    const QByteArray largo = QByteArray(700, 'm') + "fin";  // más de un bloque de 512
    const std::vector<QByteArray> memos = {"Primer memo\r\n", largo,
                                           "Pe\xF1"
                                           "a"};
    const CasoMemo casos[] = {
        {"dBase III", 0x83, 10, "dbt"},
        {"dBase IV", 0x8B, 10, "dbt"},
        {"FoxPro 2", 0xF5, 10, "FPT"},
        {"Visual FoxPro", 0x30, 4, "fpt"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        QTemporaryDir otra;
        ASSERT_TRUE(otra.isValid());
        std::vector<quint32> bloques;
        QByteArray memo = c.version == 0x83   ? DbtIII(memos, bloques)
                          : c.version == 0x8B ? DbtIV(memos, bloques)
                                              : Fpt(memos, bloques);
        TablaPrueba t;
        t.version = c.version;
        t.campos = {{"N", 'N', 2}, {"NOTAS", 'M', c.largoCampo}};
        const auto ref = [&](quint32 b) {
            return c.largoCampo == 4 ? Le<quint32>(b) : QByteArray::number(b).rightJustified(10, ' ');
        };
        for (std::size_t i = 0; i < bloques.size(); ++i) {
            t.registros.push_back(Registro(t.campos, {QByteArray::number(int(i)), ref(bloques[i])}));
        }
        t.registros.push_back(Registro(t.campos, {"9", c.largoCampo == 4 ? Le<quint32>(0) : QByteArray()}));
        EscribirArchivo(otra.filePath(QStringLiteral("Memos.DBF")), t.bytes());
        EscribirArchivo(otra.filePath(QStringLiteral("MEMOS.") + QString::fromLatin1(c.extension)), memo);
        Conexion con;
        con.Open(Conexion_(otra.path()));
        QStringList leidas;
        for (auto rs = con.abrirRecordset(QStringLiteral("SELECT * FROM [memos]")); !rs->EOF_();
             rs->MoveNext()) {
            leidas.append(TextoFila(*rs));
        }
        EXPECT_EQ(leidas,
                  (QStringList{"0|Primer memo\r\n", "1|" + QString::fromLatin1(largo), "2|Peña", "9|∅"}));
    }
}

TEST_F(FuenteDbase, MemoQueFaltaFallaAlLeerElPrimerMemo) {
    TablaPrueba t;
    t.version = 0x30;
    t.campos = {{"N", 'N', 2}, {"NOTAS", 'M', 4}};
    t.registros = {Registro(t.campos, {"1", Le<quint32>(0)}), Registro(t.campos, {"2", Le<quint32>(8)})};
    escribir(QStringLiteral("sinmemo.dbf"), t.bytes());
    auto rs = abrir(QStringLiteral("sinmemo"));
    EXPECT_EQ(TextoFila(*rs), "1|∅");
    try {
        rs->MoveNext();
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().contains(carpeta_.filePath(QStringLiteral("sinmemo.dbf"))))
            << qPrintable(e.descripcion());
        EXPECT_TRUE(e.descripcion().contains(QStringLiteral(".fpt"))) << qPrintable(e.descripcion());
    }

    // Un memo que apunta fuera del archivo de memos.
    std::vector<quint32> bloques;
    escribir(QStringLiteral("sinmemo.fpt"), Fpt({"a"}, bloques));
    t.registros = {Registro(t.campos, {"1", Le<quint32>(5000)})};
    escribir(QStringLiteral("sinmemo.dbf"), t.bytes());
    const ErrorEjecucion e = falla(QStringLiteral("sinmemo"));
    EXPECT_TRUE(e.descripcion().contains(QStringLiteral("fuera del archivo"))) << qPrintable(e.descripcion());

    // Un puntero de dBase III que no es un número no deja el memo vacío: no se sabe cuál era.
    t.version = 0x83;
    t.campos = {{"N", 'N', 2}, {"NOTAS", 'M', 10}};
    t.registros = {Registro(t.campos, {"1", "basura"})};
    escribir(QStringLiteral("basura.dbf"), t.bytes());
    escribir(QStringLiteral("basura.dbt"), DbtIII({"a"}, bloques));
    const QString causa = falla(QStringLiteral("basura")).descripcion();
    EXPECT_TRUE(causa.contains(QStringLiteral("el registro 1, campo NOTAS"))) << qPrintable(causa);
}

TEST_F(FuenteDbase, ArchivoCortadoSeRechazaAntesDeLaPrimeraFila) {
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {{"SERIE", 'C', 8}};
    t.registros = {Registro(t.campos, {"00001"}), Registro(t.campos, {"00002"}),
                   Registro(t.campos, {"00003"})};
    t.marcaFin = false;
    QByteArray bytes = t.bytes();
    bytes.chop(4);  // el tercer registro queda a medias
    escribir(QStringLiteral("cortado.dbf"), bytes);
    try {
        abrir(QStringLiteral("cortado"));
        FAIL() << "abrió la tabla cortada";
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().contains(QStringLiteral("el archivo está cortado")))
            << qPrintable(e.descripcion());
        EXPECT_TRUE(e.descripcion().contains(carpeta_.filePath(QStringLiteral("cortado.dbf"))));
    }
}

// Una cabecera que miente sobre un largo corre cada registro: se rechaza antes de la primera fila,
// nombrando lo que no cuadra. Diez registros de dBase III (y uno de Visual FoxPro) como los de un
// proveedor, con un solo número cambiado.
TEST_F(FuenteDbase, UnaCabeceraQueMienteSeRechazaNombrandoLoQueNoCuadra) {
    const auto tabla = [](unsigned char version) {
        TablaPrueba t;
        t.version = version;
        t.campos = {{"ECA1", 'C', 4}, {"SERIE", 'C', 10}, {"MODELO", 'C', 10}, {"CANT", 'N', 3}};
        for (int i = 0; i < 10; ++i)
            t.registros.push_back(Registro(t.campos, {"E", "S" + QByteArray::number(i), "Modelo", "1"}));
        return t.bytes();
    };
    const auto cambiar16 = [](QByteArray b, int en, int mas) {
        qToLittleEndian<quint16>(qFromLittleEndian<quint16>(b.constData() + en) + mas, b.data() + en);
        return b;
    };
    const auto cambiar32 = [](QByteArray b, int mas) {
        qToLittleEndian<quint32>(qFromLittleEndian<quint32>(b.constData() + 4) + mas, b.data() + 4);
        return b;
    };
    const struct {
        const char* nombre;
        QByteArray bytes;
        const char* causa;
    } casos[] = {
        {"largo de la cabecera + 7", cambiar16(tabla(0x03), 8, 7), "el largo de la cabecera dice 168 bytes"},
        {"largo de la cabecera - 1", cambiar16(tabla(0x03), 8, -1), "el largo de la cabecera dice 160 bytes"},
        {"largo de la cabecera + 7, Visual FoxPro", cambiar16(tabla(0x30), 8, 7),
         "el largo de la cabecera dice 431 bytes"},
        {"largo del registro + 3", cambiar16(tabla(0x03), 10, 3),
         "el largo del registro dice 31 bytes y los campos suman 28"},
        {"un registro más de los que hay, sin marca de fin", cambiar32(tabla(0x03).chopped(1), 1),
         "el archivo está cortado"},
        {"el último registro a medias", tabla(0x03).chopped(5), "el archivo está cortado"},
        {"un registro menos de los que hay", cambiar32(tabla(0x03), -1), "el número de registros dice 9"},
        {"basura después de la marca de fin", tabla(0x03) + "xyz", "el archivo mide"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        escribir(QStringLiteral("miente.dbf"), c.bytes);
        try {
            abrir(QStringLiteral("miente"));  // antes de dar una fila
            ADD_FAILURE() << "abrió la tabla";
        } catch (const ErrorEjecucion& e) {
            EXPECT_TRUE(e.descripcion().contains(QString::fromUtf8(c.causa))) << qPrintable(e.descripcion());
        }
    }
    // Las mismas tablas sin cambios se leen enteras.
    for (const unsigned char v : {0x03, 0x30}) {
        escribir(QStringLiteral("sana.dbf"), tabla(v));
        EXPECT_EQ(filas(QStringLiteral("sana")).size(), 10);
    }
}

TEST_F(FuenteDbase, CabecerasQueNoSonDeUnaTablaFallanConClaridad) {
    TablaPrueba buena;
    buena.version = 0x03;
    buena.campos = {{"SERIE", 'C', 8}};
    buena.registros = {Registro(buena.campos, {"1"})};
    QByteArray camposDeMas = buena.bytes();
    qToLittleEndian<quint16>(5, camposDeMas.data() + 10);  // registros de 5 bytes para un campo de 8
    const struct {
        const char* nombre;
        QByteArray bytes;
        const char* causa;
    } casos[] = {
        {"vacío", "", "vacío"},
        {"texto", "serie,fecha\r\n0001,01/01/2024\r\n", "no es una tabla"},
        {"cabecera de menos de 32 bytes", buena.bytes().left(20), "cortada"},
        {"descriptores cortados", buena.bytes().left(40), "cortada"},
        {"campos que no caben en el registro", camposDeMas, "dañada"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        escribir(QStringLiteral("mala.dbf"), c.bytes);
        const ErrorEjecucion e = falla(QStringLiteral("mala"));
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().contains(carpeta_.filePath(QStringLiteral("mala.dbf"))))
            << qPrintable(e.descripcion());
        EXPECT_TRUE(e.descripcion().contains(QString::fromUtf8(c.causa))) << qPrintable(e.descripcion());
    }
}

TEST_F(FuenteDbase, ListaLasTablasYLasEncuentraSinDistinguirMayusculas) {
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {{"ORIGEN", 'C', 8}};
    for (const char* nombre : {"b", "A", "clientes.2024"}) {
        t.registros = {Registro(t.campos, {nombre})};
        const QString archivo =
            QString::fromLatin1(nombre) + (QString::fromLatin1(nombre) == "A" ? ".DBF" : ".dbf");
        escribir(archivo, t.bytes());
    }
    escribir(QStringLiteral("b.fpt"), "x");
    escribir(QStringLiteral("notas.txt"), "x");
    // Con la barra invertida que escribe el programa, y con la barra normal.
    for (const char* barra : {"\\", "/", ""}) {
        SCOPED_TRACE(barra);
        Conexion c;
        c.Open(Conexion_(carpeta_.path(), barra));
        QStringList tablas;
        for (auto rs = c.OpenSchemaTablas(); !rs->EOF_(); rs->MoveNext())
            tablas.append(rs->Field("TABLE_NAME").toString());
        EXPECT_EQ(tablas, (QStringList{"A", "b", "clientes.2024"}));
    }
    EXPECT_EQ(filas(QStringLiteral("a")), QStringList{"A"});
    EXPECT_EQ(filas(QStringLiteral("B.dbf")), QStringList{"b"});
    EXPECT_EQ(filas(QStringLiteral("clientes.2024")), QStringList{"clientes"});
    EXPECT_EQ(filas(QStringLiteral("clientes.2024.dbf")), QStringList{"clientes"});

    // "clientes" no es "clientes.2024": el nombre hasta el primer punto no halla otra tabla.
    for (const QString tabla : {QStringLiteral("nada"), QStringLiteral("clientes")}) {
        try {
            abrir(tabla);
            ADD_FAILURE() << qPrintable(tabla);
        } catch (const ErrorEjecucion& e) {
            EXPECT_EQ(e.numero(), kTablaInexistente);
            EXPECT_TRUE(e.descripcion().contains(tabla));
            EXPECT_TRUE(e.descripcion().contains(carpeta_.path()));
        }
        EXPECT_NE(conexion_.Errors().Item(0).nativo, 0);
    }
}

TEST_F(FuenteDbase, CarpetaQueNoExisteFallaAlAbrir) {
    const QString falta = carpeta_.filePath(QStringLiteral("no_existe"));
    Conexion c;
    try {
        c.Open(Conexion_(falta));
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0);
        EXPECT_TRUE(e.descripcion().contains(falta)) << qPrintable(e.descripcion());
    }
    ASSERT_EQ(c.Errors().Count(), 1);
    EXPECT_NE(c.Errors().Item(0).nativo, 0);
}

// Las muestras públicas: todas se listan y se leen enteras sin fallas.
TEST(MuestrasDbf, SeListanYSeLeenEnteras) {
    TOMAR_MUESTRA(carpeta, QStringLiteral("dbf"));
    Conexion c;
    c.Open(Conexion_(carpeta));
    QStringList tablas;
    for (auto rs = c.OpenSchemaTablas(); !rs->EOF_(); rs->MoveNext())
        tablas.append(rs->Field("TABLE_NAME").toString());
    EXPECT_EQ(tablas, (QStringList{"dbase_03", "dbase_30", "dbase_31", "dbase_83", "dbase_8b"}));

    const struct {
        const char* tabla;
        int filas;
        int columnas;
    } casos[] = {{"dbase_03", 14, 31},
                 {"dbase_30", 34, 145},
                 {"dbase_31", 77, 12},
                 {"dbase_83", 67, 15},
                 {"dbase_8b", 10, 6}};
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.tabla);
        auto rs = c.abrirRecordset(QStringLiteral("Select * from [%1]").arg(caso.tabla));
        EXPECT_EQ(rs->FieldCount(), caso.columnas);
        int n = 0;
        for (; !rs->EOF_(); rs->MoveNext()) {
            for (int i = 0; i < rs->FieldCount(); ++i) TextoValor(rs->Field(i));
            ++n;
        }
        EXPECT_EQ(n, caso.filas);
    }
}

TEST(MuestrasDbf, ValoresConocidos) {
    TOMAR_MUESTRA(carpeta, QStringLiteral("dbf"));
    Conexion c;
    c.Open(Conexion_(carpeta));

    auto rs = c.abrirRecordset(QStringLiteral("Select * from [dbase_8b]"));
    EXPECT_EQ(TextoValor(rs->Field("CHARACTER")), "One");
    EXPECT_EQ(TextoValor(rs->Field("NUMERICAL")), "1");
    EXPECT_EQ(rs->Field("DATE").toDate(), QDate(1970, 1, 1));
    EXPECT_EQ(rs->Field("LOGICAL"), QVariant(true));
    EXPECT_NEAR(rs->Field("FLOAT").toDouble(), 1.23456789012346, 1e-12);
    EXPECT_EQ(rs->Field("MEMO").toString(), "First memo\r\n");

    rs = c.abrirRecordset(QStringLiteral("Select * from [dbase_31]"));
    rs->MoveNext();
    EXPECT_EQ(rs->Field("PRODUCTID"), QVariant(qlonglong(2)));
    EXPECT_EQ(rs->Field("PRODUCTNAM").toString(), "Chang");
    EXPECT_EQ(TextoValor(rs->Field("UNITPRICE")), "19");
    EXPECT_EQ(TextoValor(rs->Field("FLOAT")), "42,5");
    EXPECT_EQ(TextoValor(rs->Field("DOUBLE")), "33,33");

    rs = c.abrirRecordset(QStringLiteral("Select * from [dbase_30]"));
    EXPECT_EQ(rs->Field("UPDATED").toDateTime(), QDateTime(QDate(2006, 4, 20), QTime(17, 13, 4, 999)));
    EXPECT_EQ(rs->Field("CATDATE").toDate(), QDate(1999, 3, 5));
    EXPECT_EQ(rs->Field("WEBINCLUDE"), QVariant(false));

    // dBase III con memo: el texto de 1252 (… y Š) sale bien.
    bool conAltos = false;
    for (rs = c.abrirRecordset(QStringLiteral("Select * from [dbase_83]")); !rs->EOF_(); rs->MoveNext()) {
        for (int i = 0; i < rs->FieldCount(); ++i) {
            const QString t = TextoValor(rs->Field(i));
            conAltos = conAltos || t.contains(QChar(0x2026)) || t.contains(QChar(0x0160));
        }
    }
    EXPECT_TRUE(conAltos);
}
}  // namespace
