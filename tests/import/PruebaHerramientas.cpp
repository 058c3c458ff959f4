// Las herramientas del operador sobre una base hecha en la prueba: buscar una serie, las filas
// que una corrida no agregó, la prueba que no escribe y el aviso de títulos en otro orden.
#include "data/SeriesGuardadas.h"
#include "import/ArchivoRechazos.h"
#include "import/OrdenCampos.h"
#include "import/VentanaDePrueba.h"
#include "platform/Cp1252.h"

namespace {

const QByteArray kCabecera = "eca1;serie;modelo;otro;activacion\n";

class Herramientas : public VentanaDePrueba {
  protected:
    void importar(const QString& nombre, const QByteArray& csv, bool prueba = false) {
        buscar(archivo(nombre, csv));
        mensajes_->olvidar();
        ventana_->setPrueba(prueba);
        ventana_->cmdImportar_Click();
    }
    void transmision(int numero, const char* fecha, const char* hora, const char* usuario) {
        sql(QStringLiteral(
                "INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha,Hora,Responsable_envio,Anulado) VALUES "
                "('S',%1,'%2','%3','%4',0)")
                .arg(numero)
                .arg(fecha, hora, usuario));
    }
    void garantia(const QString& serie, int numero, const char* eca1 = "E", const char* modelo = "M",
                  const char* activacion = "A") {
        sql(QStringLiteral("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) VALUES "
                           "(%1,%2,%3,%4,%5)")
                .arg(Componentes::Datos().FormatearValor(modelo, "'"),
                     Componentes::Datos().FormatearValor(serie, "'"))
                .arg(numero)
                .arg(Componentes::Datos().FormatearValor(eca1, "'"),
                     Componentes::Datos().FormatearValor(activacion, "'")));
    }
    QStringList tablasDeLaSuite() {
        return filas(
                   "SELECT modelo, serie, nroTransmision, eca1, activacion FROM AUX_GARANTIA ORDER BY "
                   "rowid") +
               QStringList{"--"} +
               filas(
                   "SELECT TIPO, Transmision, Fecha, Hora, Responsable_envio FROM MV_TRANSMISIONES ORDER BY "
                   "Transmision");
    }
};

}  // namespace

TEST_F(Herramientas, BuscarSerieComparaComoLaBaseYNuncaComoPatron) {
    transmision(4, "02/03/2026", "10:15", "ana");
    garantia("ABC-001", 4, "Sucursal 1", "TV", "01/03/2026");
    garantia("ÑANDÚ-7", 4);
    garantia("100%_A", 4);
    garantia("O'BRIEN", 4);
    garantia("sin registro", 9);  // su transmisión se borró
    struct Caso {
        const char* pedida;
        const char* encontrada;  // vacío: no está
    };
    const Caso casos[] = {
        {"ABC-001", "ABC-001|4|02/03/2026|10:15|ana|Sucursal 1|TV|01/03/2026"},
        {"abc-001", "ABC-001|4|02/03/2026|10:15|ana|Sucursal 1|TV|01/03/2026"},
        {"ABC-001   ", "ABC-001|4|02/03/2026|10:15|ana|Sucursal 1|TV|01/03/2026"},
        {"  ABC-001", ""},  // los blancos del principio cuentan, como en la base
        {"ABC-00", ""},
        {"ñandú-7", "ÑANDÚ-7|4|02/03/2026|10:15|ana|E|M|A"},
        {"ñandu-7", ""},  // los acentos cuentan
        {"100%_a", "100%_A|4|02/03/2026|10:15|ana|E|M|A"},
        {"100%", ""},
        {"1_0%_A", ""},
        {"%", ""},
        {"_", ""},
        {"ABC%", ""},
        {"o'brien", "O'BRIEN|4|02/03/2026|10:15|ana|E|M|A"},
        {"' OR '1'='1", ""},
        {"\"ABC-001\"", ""},
        {"SIN REGISTRO", "sin registro|9||||E|M|A"},
    };
    QStringList pedidas;
    for (const Caso& c : casos) pedidas << QString::fromUtf8(c.pedida);
    const auto encontradas = BuscarSeries(Componentes::Datos(), pedidas);
    ASSERT_EQ(encontradas.size(), std::size(casos));
    for (std::size_t i = 0; i < std::size(casos); ++i) {
        SCOPED_TRACE(casos[i].pedida);
        QStringList lineas;
        for (const GarantiaGuardada& g : encontradas[i])
            lineas << QStringList{g.serie,   g.transmision, g.fecha,  g.hora,
                                  g.usuario, g.eca1,        g.modelo, g.activacion}
                          .join('|');
        EXPECT_EQ(lineas,
                  *casos[i].encontrada ? QStringList{QString::fromUtf8(casos[i].encontrada)} : QStringList{});
    }
}

