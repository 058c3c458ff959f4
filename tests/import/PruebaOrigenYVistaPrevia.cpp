#include <sqlite3.h>

#include <QDir>

#include "import/CarpetaDeBusqueda.h"
#include "import/VentanaDePrueba.h"

namespace {
const QByteArray kCsv =
    "eca1,serie,modelo,precio,activacion\r\n"
    "E1,00012345,TV 32,100,01/02/2026\r\n"
    "E2,A-2,Radio,5,02/02/2026\r\n"
    "E3,A-3,Parlante,7,03/02/2026\r\n";

QString Tablas(const ModeloVentana& m) { return m.cmbTablaLista().join(','); }
}  // namespace

TEST_F(VentanaDePrueba, BuscarConectaListaYMuestraLaVistaPrevia) {
    const QString ruta = archivo("datos.CSV", kCsv);
    archivo("otro.txt", "a,b\r\n1,2\r\n");
    buscar(ruta);
    EXPECT_EQ(selector_->ultimoTitulo, "Selección del Archivo ");
    EXPECT_EQ(campo("tabla"), ruta);
    EXPECT_EQ(campo("ODBC"),
              "DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + dir_.filePath("origen") + ";");
    // Las tablas que informa el controlador de texto y, al final, el nombre base.
    EXPECT_EQ(Tablas(*modelo_), "datos#CSV,otro#txt,datos");
    EXPECT_EQ(modelo_->cmbTablaTexto(), "datos#CSV");
    EXPECT_EQ(campo("SQLPREVIO"), "SELECT * FROM [datos#CSV]");
    EXPECT_EQ(grilla(modelo_->MSFlexGrid2),
              (QStringList{"|eca1|serie|modelo|precio|activacion", "1|E1|00012345|TV 32|100|01/02/2026",
                           "2|E2|A-2|Radio|5|02/02/2026", "3|E3|A-3|Parlante|7|03/02/2026", "|||||"}));
    const std::pair<int, int> anchos[] = {{0, 500}, {1, 2000}, {2, 2000}, {3, 1500}, {4, -1}, {5, 900}};
    for (const auto& [c, w] : anchos) EXPECT_EQ(modelo_->MSFlexGrid2.ColWidth(c), w) << c;
    EXPECT_EQ(modelo_->lblEstado(), "...");
    EXPECT_FALSE(ventana_->ConexionOrigen().abierta());
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
}

TEST_F(VentanaDePrueba, LaVistaPreviaLeeALoSumo19Filas) {
    QByteArray csv = "a,b,c,d,e\n";
    for (int i = 1; i <= 100; ++i) csv += QByteArray::number(i) + ",s" + QByteArray::number(i) + ",m,x,y\n";
    buscar(archivo("cien.csv", csv));
    const auto& g = modelo_->MSFlexGrid2;
    ASSERT_EQ(g.Rows(), 21);
    EXPECT_EQ(g.TextMatrix(19, 0), "19");
    EXPECT_EQ(g.TextMatrix(19, 2), "s19");
    EXPECT_EQ(g.TextMatrix(20, 0), "");
}

TEST_F(VentanaDePrueba, UnOrigenDeMenosDeCincoCamposSeMuestraSinErrores) {
    buscar(archivo("tres.csv", "x,serie,z\n1,2,3\n"));
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_EQ(grilla(modelo_->MSFlexGrid2), (QStringList{"|x|serie|z", "1|1|2|3", "|||"}));
    buscar(archivo("otra/uno.csv", "solo\nA\nB\n"));
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_EQ(grilla(modelo_->MSFlexGrid2), (QStringList{"|solo", "1|A", "2|B", "|"}));
}

TEST_F(VentanaDePrueba, CadaClaseDeArchivoGenerado) {
    // db
    const QString db = dir_.filePath("origen/prov.db");
    QDir().mkpath(dir_.filePath("origen"));
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.toUtf8().constData(), &h), SQLITE_OK);
    sqlite3_exec(h,
                 "CREATE TABLE garantias (eca1, serie, modelo, x, act); INSERT INTO garantias VALUES "
                 "('E','S1','M',1,'A');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(h);
    buscar(db);
    EXPECT_EQ(Tablas(*modelo_), "garantias");
    EXPECT_EQ(campo("ODBC"), "DRIVER=SQLite3 ODBC Driver;Database=" + db +
                                 ";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;");
    EXPECT_EQ(grilla(modelo_->MSFlexGrid2).value(1), "1|E|S1|M|1|A");
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
}

