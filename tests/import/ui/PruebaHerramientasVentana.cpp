// Las herramientas de la ventana: "Detener", buscar series, filas no agregadas, importación de
// prueba y exportar una transmisión, con la ventana real sin pantalla sobre una base embebida.
#include <QBrush>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "ado/excel/LibrosDePrueba.h"
#include "comun/SuiteEmbebida.h"
#include "import/ui/FrmAuxGarantia.h"
#include "import/ui/HerramientasVentana.h"
#include "platform/Cp1252.h"
#include "platform/Detencion.h"

namespace {
class SelectorFijo : public SelectorArchivo {
  public:
    std::optional<QString> elegir(const QString&, const QString&) override { return std::nullopt; }
};

class Herramientas : public SuiteEmbebida {
  protected:
    void SetUp() override {
        SuiteEmbebida::SetUp();
        ventana_ = std::make_unique<FrmAuxGarantia>(std::make_unique<SelectorFijo>());
        ventana_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ventana_.get()));
        h_ = ventana_->herramientas();
        h_->elegirDestino = [this](QWidget*, const QString&, const QString&) { return destino_; };
    }
    void TearDown() override {
        ventana_.reset();
        SuiteEmbebida::TearDown();
    }
    // Deja elegido un csv de la carpeta temporal, como lo hace "Buscar >>>".
    void elegir(const QString& nombre, const QByteArray& contenido) {
        const QString ruta = dir_.filePath("prov/" + nombre);
        EscribirArchivo(ruta, contenido);
        ModeloVentana& m = ventana_->modelo();
        m.setCampo("Tabla", ruta);
        ventana_->procedimientos().ConectarProveedor(false);
        m.setCmbTablaTexto(QString(nombre).replace('.', '#'));
        ventana_->procedimientos().cmbTabla_Click();
    }
    static QByteArray Filas(int desde, int hasta) {
        QByteArray b = "eca1;serie;modelo;x;act\n";
        for (int i = desde; i <= hasta; ++i) b += "E;S" + QByteArray::number(i) + ";TV;;A\n";
        return b;
    }
    int cuenta(const char* tabla) {
        return filas(QStringLiteral("SELECT COUNT(*) FROM ") + tabla).value(0).toInt();
    }

    std::unique_ptr<FrmAuxGarantia> ventana_;
    HerramientasVentana* h_ = nullptr;
    std::optional<DestinoCsv> destino_;
    MensajesDePrueba mensajes_;
};

TEST_F(Herramientas, DetenerEnMedioConservaLoConfirmadoYVuelveAImportar) {
    elegir("mil.csv", Filas(1, 3000));
    QPushButton* boton = ventana_->cmdImportar;
    QString textoEnMedio;
    bool habilitadoEnMedio = false;
    // El operador pulsa "Detener" cuando pasó la fila 1000 (y otra vez enseguida).
    QObject::connect(&ventana_->modelo(), &ModeloVentana::progreso, boton, [&](qint64 hechas, qint64) {
        if (hechas != 1000) return;
        textoEnMedio = boton->text();
        habilitadoEnMedio = boton->isEnabled();
        boton->click();
        boton->click();
    });
    boton->click();
    EXPECT_EQ(textoEnMedio, "Detener");
    EXPECT_TRUE(habilitadoEnMedio);
    EXPECT_EQ(cuenta("AUX_GARANTIA"), 1000);
    EXPECT_EQ(filas("SELECT Transmision FROM MV_TRANSMISIONES"), QStringList{"1"});
    EXPECT_EQ(ventana_->modelo().lblEstado(), "Importación detenida");
    EXPECT_TRUE(ventana_->lblResumen->text().startsWith("Detenida. Transmisión 1: 1.000 filas agregadas"))
        << qPrintable(ventana_->lblResumen->text());
    EXPECT_EQ(boton->text(), "Importar");
    EXPECT_TRUE(boton->isEnabled());
    EXPECT_TRUE(ventana_->CmdBuscar->isEnabled());
    EXPECT_TRUE(h_->cmdVerFilas->isHidden());
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join(" / "));

    // Un clic más que llega justo después del fin (el doble clic en "Detener") no importa otra vez.
    boton->click();
    EXPECT_EQ(cuenta("AUX_GARANTIA"), 1000);

    // Después, "Importar" importa el resto (el archivo ya agregó filas: se pregunta, y se contesta
    // "Sí"); las ya guardadas quedan para "Ver filas no agregadas".
    QObject::disconnect(&ventana_->modelo(), &ModeloVentana::progreso, boton, nullptr);
    QTest::qWait(600);
    mensajes_->responder(RespuestaMensaje::Si);
    boton->click();
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("como transmisión 1 (1.000 filas agregadas)"));
    EXPECT_EQ(cuenta("AUX_GARANTIA"), 3000);
    EXPECT_EQ(filas("SELECT Transmision FROM MV_TRANSMISIONES ORDER BY 1"), (QStringList{"1", "2"}));
    EXPECT_EQ(ventana_->modelo().lblEstado(), "Importación finalizada");
    EXPECT_FALSE(h_->cmdVerFilas->isHidden());
}