TEST_F(Herramientas, BuscarMuchasSeriesRespetaElOrdenPedido) {
    // Más series que las de una consulta: cada respuesta queda en su lugar, también las repetidas.
    sql("BEGIN");
    for (int i = 0; i < 1000; i += 3) garantia(QStringLiteral("S%1").arg(i), i);
    sql("COMMIT");
    QStringList pedidas;
    for (int i = 999; i >= 0; --i) pedidas << QStringLiteral("s%1").arg(i);
    pedidas << "S3"
            << "S3";
    const auto encontradas = BuscarSeries(Componentes::Datos(), pedidas);
    ASSERT_EQ(encontradas.size(), 1002u);
    for (int k = 0; k < 1000; ++k) {
        const int i = 999 - k;
        ASSERT_EQ(encontradas[k].size(), i % 3 == 0 ? 1u : 0u) << i;
        if (i % 3 == 0) {
            EXPECT_EQ(encontradas[k][0].transmision, QString::number(i));
        }
    }
    EXPECT_EQ(encontradas[1000][0].serie, "S3");
    EXPECT_EQ(encontradas[1001][0].serie, "S3");
}

TEST_F(Herramientas, LasFilasNoAgregadasQuedanEnOrdenConSuMotivo) {
    transmision(5, "01/01/2026", "09:00", "x");
    garantia("VIEJA", 5);
    sql("CREATE TRIGGER rechazo BEFORE INSERT ON AUX_GARANTIA WHEN NEW.modelo = 'MALO' BEGIN SELECT "
        "RAISE(ABORT, 'modelo rechazado'); END");
    mensajes_->responder(RespuestaMensaje::Aceptar);
    importar("datos.csv", kCabecera +
                              "E1;NUEVA;M1;x;A1\n"
                              "E2;vieja ;M2;x;A2\n"
                              "E3;;M3;x;A3\n"
                              "E4;NUEVA;M4;x;A4\n"
                              "E5;   ;M5;x;A5\n"
                              "\"E;6\";OTRA;MALO;x;A6\n"
                              "E7;ULTIMA;M7;x;A7\n");
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);  // la fila que falló detiene la corrida
    EXPECT_EQ(rechazos(), (QStringList{
                              "E2|vieja |M2|x|A2|serie ya guardada|transmisión 5|2",
                              "E3||M3|x|A3|sin serie||3",
                              "E4|NUEVA|M4|x|A4|repetida en el archivo|fila 1|4",
                              "E5|   |M5|x|A5|sin serie||5",
                              "E;6|OTRA|MALO|x|A6|falló|" + modelo_->lblEstado() + "|6",
                          }));
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("modelo rechazado"));
    EXPECT_EQ(ventana_->rechazos().cantidad(MotivoRechazo::SerieGuardada), 1);
    EXPECT_EQ(ventana_->rechazos().cantidad(MotivoRechazo::RepetidaEnArchivo), 1);
    EXPECT_EQ(ventana_->rechazos().cantidad(MotivoRechazo::SinSerie), 2);
    EXPECT_EQ(ventana_->rechazos().cantidad(MotivoRechazo::Fallo), 1);

    // El csv: los campos del archivo, después motivo, detalle y fila; en Windows-1252 o en UTF-8.
    const QString esperado = QStringLiteral(
        "eca1;serie;modelo;otro;activacion;motivo;detalle;fila\r\n"
        "E2;vieja ;M2;x;A2;serie ya guardada;transmisión 5;2\r\n"
        "E3;;M3;x;A3;sin serie;;3\r\n"
        "E4;NUEVA;M4;x;A4;repetida en el archivo;fila 1;4\r\n"
        "E5;   ;M5;x;A5;sin serie;;5\r\n"
        "\"E;6\";OTRA;MALO;x;A6;falló;");
    for (auto codificacion :
         {ArchivoRechazos::Codificacion::Windows1252, ArchivoRechazos::Codificacion::Utf8}) {
        const QString ruta = dir_.filePath("rechazos.csv");
        ArchivoRechazos archivo(ruta, codificacion);
        archivo.escribir(ventana_->rechazos(),
                         [](std::vector<Rechazo>& t) { CompletarTransmisiones(t, Componentes::Datos()); });
        const QByteArray bytes = LeerArchivo(ruta);
        const QString texto = codificacion == ArchivoRechazos::Codificacion::Utf8
                                  ? QString::fromUtf8(bytes)
                                  : Cp1252::Decodificar(bytes);
        EXPECT_TRUE(texto.startsWith(esperado)) << qPrintable(texto);
        EXPECT_TRUE(texto.endsWith(";6\r\n")) << qPrintable(texto);
        EXPECT_EQ(bytes.contains("transmisi\xf3n 5"),
                  codificacion == ArchivoRechazos::Codificacion::Windows1252);
        EXPECT_EQ(bytes.contains("transmisi\xc3\xb3n 5"),
                  codificacion == ArchivoRechazos::Codificacion::Utf8);
    }
}

