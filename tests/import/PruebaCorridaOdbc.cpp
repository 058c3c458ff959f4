#include "comun/SqliteComoServidor.h"
#include "data/LiteralSql.h"
#include "import/Rechazos.h"
#include "import/VentanaDePrueba.h"

// La importación con la base de la suite en un servidor, por el administrador de controladores
// ODBC real: el controlador SQLite3 hace de servidor (no hay un SQL Server aquí). Las filas
// cambiadas son las que el motor informa, así que las series guardadas se cuentan.

namespace {

class CorridaOdbc : public VentanaDePrueba {
  protected:
    SqliteComoServidor servidor_;  // antes de abrir la conexión
    void SetUp() override {
        VentanaDePrueba::SetUp();
        ASSERT_NO_FATAL_FAILURE(conectarServidorOdbc());
        sql("PRAGMA synchronous=OFF");
    }
    void TearDown() override {
        LiteralesUnicode(false);
        VentanaDePrueba::TearDown();
    }
    void importar(const QByteArray& csv) {
        buscar(archivo("datos.csv", csv));
        mensajes_->olvidar();
        ventana_->cmdImportar_Click();
    }
    QStringList transmisiones() {
        return filas(
            "SELECT TIPO, Transmision, Responsable_envio FROM MV_TRANSMISIONES ORDER BY Transmision");
    }
};

QByteArray Csv(int desde, int hasta) {
    QByteArray csv = "eca1,serie,modelo,otro,activacion\n";
    for (int i = desde; i <= hasta; ++i) csv += "E,S" + QByteArray::number(i) + ",M,x,A\n";
    return csv;
}

}  // namespace

TEST_F(CorridaOdbc, ReimportarCuentaLasSeriesGuardadasYNoDejaUnaTransmisionVacia) {
    importar(Csv(1, 3) + "E,s2,M,x,A\n");
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_EQ(ventana_->resumen().insertadas, 3);
    EXPECT_EQ(ventana_->resumen().repetidasEnArchivo, 1);  // "s2" es la misma serie que "S2"
    EXPECT_EQ(ventana_->resumen().yaGuardadas, 0);
    EXPECT_EQ(transmisiones(), QStringList{"S|1|operador"});

    importar(Csv(1, 3));
    EXPECT_EQ(modelo_->lblEstado(), "Importación finalizada");
    EXPECT_EQ(ventana_->resumen().insertadas, 0);
    EXPECT_EQ(ventana_->resumen().yaGuardadas, 3);
    EXPECT_EQ(transmisiones(), QStringList{"S|1|operador"});  // la segunda no agregó nada: no queda
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"3"});
}

// Un archivo de 1.200 filas con 301 series ya guardadas por otra transmisión en medio: por este
// controlador va una sentencia por fila, y cada fila cuenta una vez, agregada o ya guardada,
// según la cuenta que da el motor; cada transmisión queda con las suyas.
TEST_F(CorridaOdbc, SeriesYaGuardadasEnMedioDeUnArchivoGrandeCuentanUnaVezCadaFila) {
    importar(Csv(400, 700));
    importar(Csv(1, 1200));
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_EQ(ventana_->resumen().insertadas, 1200 - 301);
    EXPECT_EQ(ventana_->resumen().yaGuardadas, 301);
    EXPECT_EQ(transmisiones(), (QStringList{"S|1|operador", "S|2|operador"}));
    EXPECT_EQ(filas("SELECT nroTransmision, count(*) FROM AUX_GARANTIA GROUP BY nroTransmision ORDER BY 1"),
              (QStringList{"1|301", "2|899"}));
}

// Con la base en un servidor, la prueba pregunta por las series de a muchas por consulta (una ida
// y vuelta por fila costaría más que importar) y las respuestas llegan tarde: lo que dice, fila por
// fila y en el orden del archivo, es lo que después hace la importación de verdad. El archivo pasa
// varias consultas y termina a media consulta; trae series guardadas por otra transmisión, series
// repetidas en el archivo (también a través de consultas) y una repetida de una guardada.
TEST_F(CorridaOdbc, LaPruebaPreguntaDeAMuchasYDiceLoMismoQueLaImportacion) {
    importar(Csv(400, 700));
    const QByteArray csv = Csv(1, 1000) +
                           "E,S5,M,x,A\n"    // repetida de la fila 5
                           "E,s999,M,x,A\n"  // repetida de la fila 999 (la base no distingue mayúsculas)
                           "E,S450,M,x,A\n"  // guardada antes, otra vez
                           ",,M,x,A\n"       // sin serie
                           "E,NUEVA,M,x,A\n"
                           "E,nueva,M,x,A\n";  // repetida de la anterior, en la misma consulta
    const char* cuentas = "SELECT count(*) FROM AUX_GARANTIA UNION ALL SELECT count(*) FROM MV_TRANSMISIONES";
    const QStringList antes = filas(cuentas);

    ventana_->setPrueba(true);
    importar(csv);
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_EQ(filas(cuentas), antes);
    const ResumenImportacion prueba = ventana_->resumen();
    EXPECT_EQ(prueba.insertadas, 1000 - 301 + 1);
    EXPECT_EQ(prueba.yaGuardadas + prueba.repetidasEnArchivo, 301 + 4);
    EXPECT_EQ(prueba.sinSerie, 1);
    const QStringList dichas = rechazos();
    ASSERT_EQ(dichas.size(), 301 + 4 + 1);
    EXPECT_EQ(dichas[0], "E|S400|M|x|A|serie ya guardada|transmisión 1|400");
    EXPECT_EQ(dichas.mid(301),
              (QStringList{"E|S5|M|x|A|repetida en el archivo|fila 5|1001",
                           "E|s999|M|x|A|repetida en el archivo|fila 999|1002",
                           "E|S450|M|x|A|serie ya guardada|transmisión 1|1003", "||M|x|A|sin serie||1004",
                           "E|nueva|M|x|A|repetida en el archivo|fila 1005|1006"}));

    ventana_->setPrueba(false);
    importar(csv);
    const ResumenImportacion real = ventana_->resumen();
    EXPECT_EQ(real.insertadas, prueba.insertadas);
    EXPECT_EQ(real.yaGuardadas, prueba.yaGuardadas);
    EXPECT_EQ(real.sinSerie, prueba.sinSerie);
    EXPECT_EQ(rechazos(), dichas);
}