// Cada clase de muestra pública: todas sus hojas o tablas (sin las del sistema), la primera elegida
// y la vista previa con sus primeras filas (a lo sumo 19), sin avisos.
TEST_F(VentanaDePrueba, MuestrasPublicas) {
    REQUERIR_MUESTRAS();
    struct Caso {
        const char* muestra;
        const char* tablas;
        const char* primeraFila;  // el principio de la de la grilla, con el número de fila
        int filasGrilla;          // títulos, filas leídas y la vacía del final
    };
    const Caso casos[] = {
        {"xlsx/Test_num_double_date_bool_string.xlsx", "Sheet1$,Sheet2$,Sheet3$",
         "1|2|2,04|18/05/2009|1||08/05/2009 11:01:02", 21},
        {"xls/Test_num_double_date_bool_string.xls", "Sheet1$,Sheet2$,Sheet3$",
         "1|2|2,04|18/05/2009|1||08/05/2009 11:01:02", 21},
        {"dbf/dbase_03.dbf", "dbase_03,dbase_03",
         "1|0507121|CMP|circular|12||no|Good||12/07/2005|10:56:30am|5,2|", 16},
        {"mdb/testV1997.mdb", "Table1,Table2,Table3,Table4", "1|a|b|0|0|0|0|12/12/1981|0|Falso", 4},
        {"sqlite/Chinook_Sqlite.db",
         "Album,Artist,Customer,Employee,Genre,Invoice,InvoiceLine,MediaType,Playlist,PlaylistTrack,Track",
         "1|1|For Those About To Rock We Salute You|1", 21},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.muestra);
        // Cada muestra en una ventana nueva: la lista de un dbf se extiende, no se vuelve a llenar.
        mensajes_->olvidar();
        modelo_ = std::make_unique<ModeloVentana>();
        ventana_ =
            std::make_unique<VentanaImportacion>(*modelo_, std::make_unique<SelectorGuionado>(archivos_));
        TOMAR_MUESTRA(ruta, c.muestra);
        buscar(ruta);
        EXPECT_EQ(Tablas(*modelo_), c.tablas);
        EXPECT_EQ(modelo_->cmbTablaTexto(), QString(c.tablas).section(',', 0, 0));
        EXPECT_EQ(modelo_->MSFlexGrid2.Rows(), c.filasGrilla);
        const QString primera = grilla(modelo_->MSFlexGrid2).value(1);
        EXPECT_TRUE(primera.startsWith(c.primeraFila)) << qPrintable(primera);
        EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    }
}

TEST_F(VentanaDePrueba, CadaConexionAUnDbfAgregaSuNombre) {
    REQUERIR_MUESTRAS();
    // "Buscar >>>" conecta dos veces (al elegir y en la vista previa): el nombre queda dos veces.
    buscar(Muestra("dbf/dbase_03.dbf"));
    EXPECT_EQ(Tablas(*modelo_), "dbase_03,dbase_03");
    buscar(Muestra("dbf/dbase_03.dbf"));
    EXPECT_EQ(Tablas(*modelo_), "dbase_03,dbase_03,dbase_03,dbase_03");
    EXPECT_EQ(campo("SqlPrevio"), "Select * from [dbase_03]");
}