// Un clic pensado para la corrida anterior no empieza otra: el segundo de un doble clic, y un
// "Detener" apretado al final que se suelta cuando la corrida ya terminó.
TEST_F(Herramientas, UnClicDeLaCorridaAnteriorNoEmpiezaOtra) {
    QPushButton* boton = ventana_->cmdImportar;
    struct Caso {
        const char* que;
        int filas;
        bool apretarAlFinal;  // apretar mientras corre la última fila, soltar después
        int msAntesDelSegundo;
    };
    const Caso casos[] = {
        {"doble clic", 200, false, 120},
        {"Detener justo al terminar", 300, true, 700},
    };
    int numero = 0;
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.que);
        elegir(QStringLiteral("f%1.csv").arg(c.filas),
               Filas(10000 * (numero + 1), 10000 * (numero + 1) + c.filas - 1));
        ++numero;
        QMetaObject::Connection apretar;
        if (c.apretarAlFinal) {
            apretar = QObject::connect(&ventana_->modelo(), &ModeloVentana::progreso, boton,
                                       [&](qint64 hechas, qint64) {
                                           if (hechas == c.filas) QTest::mousePress(boton, Qt::LeftButton);
                                       });
        }
        QTest::qWait(600);
        QTest::mouseClick(boton, Qt::LeftButton);
        QObject::disconnect(apretar);
        const QString resumen = ventana_->lblResumen->text();
        ASSERT_TRUE(
            resumen.startsWith(QStringLiteral("Transmisión %1: %2 filas agregadas").arg(numero).arg(c.filas)))
            << qPrintable(resumen);
        if (c.apretarAlFinal) {
            QTest::qWait(c.msAntesDelSegundo);
            QTest::mouseRelease(boton, Qt::LeftButton);
        } else {
            QTest::mouseClick(boton, Qt::LeftButton, {}, {}, c.msAntesDelSegundo);
        }
        EXPECT_EQ(ventana_->lblResumen->text(), resumen);
        EXPECT_EQ(filas("SELECT Transmision FROM MV_TRANSMISIONES ORDER BY 1").size(), numero);
    }
}
TEST_F(Herramientas, DetenerLaVistaPrevia) {
    elegir("veinte.csv", Filas(1, 40));
    int leidas = 0;
    QObject::connect(&ventana_->modelo(), &ModeloVentana::estadoCambiado, ventana_->cmdImportar, [&] {
        if (ventana_->modelo().lblEstado().startsWith("Leyendo") && ++leidas == 3)
            ventana_->cmdImportar->click();
    });
    ventana_->procedimientos().cmdCargarVistaPrevia_Click();
    EXPECT_LT(ventana_->modelo().MSFlexGrid2.Rows(), 10);
    EXPECT_EQ(ventana_->cmdImportar->text(), "Importar");
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join(" / "));
    EXPECT_EQ(cuenta("AUX_GARANTIA"), 0);
}

TEST_F(Herramientas, ProbarImportacionNoCambiaLasTablas) {
    elegir("a.csv", Filas(1, 5));
    h_->importarODetener();
    const QStringList antes =
        filas("SELECT * FROM AUX_GARANTIA ORDER BY serie") + filas("SELECT * FROM MV_TRANSMISIONES");
    elegir("b.csv", Filas(3, 9));
    h_->probarImportacion();
    EXPECT_EQ(filas("SELECT * FROM AUX_GARANTIA ORDER BY serie") + filas("SELECT * FROM MV_TRANSMISIONES"),
              antes);
    EXPECT_EQ(ventana_->lblResumen->text(),
              "Prueba sin escribir: 4 filas que se agregarían, 3 series ya guardadas, 0 filas sin serie.");
    EXPECT_FALSE(ventana_->procedimientos().prueba());  // la próxima importación escribe
    // La lista de la prueba dice por qué no agregaría cada fila.
    DialogoFilasNoAgregadas* d = h_->verFilasNoAgregadas();
    ASSERT_EQ(d->lista->rowCount(), 3);
    EXPECT_EQ(d->lista->item(0, 2)->text(), "serie ya guardada (transmisión 1)");
}