TEST_F(Herramientas, ElArchivoDeRechazosFallaAntesSiNoSePuedeEscribir) {
    struct Caso {
        QString ruta;
    };
    const QString carpeta = dir_.filePath("solo_lectura");
    QDir().mkpath(carpeta);
    QFile::setPermissions(carpeta, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString rutas[] = {dir_.filePath("no/existe/r.csv"), dir_.path(), carpeta + "/r.csv"};
    for (const QString& ruta : rutas) {
        if (ruta.startsWith(carpeta) && QFileInfo(carpeta).isWritable()) continue;  // root escribe igual
        EXPECT_THROW(ArchivoRechazos(ruta, ArchivoRechazos::Codificacion::Windows1252), ErrorEjecucion)
            << qPrintable(ruta);
    }
    QFile::setPermissions(carpeta, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(RechazosEnDisco, PasadoElTopeSiguenEnOrden) {
    Rechazos r(3);
    r.limpiar({"a", "b"});
    for (int i = 1; i <= 11; ++i)
        r.agregar({i,
                   {QStringLiteral("c%1").arg(i), QStringLiteral("s;\"%1\"\n").arg(i)},
                   i % 2 ? MotivoRechazo::SinSerie : MotivoRechazo::Fallo,
                   QStringLiteral("d%1").arg(i)});
    for (qsizetype tramo : {1, 4, 500}) {
        QStringList vistos;
        std::vector<std::size_t> tamanos;
        r.recorrer(
            [&](std::vector<Rechazo>& t) {
                tamanos.push_back(t.size());
                for (const Rechazo& x : t)
                    vistos << QStringLiteral("%1 %2 %3 %4")
                                  .arg(x.fila)
                                  .arg(x.campos.join(','))
                                  .arg(TextoMotivo(x.motivo), x.detalle);
            },
            tramo);
        ASSERT_EQ(vistos.size(), 11) << tramo;
        for (int i = 1; i <= 11; ++i)
            EXPECT_EQ(vistos[i - 1],
                      QStringLiteral("%1 c%1,s;\"%1\"\n %2 d%1").arg(i).arg(i % 2 ? "sin serie" : "falló"));
        for (std::size_t k = 0; k + 1 < tamanos.size(); ++k)
            EXPECT_EQ(tamanos[k], static_cast<std::size_t>(tramo));
    }
    r.agregar(
        {12, {"x"}, MotivoRechazo::SerieGuardada, {}});  // después de recorrer se puede seguir agregando
    EXPECT_EQ(r.cantidad(), 12);
    qint64 ultima = 0;
    r.recorrer([&](std::vector<Rechazo>& t) { ultima = t.back().fila; });
    EXPECT_EQ(ultima, 12);
}

TEST_F(Herramientas, LaPruebaNoEscribeYCuentaLoMismoQueLaImportacion) {
    transmision(5, "01/01/2026", "09:00", "x");
    garantia("VIEJA", 5);
    const QByteArray csv = kCabecera +
                           "E1;NUEVA;M1;x;A1\n"
                           "E2;vieja  ;M2;x;A2\n"
                           "E3;;M3;x;A3\n"
                           "E4;nueva;M4;x;A4\n"
                           "E5;OTRA;M5;x;A5\n"
                           "E6;O'Brien 100%;M6;x;A6\n"
                           // Para la base son dos series: la prueba compara con la misma regla.
                           "E7;ŞA;M7;x;A7\n"
                           "E8;şa ;M8;x;A8\n"
                           "E9;Ñandú;M9;x;A9\n"
                           "E10;ñandú  ;M10;x;A10\n";
    const QStringList antes = tablasDeLaSuite();
    importar("datos.csv", csv, true);
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_EQ(tablasDeLaSuite(), antes);
    EXPECT_EQ(modelo_->lblEstado(), "Prueba finalizada");
    const ResumenImportacion prueba = ventana_->resumen();
    EXPECT_TRUE(prueba.terminada);
    EXPECT_EQ(prueba.texto(),
              "Prueba sin escribir: 6 filas que se agregarían, 1 series ya guardadas, 1 filas sin serie, 2 "
              "repetidas en el archivo.");
    // Una serie repetida en el archivo dice la fila que la trajo primero, igual que al importar.
    const QStringList noAgregadas{"E2|vieja  |M2|x|A2|serie ya guardada|transmisión 5|2",
                                  "E3||M3|x|A3|sin serie||3",
                                  "E4|nueva|M4|x|A4|repetida en el archivo|fila 1|4",
                                  "E10|ñandú  |M10|x|A10|repetida en el archivo|fila 9|10"};
    EXPECT_EQ(rechazos(), noAgregadas);

    // Una segunda prueba empieza de cero; la importación de verdad da las mismas cuentas.
    ventana_->cmdImportar_Click();
    EXPECT_EQ(ventana_->resumen().insertadas, 6);
    EXPECT_EQ(tablasDeLaSuite(), antes);
    ventana_->setPrueba(false);
    ventana_->cmdImportar_Click();
    const ResumenImportacion real = ventana_->resumen();
    EXPECT_EQ(real.texto(),
              "Transmisión 6: 6 filas agregadas, 1 series ya guardadas, 1 filas sin serie, 2 repetidas en el "
              "archivo.");
    EXPECT_EQ(real.textoParaLeer(),
              "Transmisión 6: 6 filas agregadas, 1 serie ya guardada, 1 fila sin serie, 2 repetidas en el "
              "archivo.");
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"7"});
    EXPECT_EQ(rechazos(), noAgregadas);
}

TEST(OrdenDeCampos, AvisaCuandoLosTitulosParecenDeOtroOrden) {
    struct Caso {
        QStringList nombres;
        const char* avisa;  // vacío: nada que decir; si no, un trozo del aviso
    };
    const Caso casos[] = {
        {{"eca1", "serie", "modelo", "factura", "activacion"}, ""},
        {{"ECA1", "Nro. de Serie", "MODELO", "x", "Activación"}, ""},
        {{"F1", "F2", "F3", "F4", "F5"}, ""},
        {{"punto", "codigo", "articulo"}, ""},
        {{"SERIE", "ECA1", "modelo", "x", "activacion"},
         "la columna 1, \"SERIE\", se toma como eca1; la columna 2, \"ECA1\", se toma como serie"},
        {{"eca1", "modelo", "serie", "x", "activacion"}, "la columna 2, \"modelo\", se toma como serie"},
        {{"eca1", "serie", "modelo", "Fecha de activación"},
         "la columna 4, \"Fecha de activación\", no se usa"},
        {{"eca1", "serie", "modelo", "x", "y", "Serial"}, "la columna 6, \"Serial\", no se usa"},
    };
    for (const Caso& c : casos) {
        const QString aviso = AvisoOrdenCampos(c.nombres);
        if (!*c.avisa) {
            EXPECT_TRUE(aviso.isEmpty()) << qPrintable(c.nombres.join(',')) << ": " << qPrintable(aviso);
        } else {
            EXPECT_TRUE(aviso.contains(QString::fromUtf8(c.avisa))) << qPrintable(aviso);
        }
    }
}

// Unos títulos en otro orden no dejan guardar nada antes de que el operador elija: por sus títulos,
// por posición o nada; la prueba y las filas no agregadas siguen la misma elección.
TEST_F(Herramientas, TitulosEnOtroOrdenSeTomanComoElOperadorElige) {
    const QByteArray desordenado = "serie;eca1;modelo;factura;activacion\n";
    struct Caso {
        const char* nombre;
        QByteArray cabecera;
        bool prueba;
        std::vector<int> respuestas;  // lo que contesta a la pregunta; vacío: no se pregunta
        QStringList guardado;         // eca1|serie|modelo|activacion
        const char* resumen;          // un trozo del resumen (vacío: no terminó)
        QStringList rechazos;         // campos|motivo|detalle|fila
    };
    const Caso casos[] = {
        {"por sus títulos",
         desordenado,
         false,
         {RespuestaMensaje::Si},
         {"E1|S1|M1|A1"},
         "los campos se toman por sus títulos: eca1 de la columna 2 (\"eca1\"), serie de la columna 1 "
         "(\"serie\"), modelo de la columna 3 (\"modelo\"), activación de la columna 5 (\"activacion\").",
         {"|E2|M2|f|A2|sin serie||2"}},
        {"por posición",
         desordenado,
         false,
         {RespuestaMensaje::No},
         {"S1|E1|M1|A1", "|E2|M2|A2"},
         "Aviso: los campos se toman por posición",
         {}},
        {"cancelar", desordenado, false, {RespuestaMensaje::Cancelar}, {}, "", {}},
        {"la prueba por sus títulos",
         desordenado,
         true,
         {RespuestaMensaje::Si},
         {},
         "1 filas que se agregarían, 0 series ya guardadas, 1 filas sin serie. Aviso: los campos se toman "
         "por sus títulos",
         {"|E2|M2|f|A2|sin serie||2"}},
        {"la prueba cancelada", desordenado, true, {RespuestaMensaje::Cancelar}, {}, "", {}},
        {"títulos en su lugar", kCabecera, false, {}, {"S1|E1|M1|A1", "|E2|M2|A2"}, "", {}},
        {"títulos que no nombran nada", "a;b;c;d;e\n", false, {}, {"S1|E1|M1|A1", "|E2|M2|A2"}, "", {}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        sql("DELETE FROM AUX_GARANTIA");
        sql("DELETE FROM MV_TRANSMISIONES");
        sql("DELETE FROM GARANTIAS_CORRIDAS");
        buscar(archivo(QString("%1.csv").arg(c.nombre), c.cabecera + "S1;E1;M1;x;A1\n;E2;M2;f;A2\n"));
        // La vista previa ya dice el aviso entero y qué columna iría a cada campo.
        EXPECT_EQ(modelo_->lblResumen().startsWith("Aviso: los campos se toman por posición"),
                  !c.respuestas.empty())
            << qPrintable(modelo_->lblResumen());
        if (!c.respuestas.empty())
            EXPECT_TRUE(modelo_->lblResumen().contains("serie de la columna 1 (\"serie\")"));
        mensajes_->olvidar();
        for (int r : c.respuestas) mensajes_->responder(r);
        ventana_->setPrueba(c.prueba);
        ventana_->cmdImportar_Click();
        ventana_->setPrueba(false);
        EXPECT_EQ(mensajes_->cuadros().size(), c.respuestas.size())
            << qPrintable(mensajes_->textos().join("\n"));
        if (!c.respuestas.empty()) {
            EXPECT_TRUE(
                mensajes_->cuadros()[0].texto.contains("Sí: tomar los campos por sus títulos (eca1 de la "
                                                       "columna 2"))
                << qPrintable(mensajes_->cuadros()[0].texto);
        }
        EXPECT_EQ(filas("SELECT eca1, serie, modelo, activacion FROM AUX_GARANTIA ORDER BY rowid"),
                  c.guardado);
        const ResumenImportacion r = ventana_->resumen();
        EXPECT_EQ(filas("SELECT count(*) FROM MV_TRANSMISIONES"),
                  QStringList{c.guardado.isEmpty() ? "0" : "1"});
        if (*c.resumen) {
            EXPECT_TRUE(r.terminada);
            EXPECT_TRUE(r.texto().contains(QString::fromUtf8(c.resumen))) << qPrintable(r.texto());
        } else if (c.respuestas.empty()) {
            EXPECT_TRUE(r.avisoCampos.isEmpty()) << qPrintable(r.avisoCampos);
        } else {
            EXPECT_TRUE(r.ordenSinDecidir);
            EXPECT_FALSE(r.terminada);
        }
        if (!c.rechazos.isEmpty()) EXPECT_EQ(rechazos(), c.rechazos);
    }
}

TEST(OrdenDeCampos, ColumnasPorSusTitulos) {
    struct Caso {
        QStringList nombres;
        ColumnasCampos columnas;
    };
    const Caso casos[] = {
        {{"serie", "eca1", "modelo", "x", "activacion"}, {1, 0, 2, 4}},
        // activación en la cuarta: la quinta no es de nadie
        {{"eca1", "serie", "modelo", "Fecha de activación"}, {0, 1, 2, 3}},
        // dos la nombran: la de su lugar
        {{"eca1", "serie", "modelo", "x", "y", "Serial"}, {0, 1, 2, 4}},
        // la serie en el lugar de eca1, que nadie nombra: eca1 de ninguna
        {{"serie", "x", "modelo", "y", "activacion"}, {-1, 0, 2, 4}},
        {{"modelo", "serie"}, {-1, 1, 0, -1}},
    };
    for (const Caso& c : casos) {
        const ColumnasCampos col = ColumnasPorNombre(c.nombres);
        EXPECT_EQ(col, c.columnas) << qPrintable(c.nombres.join(',')) << ": " << col.eca1 << ',' << col.serie
                                   << ',' << col.modelo << ',' << col.activacion;
    }
}

TEST_F(Herramientas, UnaFilaQueFallaYSeSaltaOSeAbandonaQuedaAnotada) {
    // Un origen de tres campos: leer el quinto falla en cada fila y va a ManejarError.
    struct Caso {
        const char* nombre;
        std::vector<int> respuestas;  // 3 abortar, 4 reintentar, 5 omitir
        QStringList rechazos;         // "fila|motivo"
    };
    const Caso casos[] = {
        {"omitir cada fila", {5, 5}, {"1|falló", "2|falló"}},
        {"reintentar y después abortar", {4, 3}, {"1|falló"}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        buscar(archivo("tres.csv", "a;serie;c\n1;S1;3\n2;S2;3\n"));
        mensajes_->olvidar();
        for (int r : c.respuestas) mensajes_->responder(r);
        ventana_->cmdImportar_Click();
        EXPECT_EQ(mensajes_->cuadros().size(), c.respuestas.size());
        QStringList vistos;
        ventana_->rechazos().recorrer([&](std::vector<Rechazo>& t) {
            for (const Rechazo& r : t) {
                vistos << QString::number(r.fila) + '|' + TextoMotivo(r.motivo);
                EXPECT_TRUE(r.detalle.contains("no tiene el campo 5")) << qPrintable(r.detalle);
                EXPECT_EQ(r.campos.size(), 3);
            }
        });
        EXPECT_EQ(vistos, c.rechazos);
        EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"0"});
    }
}

// Una serie guardada de antes sigue siendo "transmisión N" aunque se repita en el archivo; una que
// trajo el archivo es "repetida en el archivo" (fila N), no "ya guardada"; igual en la prueba y en
// la importación.
TEST_F(Herramientas, RepetidaEnElArchivoDiceLaFilaQueLaTrajoPrimero) {
    transmision(5, "01/01/2026", "09:00", "x");
    garantia("VIEJA", 5);
    const QByteArray csv = kCabecera +
                           "E1;VIEJA;M;x;A\n"
                           "E2;NUEVA;M;x;A\n"
                           "E3;vieja;M;x;A\n"
                           "E4;nueva  ;M;x;A\n"
                           "E5;NUEVA;M;x;A\n";
    const QStringList esperados{"E1|VIEJA|M|x|A|serie ya guardada|transmisión 5|1",
                                "E3|vieja|M|x|A|serie ya guardada|transmisión 5|3",
                                "E4|nueva  |M|x|A|repetida en el archivo|fila 2|4",
                                "E5|NUEVA|M|x|A|repetida en el archivo|fila 2|5"};
    for (const bool prueba : {true, false}) {
        SCOPED_TRACE(prueba ? "prueba" : "importación");
        importar("repetidas.csv", csv, prueba);
        EXPECT_EQ(rechazos(), esperados);
        EXPECT_EQ(ventana_->resumen().insertadas, 1);
        // Contadas aparte: las guardadas de antes y las que el archivo trajo dos veces.
        EXPECT_EQ(ventana_->resumen().yaGuardadas, 2);
        EXPECT_EQ(ventana_->resumen().repetidasEnArchivo, 2);
    }
}