TEST_F(VentanaDePrueba, CancelarElDialogoSigueConLaRutaVacia) {
    // Sin lista: la vista previa pide el nombre de la tabla.
    mensajes_->responder(RespuestaMensaje::Aceptar);
    buscar(std::nullopt);
    EXPECT_EQ(campo("Tabla"), "");
    EXPECT_EQ(mensajes_->textos(), QStringList{"Debe informar el nombre de la tabla a leer"});
    EXPECT_EQ(mensajes_->cuadros()[0].titulo, "Aviso al Operador");

    // Con una tabla listada de antes: la lectura sin conexión pasa por la trampa (ManejarError),
    // que dice la causa sin números internos. La lista queda; la vista previa, vacía.
    buscar(archivo("datos.csv", kCsv));
    mensajes_->olvidar();
    mensajes_->responder(RespuestaMensaje::Abortar);
    buscar(std::nullopt);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(Botones::juego(mensajes_->cuadros()[0].estilo), Botones::AbortarReintentarOmitir);
    EXPECT_EQ(mensajes_->cuadros()[0].texto, "No se permite la operación: la conexión está cerrada.");
    EXPECT_EQ(campo("Tabla"), "");
    EXPECT_EQ(Tablas(*modelo_), "datos#csv,datos");
    EXPECT_EQ(grilla(modelo_->MSFlexGrid2), (QStringList{"|", "|"}));

    // "Importar" después no escribe nada ni toma número: la lectura falla igual y se abandona.
    mensajes_->olvidar();
    mensajes_->responder(RespuestaMensaje::Abortar);
    ventana_->cmdImportar_Click();
    EXPECT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(filas("SELECT count(*) FROM MV_TRANSMISIONES"), QStringList{"0"});
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"0"});
}

TEST_F(VentanaDePrueba, ArchivosQueNoSePuedenLeerDejanLaVentanaUsable) {
    using namespace RespuestaMensaje;
    struct Caso {
        const char* nombre;
        QByteArray contenido;
        std::vector<int> respuestas;  // a cada cuadro, en orden
    };
    // La apertura falla: el operador salta el paso; lo que sigue falla o avisa, y se aborta.
    const Caso casos[] = {
        {"vacio.xlsx", "", {Omitir, Aceptar, Aceptar}},
        {"mentira.xls", "esto no es un libro", {Omitir, Aceptar, Aceptar}},
        {"roto.db", QByteArray(3000, 'x'), {Omitir, Aceptar, Aceptar}},
        // La conexión fallida vacía la lista: la vista previa no tiene tabla que leer.
        {"truncado.dbf", QByteArray("\x03\x7c\x01", 3), {Omitir, Aceptar}},
        {"nada.mdb", "no", {Omitir, Aceptar, Aceptar}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        mensajes_->olvidar();
        for (int r : c.respuestas) mensajes_->responder(r);
        buscar(archivo(c.nombre, c.contenido));
        ASSERT_EQ(mensajes_->cuadros().size(), c.respuestas.size());
        const QString todo = mensajes_->textos().join("\n");
        EXPECT_TRUE(todo.contains(c.nombre)) << c.nombre << ": " << qPrintable(todo);
        EXPECT_FALSE(modelo_->ocupado());
    }
    // Después, un archivo bueno se lee.
    mensajes_->olvidar();
    buscar(archivo("bueno.csv", kCsv));
    EXPECT_EQ(modelo_->MSFlexGrid2.TextMatrix(1, 2), "00012345");
}

TEST_F(VentanaDePrueba, UnaExtensionDesconocidaNoAbreNada) {
    buscar(archivo("datos.csv", kCsv));
    const QString odbc = campo("ODBC");
    mensajes_->olvidar();
    // Nada se conecta; la vista previa lee con la conexión cerrada y el operador aborta.
    mensajes_->responder(RespuestaMensaje::Abortar);
    buscar(archivo("datos.xml", "<a/>"));
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("la conexión está cerrada"))
        << qPrintable(mensajes_->cuadros()[0].texto);
    EXPECT_EQ(campo("ODBC"), odbc);
    EXPECT_EQ(Tablas(*modelo_), "datos#csv,datos");
}

