// Un archivo de texto que otro programa cambia mientras se importa: se lee la versión que se
// abrió, y si esa misma cambia (truncada, agrandada, reescrita) la lectura falla diciéndolo, con
// las filas leídas hasta ahí. Lo que decide el examen entero vale sólo para el archivo examinado.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "ado/Conexion.h"
#include "comun/Pruebas.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Regional.h"

namespace {
class TextoCambiante : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(carpeta_.isValid()); }
    QString ruta() const { return carpeta_.filePath(QStringLiteral("datos.csv")); }
    void abrir() {
        c_.Open(QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + carpeta_.path() +
                u'/' + u';');
    }
    // Más de lo que el lector tiene en su búfer (256 KiB): el cambio llega antes del final.
    static QByteArray Filas(const QByteArray& prefijo, int n) {
        QByteArray b = "eca1,serie\n";
        for (int i = 0; i < n; ++i) b += "E," + prefijo + QByteArray::number(i) + "\n";
        return b;
    }
    QString leerHastaElFinal(RecordsetPtr& rs, int& filas) {
        try {
            for (; !rs->EOF_(); rs->MoveNext()) ++filas;
        } catch (const ErrorEjecucion& e) {
            return e.descripcion();
        }
        return {};
    }
    QTemporaryDir carpeta_;
    Conexion c_;
};
const QString kSql = QStringLiteral("SELECT * FROM [datos#csv]");
}  // namespace

TEST_F(TextoCambiante, ReemplazadoEnMedioSeLeeEnteroElQueSeAbrio) {
    EscribirArchivo(ruta(), Filas("A", 60000));
    abrir();
    RecordsetPtr rs = c_.abrirRecordset(kSql);
    EscribirArchivo(carpeta_.filePath(QStringLiteral("nuevo.tmp")), Filas("B", 10));
    ASSERT_TRUE(QFile::remove(ruta()));
    ASSERT_TRUE(QFile::rename(carpeta_.filePath(QStringLiteral("nuevo.tmp")), ruta()));
    int filas = 0;
    QString ultima;
    try {
        for (; !rs->EOF_(); rs->MoveNext(), ++filas) ultima = rs->Field(1).toString();
    } catch (const ErrorEjecucion& e) {
        FAIL() << qPrintable(e.descripcion());
    }
    EXPECT_EQ(filas, 60000);
    EXPECT_EQ(ultima, "A59999");
}

TEST_F(TextoCambiante, TruncadoOAgrandadoEnMedioEsUnaFallaConLasFilasLeidas) {
    for (const bool truncar : {true, false}) {
        SCOPED_TRACE(truncar ? "truncado" : "agrandado");
        EscribirArchivo(ruta(), Filas("A", 60000));
        abrir();
        RecordsetPtr rs = c_.abrirRecordset(kSql);
        QFile f(ruta());
        if (truncar) {
            ASSERT_TRUE(f.resize(f.size() / 2));
        } else {
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write("E,NUEVA\n");
            f.close();
        }
        int filas = 0;
        const QString falla = leerHastaElFinal(rs, filas);
        EXPECT_TRUE(falla.contains(QStringLiteral("cambió mientras se leía")) && falla.contains(ruta()))
            << qPrintable(falla);
        EXPECT_TRUE(falla.contains(
            QStringLiteral("después de leer %1")
                .arg(Regional::Cantidad(filas, QStringLiteral("fila"), QStringLiteral("filas")))))
            << filas << qPrintable(falla);
        rs->Close();
        c_.Close();
    }
}

TEST_F(TextoCambiante, ElExamenDecideSoloParaElArchivoExaminado) {
    // ASCII al principio y una letra de Windows-1252 al final: el examen decide 1252.
    EscribirArchivo(ruta(), Filas("A", 30000) +
                                "E,G\xfc"
                                "emes\n");
    abrir();
    c_.examinarTabla(QStringLiteral("datos#csv"));
    {
        RecordsetPtr rs = c_.abrirRecordset(kSql);
        QString ultima;
        for (; !rs->EOF_(); rs->MoveNext()) ultima = rs->Field(1).toString();
        EXPECT_EQ(ultima, QStringLiteral("Güemes"));
    }
    // Otro programa lo reescribe entre el examen y la lectura: la decisión ya no vale.
    EscribirArchivo(ruta(), Filas("B", 10));
    try {
        c_.abrirRecordset(kSql);
        ADD_FAILURE() << "leyó con la decisión de otro archivo";
    } catch (const ErrorEjecucion& e) {
        EXPECT_TRUE(e.descripcion().contains(QStringLiteral("cambió mientras se leía")))
            << qPrintable(e.descripcion());
    }
}