TEST_F(Herramientas, BuscarSerieEncontradasNoEncontradasYVerSuFila) {
    elegir("a.csv", Filas(1, 300));
    h_->importarODetener();
    elegir("b.csv", "eca1;serie;modelo;x;act\nE;Q-1;Radio;;A\n");
    h_->importarODetener();
    DialogoBuscarSerie* d = h_->buscarSerie();
    d->series->setPlainText("s250\n  zz9\tQ-1\tS250\r\n");  // pegadas de una planilla, una repetida
    d->buscar();
    ASSERT_EQ(d->respuesta->rowCount(), 3);
    const auto fila = [&](int f) {
        QStringList c;
        for (int i = 0; i < 3; ++i) c << d->respuesta->item(f, i)->text();
        return c.join('|');
    };
    EXPECT_TRUE(fila(0).startsWith("S250|1|")) << qPrintable(fila(0));
    EXPECT_EQ(fila(1), "zz9|no encontrada|");
    EXPECT_TRUE(fila(2).startsWith("Q-1|2|")) << qPrintable(fila(2));
    EXPECT_EQ(d->respuesta->item(0, 3)->text(), "operador");
    EXPECT_EQ(d->lblEstado->text(), "1 de 3 no encontradas.");

    d->respuesta->setCurrentCell(1, 0);
    EXPECT_FALSE(d->cmdVerFilas->isEnabled());
    d->respuesta->setCurrentCell(0, 0);  // S250: más allá del primer tramo de la grilla
    ASSERT_TRUE(d->cmdVerFilas->isEnabled());
    d->verFilas();
    EXPECT_EQ(ventana_->SSTab1->currentIndex(), 1);
    const QModelIndex actual = ventana_->MSFlexGrid3->currentIndex();
    EXPECT_EQ(ventana_->MSFlexGrid3->model()->index(actual.row(), 2).data().toString(), "S250");
    EXPECT_EQ(ventana_->modelo().MSFlexGrid1.TextMatrix(ventana_->MSFlexGrid1->currentIndex().row(), 1), "1");

    d->series->setPlainText(" \n ");
    d->buscar();
    EXPECT_EQ(d->respuesta->rowCount(), 0);
    EXPECT_EQ(d->lblEstado->text(), "Escriba o pegue al menos una serie.");
}

TEST_F(Herramientas, FilasNoAgregadasYSuCsv) {
    elegir("a.csv", Filas(1, 2));
    h_->importarODetener();
    EXPECT_TRUE(h_->cmdVerFilas->isHidden());
    elegir("b.csv", "eca1;serie;modelo;x;act\nE;S2;Año;;A\nE;;TV;;A\nE;S3;TV;;A\n");
    h_->importarODetener();
    ASSERT_FALSE(h_->cmdVerFilas->isHidden());
    EXPECT_EQ(h_->cmdVerFilas->text(), "Ver filas no agregadas");
    QTest::mouseClick(h_->cmdVerFilas, Qt::LeftButton);
    DialogoFilasNoAgregadas* d = h_->verFilasNoAgregadas();
    ASSERT_EQ(d->lista->rowCount(), 2);
    QStringList vistas;
    for (int f = 0; f < 2; ++f)
        vistas << d->lista->item(f, 0)->text() + '|' + d->lista->item(f, 1)->text() + '|' +
                      d->lista->item(f, 2)->text();
    EXPECT_EQ(vistas, (QStringList{"1|S2|serie ya guardada (transmisión 1)", "2||sin serie"}));
    EXPECT_EQ(d->lista->editTriggers(), QAbstractItemView::NoEditTriggers);

    const struct {
        ArchivoCsv::Codificacion codificacion;
        QByteArray anio;
    } casos[] = {{ArchivoCsv::Codificacion::Windows1252, "A\xf1o"},
                 {ArchivoCsv::Codificacion::Utf8, "A\xc3\xb1o"}};
    for (const auto& c : casos) {
        destino_ = DestinoCsv{dir_.filePath("rechazos.csv"), c.codificacion};
        d->guardar();
        EXPECT_EQ(LeerArchivo(destino_->ruta),
                  "eca1;serie;modelo;x;act;motivo;detalle;fila\r\nE;S2;" + c.anio +
                      ";;A;serie ya guardada;transmisi" +
                      (c.codificacion == ArchivoCsv::Codificacion::Utf8 ? QByteArray("\xc3\xb3")
                                                                        : QByteArray("\xf3")) +
                      "n 1;1\r\nE;;TV;;A;sin serie;;2\r\n");
    }
    // Cancelar el diálogo de archivo no escribe nada.
    QFile::remove(destino_->ruta);
    destino_.reset();
    d->guardar();
    EXPECT_FALSE(QFile::exists(dir_.filePath("rechazos.csv")));
}