TEST_F(VentanaDePrueba, UnNombreEscritoSeLeeEnLaPrimeraVistaPrevia) {
    buscar(archivo("datos.csv", kCsv));
    archivo("otra.csv", "eca1,serie\r\nE9,OTRA-1\r\n");
    struct Caso {
        const char* escrito;
        const char* sentencia;
        const char* aviso;  // lo que dice el cuadro de la trampa (nullptr: ninguno)
        const char* serie;  // la serie de la primera fila de la vista previa
    };
    const Caso casos[] = {
        // Un nombre que no es una tabla: su error en la primera vista previa, no la tabla de antes.
        {"no_existe", "SELECT * FROM [no_existe]", "no_existe", ""},
        // Otra tabla de la carpeta, escrita: sus filas enseguida.
        {"otra#csv", "SELECT * FROM [otra#csv]", nullptr, "OTRA-1"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.escrito);
        mensajes_->olvidar();
        if (c.aviso) mensajes_->responder(RespuestaMensaje::Abortar);
        modelo_->setCmbTablaTexto(c.escrito);
        ventana_->cmdCargarVistaPrevia_Click();
        EXPECT_EQ(modelo_->cmbTablaTexto(), c.escrito);  // sobrevive al relleno de la lista
        EXPECT_EQ(campo("SqlPrevio"), c.sentencia);
        if (c.aviso) {
            ASSERT_EQ(mensajes_->cuadros().size(), 1u);
            EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains(c.aviso))
                << qPrintable(mensajes_->cuadros()[0].texto);
        } else {
            EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
            EXPECT_EQ(modelo_->MSFlexGrid2.TextMatrix(1, 2), c.serie);
        }
    }
}

TEST_F(VentanaDePrueba, SinNombreDeTablaLaVistaPreviaAvisa) {
    mensajes_->responder(RespuestaMensaje::Aceptar);
    ventana_->cmdCargarVistaPrevia_Click();
    EXPECT_EQ(mensajes_->textos(), QStringList{"Debe informar el nombre de la tabla a leer"});
    EXPECT_EQ(mensajes_->cuadros()[0].estilo, Botones::IconoInformacion);
}

// Dónde abre "Buscar >>>": una copia en su propia carpeta, en ella (cada vez); una instalada (junto a
// su bin/ hay un share/garantias/), la primera vez en la carpeta personal y después en la carpeta
// del último archivo elegido; si esa carpeta ya no está, otra vez en la personal.
TEST_F(VentanaDePrueba, BuscarAbreEnLaCarpetaPropiaOEnLaUltimaUsada) {
    const QString ruta = archivo("datos.csv", kCsv);
    const QString portatil = dir_.filePath("portatil/");
    ASSERT_TRUE(QDir().mkpath(portatil));
    Proceso::FijarCarpetaEjecutable(portatil);
    buscar(ruta);
    buscar(ruta);
    EXPECT_EQ(selector_->ultimaCarpeta, portatil);
    EXPECT_FALSE(QFile::exists(CarpetaDeBusqueda::ArchivoDeLaUltima()));

    const QString instalada = dir_.filePath("usr/");
    ASSERT_TRUE(QDir().mkpath(instalada + "bin") && QDir().mkpath(instalada + "share/garantias"));
    Proceso::FijarCarpetaEjecutable(instalada + "bin");
    buscar(ruta);
    EXPECT_EQ(selector_->ultimaCarpeta, QDir::homePath() + "/");
    buscar(ruta);
    EXPECT_EQ(selector_->ultimaCarpeta, dir_.filePath("origen") + "/");

    const QString otra = dir_.filePath("otra/datos.csv");
    EscribirArchivo(otra, kCsv);
    buscar(otra);
    ASSERT_TRUE(QDir(dir_.filePath("otra")).removeRecursively());
    buscar(ruta);
    EXPECT_EQ(selector_->ultimaCarpeta, QDir::homePath() + "/");
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    Proceso::FijarCarpetaEjecutable({});
}