// Si la consulta de la prueba falla, las filas que esperaban su respuesta no se pierden ni se
// cuentan como que se agregarían: quedan como no agregadas con la falla de la base, sea cual sea la
// respuesta del operador (repetir sigue con las filas que faltan: al final, ninguna).
TEST_F(CorridaOdbc, LaPruebaQueNoPuedePreguntarDejaLasFilasConLaFalla) {
    sql("ALTER TABLE AUX_GARANTIA RENAME TO OTRA");
    const struct {
        const char* caso;
        std::vector<int> respuestas;
    } casos[] = {{"abortar", {RespuestaMensaje::Abortar}},
                 {"omitir", {RespuestaMensaje::Omitir}},
                 {"reintentar", {RespuestaMensaje::Reintentar}}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caso);
        ventana_->setPrueba(true);
        buscar(archivo("datos.csv", Csv(1, 3)));
        mensajes_->olvidar();
        for (const int r : c.respuestas) mensajes_->responder(r);
        ventana_->cmdImportar_Click();
        EXPECT_EQ(mensajes_->cuadros().size(), c.respuestas.size());
        EXPECT_EQ(ventana_->resumen().insertadas, 0);
        const QStringList dichas = rechazos();
        ASSERT_EQ(dichas.size(), 3) << qPrintable(dichas.join("\n"));
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(dichas[i].startsWith(QStringLiteral("E|S%1|M|x|A|falló|").arg(i + 1)))
                << qPrintable(dichas[i]);
            EXPECT_TRUE(dichas[i].contains("AUX_GARANTIA")) << qPrintable(dichas[i]);
        }
    }
}

// Una transmisión grande vista a medias no deja un cursor abierto: volver a "Consultar" lee la
// lista sin que el controlador pase el resto de sus filas a memoria, y la grilla sigue leyendo.
TEST_F(CorridaOdbc, VolverAConsultarConUnaTransmisionVistaAMedias) {
    importar(Csv(1, 1500));
    ventana_->SSTab1_Click(1);
    modelo_->MSFlexGrid1.Row = 1;
    ventana_->MSFlexGrid1_Click();
    ModeloGrilla& g = modelo_->MSFlexGrid3;
    ASSERT_EQ(g.Rows(), 1502);
    const QString primera = g.TextMatrix(1, 2);
    ventana_->SSTab1_Click(1);
    EXPECT_EQ(modelo_->MSFlexGrid1.TextMatrix(1, 1), "1");
    EXPECT_EQ(g.TextMatrix(1, 2), primera);
    EXPECT_FALSE(g.TextMatrix(1500, 2).isEmpty());
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
}

// Las filas no importadas salen en el orden del archivo aunque lo que pasó con cada una se sepa
// al mandar su lote: sin serie, ya guardadas (también repetidas dentro del lote) y la que falla.
TEST_F(CorridaOdbc, LasFilasNoImportadasQuedanEnElOrdenDelArchivo) {
    sql("CREATE TRIGGER rechazo BEFORE INSERT ON AUX_GARANTIA WHEN NEW.modelo = 'MALO' BEGIN SELECT "
        "RAISE(ABORT, 'modelo "
        "rechazado'); END");
    importar(Csv(5, 5));
    QByteArray csv = Csv(1, 650);
    csv += "E,,M,x,A\nE,S7,M,x,A\nE,S652,MALO,x,A\nE,S653,M,x,A\n";
    csv.replace("E,S3,M,x,A\n", "E,,M,x,A\n");
    csv.replace("E,S9,M,x,A\n", "E,s8,M,x,A\n");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    importar(csv);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("modelo rechazado"));
    QStringList vistos;
    ventana_->rechazos().recorrer([&](std::vector<Rechazo>& tramo) {
        for (const Rechazo& r : tramo)
            vistos << QString::number(r.fila) + '|' + TextoMotivo(r.motivo) + '|' + r.serie();
    });
    EXPECT_EQ(vistos, (QStringList{"3|sin serie|", "5|serie ya guardada|S5", "9|repetida en el archivo|s8",
                                   "651|sin serie|", "652|repetida en el archivo|S7", "653|falló|S652"}));
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA WHERE nroTransmision = 2"), QStringList{"647"});
}