TEST_F(Herramientas, ExportarLasFilasDeUnaTransmision) {
    elegir("a.csv", "eca1;serie;modelo;x;act\nE1;S1;Año;;X1\nE2;\"S;2\";TV;;\n");
    h_->importarODetener();
    elegir("b.csv", Filas(7, 7) + "E;;TV;;A\n");  // una fila sin serie: hay filas no agregadas
    h_->importarODetener();
    ASSERT_FALSE(h_->cmdVerFilas->isHidden());
    ventana_->SSTab1->setCurrentIndex(1);
    ModeloGrilla& lista = ventana_->modelo().MSFlexGrid1;
    auto mostrar = [&](const char* numero) {
        int fila = 1;
        while (lista.TextMatrix(fila, 1) != numero) ++fila;  // la más nueva primero
        lista.Row = fila;
        ventana_->procedimientos().MSFlexGrid1_Click();
    };
    mostrar("1");
    lista.Row = 0;  // otra fila de la lista, como la del último clic derecho: no cuenta
    QString nombrePropuesto;
    h_->elegirDestino = [&](QWidget*, const QString&, const QString& nombre) {
        nombrePropuesto = nombre;
        return destino_;
    };
    destino_ = DestinoCsv{dir_.filePath("t1.csv"), ArchivoCsv::Codificacion::Windows1252};
    h_->exportarFilas();
    EXPECT_EQ(nombrePropuesto, "transmision_1.csv");
    EXPECT_EQ(LeerArchivo(destino_->ruta),
              "eca1;serie;modelo;activacion\r\nE1;S1;A\xf1o;X1\r\nE2;\"S;2\";TV;\r\n");
    // "Ver filas no agregadas" de la última importación sigue ahí después de exportar.
    EXPECT_FALSE(h_->cmdVerFilas->isHidden());
    EXPECT_EQ(ventana_->modelo().lblEstadoTransmisiones(),
              "Transmisión 1: 2 filas exportadas a " + destino_->ruta);
    EXPECT_FALSE(ventana_->modelo().ocupado());

    // Una transmisión larga: "Detener" en el diálogo de avance la termina y no deja archivo a medias.
    elegir("c.csv", Filas(100, 3200));
    h_->importarODetener();
    ventana_->procedimientos().cargaTransmisiones();  // la lista, con la transmisión nueva
    mostrar("3");
    QObject::connect(&ventana_->modelo(), &ModeloVentana::estadoTransmisionesCambiado, h_, [this] {
        if (ventana_->modelo().lblEstadoTransmisiones().startsWith("Exportando")) Detencion::Pedir();
    });
    destino_ = DestinoCsv{dir_.filePath("t3.csv"), ArchivoCsv::Codificacion::Utf8};
    h_->exportarFilas();
    EXPECT_FALSE(QFile::exists(destino_->ruta));
    EXPECT_EQ(ventana_->modelo().lblEstadoTransmisiones(),
              "Exportación detenida: el archivo no se escribió.");
    EXPECT_FALSE(ventana_->modelo().ocupado());
    EXPECT_FALSE(Detencion::Pedida());
    QObject::disconnect(&ventana_->modelo(), &ModeloVentana::estadoTransmisionesCambiado, h_, nullptr);

    // Una carpeta que no existe: el operador ve el motivo y no queda archivo.
    mensajes_->responder(1);
    destino_ = DestinoCsv{dir_.filePath("no/existe/t1.csv"), ArchivoCsv::Codificacion::Utf8};
    mostrar("1");
    h_->exportarFilas();
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("no/existe/t1.csv"));
}
// "Anular transmisión…": dice qué borrará, con "No" nada cambia; con "Sí" la anula y la lista la
// muestra apagada, con su número.
TEST_F(Herramientas, AnularUnaTransmisionDesdeLaLista) {
    elegir("a.csv", Filas(1, 3));
    h_->importarODetener();
    sql("INSERT INTO GARANTIAS_CORRIDAS (Corrida, Transmision, Archivo, Resultado, Agregadas) "
        "VALUES ('c1', 1, 'a.csv', 'completa', 3)");
    ventana_->SSTab1->setCurrentIndex(1);
    ModeloGrilla& lista = ventana_->modelo().MSFlexGrid1;
    ASSERT_EQ(lista.TextMatrix(1, 1), "1");
    EXPECT_FALSE(lista.marcada(1));
    const QString pregunta = "Se borrarán las 3 filas de la transmisión 1 (archivo a.csv, " +
                             lista.TextMatrix(1, 3) + "). ¿Anular?";

    mensajes_->responder(RespuestaMensaje::No);
    EXPECT_FALSE(h_->anularTransmision(1));
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(mensajes_->cuadros()[0].texto, pregunta);
    EXPECT_EQ(mensajes_->cuadros()[0].estilo,
              Botones::SiNo | Botones::IconoPregunta | Botones::SegundoPorDefecto);  // "No" con Enter
    EXPECT_EQ(cuenta("AUX_GARANTIA"), 3);

    // Con sus filas a la vista: después de anular, la grilla y su línea ya la muestran anulada.
    lista.Row = 1;
    ventana_->procedimientos().MSFlexGrid1_Click();
    ASSERT_EQ(ventana_->modelo().MSFlexGrid3.Rows(), 5);  // títulos, 3 filas y la vacía
    ASSERT_TRUE(ventana_->modelo().lblInfoTransmision().contains("3 filas"));
    mensajes_->olvidar();
    mensajes_->responder(RespuestaMensaje::Si);
    EXPECT_TRUE(h_->anularTransmision(1));
    EXPECT_EQ(cuenta("AUX_GARANTIA"), 0);
    EXPECT_EQ(lista.TextMatrix(1, 1), "1");
    EXPECT_TRUE(lista.marcada(1));
    EXPECT_FALSE(lista.marcada(2));  // la fila vacía del final
    EXPECT_EQ(ventana_->modelo().lblEstadoTransmisiones(), "Transmisión 1 anulada: 3 filas borradas.");
    EXPECT_EQ(ventana_->modelo().MSFlexGrid3.Rows(), 2);
    EXPECT_EQ(ventana_->procedimientos().transmisionMostrada(), 1);
    EXPECT_TRUE(ventana_->modelo().lblInfoTransmision().contains("anulada"))
        << qPrintable(ventana_->modelo().lblInfoTransmision());
    EXPECT_FALSE(ventana_->modelo().lblInfoTransmision().contains("3 filas"));
    EXPECT_EQ(ventana_->MSFlexGrid1->currentIndex().row(), 1);
    const QModelIndex celda = ventana_->MSFlexGrid1->model()->index(1, 1);
    EXPECT_EQ(celda.data(Qt::ForegroundRole).value<QBrush>().color(),
              ventana_->MSFlexGrid1->palette().color(QPalette::Disabled, QPalette::Text));

    // Otra vez: se dice que ya está anulada, sin preguntar.
    mensajes_->olvidar();
    mensajes_->responder(1);
    EXPECT_FALSE(h_->anularTransmision(1));
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.startsWith("La transmisión 1 ya está anulada"));
}
}  // namespace

// La barra dice filas hechas de total, con separador de miles, en cuanto la pasada por el archivo
// entero lo sabe; la línea de estado de la prueba dice que prueba.
TEST_F(Herramientas, LaBarraCuentaFilasHechasDeTotal) {
    elegir("dos_mil.csv", Filas(1, 2000));
    QStringList barra, estados;
    QObject::connect(&ventana_->modelo(), &ModeloVentana::progreso, ventana_.get(),
                     [&](qint64 hechas, qint64) {
                         if (hechas == 257 || hechas == 2000)
                             barra << QString("%1|%2|%3")
                                          .arg(ventana_->progreso->format())
                                          .arg(ventana_->progreso->value())
                                          .arg(ventana_->progreso->maximum());
                         if (hechas == 1) estados << ventana_->modelo().lblEstado();
                     });
    h_->probarImportacion();
    QTest::qWait(600);  // un clic antes sería el de la corrida que terminó
    ventana_->cmdImportar->click();
    EXPECT_EQ(barra, (QStringList{"257 de 2.000 filas|128|1000", "2.000 de 2.000 filas|1000|1000",
                                  "257 de 2.000 filas|128|1000", "2.000 de 2.000 filas|1000|1000"}));
    EXPECT_EQ(estados, (QStringList{"Probando S1", "Importando S1"}));
}

// Una hoja cuya cota declarada se queda corta: la barra deja el total en cuanto las filas lo pasan
// (nunca "3 de 2 filas" ni una barra llena a medio camino); con la cota cierta, cuenta de ella.
TEST_F(Herramientas, LaBarraDeUnaHojaNoPasaDeSuCota) {
    QByteArray filas = "<row r=\"1\">";
    for (const char* t : {"eca1", "serie", "modelo", "x", "act"})
        filas += "<c t=\"inlineStr\"><is><t>" + QByteArray(t) + "</t></is></c>";
    filas += "</row>";
    for (int i = 1; i <= 300; ++i)
        filas += "<row><c t=\"inlineStr\"><is><t>E</t></is></c><c t=\"inlineStr\"><is><t>S" +
                 QByteArray::number(i) + "</t></is></c></row>";
    const struct {
        const char* nombre;
        const char* cota;
        QStringList barra;  // en las filas 2, 3 y 257: texto|máximo
    } casos[] = {
        {"cota corta", "A1:E3", {"2 de 2 filas|1000", "3 filas|0", "257 filas|0"}},
        {"cota cierta", "A1:E301", {"1 de 300 filas|1000", "1 de 300 filas|1000", "257 de 300 filas|1000"}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const QString ruta = dir_.filePath(QStringLiteral("prov/%1/libro.xlsx").arg(c.nombre));
        QDir().mkpath(QFileInfo(ruta).path());
        LibroAMano libro;
        libro.hojas = {{QStringLiteral("Hoja"), filas}};
        libro.prologos = {"<dimension ref=\"" + QByteArray(c.cota) + "\"/>"};
        libro.escribir(ruta);
        ModeloVentana& m = ventana_->modelo();
        m.setCampo("Tabla", ruta);
        ventana_->procedimientos().ConectarProveedor(false);
        m.setCmbTablaTexto(QStringLiteral("Hoja"));
        ventana_->procedimientos().cmbTabla_Click();
        QStringList barra;
        const auto conexion =
            QObject::connect(&m, &ModeloVentana::progreso, ventana_.get(), [&](qint64 hechas, qint64) {
                if (hechas == 2 || hechas == 3 || hechas == 257)
                    barra << ventana_->progreso->format() + u'|' +
                                 QString::number(ventana_->progreso->maximum());
            });
        QTest::qWait(600);  // un clic antes sería el de la corrida que terminó
        ventana_->cmdImportar->click();
        QObject::disconnect(conexion);
        EXPECT_EQ(barra, c.barra);
        EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    }
}

// "Importar" dice "Detener" sólo mientras corre una operación: con un diálogo o una pregunta
// abiertos en medio (el diálogo de archivo, el aviso de un archivo repetido) no hay nada que
// detener, y vuelve a decirlo cuando se cierran.
TEST_F(Herramientas, ImportarDiceDetenerSoloMientrasCorreAlgo) {
    ModeloVentana& m = ventana_->modelo();
    m.setOcupado(true);
    EXPECT_EQ(ventana_->cmdImportar->text(), "Detener");
    QString conDialogo;
    QDialog dialogo(ventana_.get());
    dialogo.setWindowModality(Qt::ApplicationModal);
    QTimer::singleShot(0, &dialogo, [&] {
        conDialogo = ventana_->cmdImportar->text();
        dialogo.accept();
    });
    dialogo.exec();
    EXPECT_EQ(conDialogo, "Importar");
    EXPECT_EQ(ventana_->cmdImportar->text(), "Detener");
    m.setOcupado(false);
    EXPECT_EQ(ventana_->cmdImportar->text(), "Importar");
}
