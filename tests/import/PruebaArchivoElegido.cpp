// El archivo que el operador elige es el que se muestra y se importa, aunque la carpeta tenga
// otros, aunque su nombre tenga varios puntos; y una conexión que falla no deja nada de antes
// que se pueda importar.
#include <QDir>
#include <QFile>

#include "ado/dbase/ConstructorDbf.h"
#include "import/VentanaDePrueba.h"

namespace {

const QByteArray kCabecera = "eca1,serie,modelo,otro,activacion\n";

QByteArray Csv(const char* serie) { return kCabecera + "E," + serie + ",M,x,A\n"; }

// Una tabla dBase con los cinco campos de la importación y una fila con esa serie.
QByteArray Dbf(const char* serie) {
    TablaPrueba t;
    t.version = 0x03;
    t.campos = {
        {"ECA1", 'C', 4}, {"SERIE", 'C', 12}, {"MODELO", 'C', 4}, {"OTRO", 'C', 2}, {"ACTIV", 'C', 2}};
    t.registros = {Registro(t.campos, {"E", serie, "M", "x", "A"})};
    return t.bytes();
}

class ArchivoElegido : public VentanaDePrueba {
  protected:
    QStringList series() { return filas("SELECT serie FROM AUX_GARANTIA ORDER BY rowid"); }
    QStringList transmisiones() { return filas("SELECT Transmision FROM MV_TRANSMISIONES"); }
    QString serieEnVista() const { return modelo_->MSFlexGrid2.TextMatrix(1, 2); }
    // "Importar", contestando con esas respuestas a los cuadros que aparezcan.
    void importar(std::vector<int> respuestas = {}) {
        mensajes_->olvidar();
        for (int r : respuestas) mensajes_->responder(r);
        ventana_->cmdImportar_Click();
    }
};

}  // namespace

TEST_F(ArchivoElegido, DeUnaCarpetaSeLeeElArchivoElegidoYNoElPrimero) {
    struct Caso {
        const char* elegido;
        const char* serie;
        const char* tabla;  // la que queda elegida en la lista
    };
    archivo("carpeta/aa_viejo.csv", Csv("VIEJO"));
    archivo("carpeta/garantias.2024-01.csv", Csv("ENERO"));
    archivo("carpeta/datos.dbf", Dbf("D0"));
    archivo("carpeta/datos.2024.dbf", Dbf("D2024"));
    const Caso casos[] = {
        {"zz_nuevo.csv", "NUEVO", "zz_nuevo#csv"},
        {"garantias.2024-02.csv", "FEBRERO", "garantias.2024-02#csv"},
        {"datos.2024.dbf", "D2024", "datos.2024"},
        {"datos.dbf", "D0", "datos"},
        // Un blanco al principio es parte del nombre: al lado está el mismo sin él.
        {" datos.csv", "BLANCO", " datos#csv"},
        {" datos.dbf", "DBLANCO", " datos"},
    };
    archivo("carpeta/datos.csv", Csv("SINBLANCO"));
    archivo("carpeta/ datos.csv", Csv("BLANCO"));
    archivo("carpeta/ datos.dbf", Dbf("DBLANCO"));
    archivo("carpeta/zz_nuevo.csv", Csv("NUEVO"));
    archivo("carpeta/garantias.2024-02.csv", Csv("FEBRERO"));
    QStringList esperadas;
    for (const auto& c : casos) {
        SCOPED_TRACE(c.elegido);
        buscar(dir_.filePath(QStringLiteral("origen/carpeta/") + c.elegido));
        EXPECT_EQ(modelo_->cmbTablaTexto(), c.tabla);
        EXPECT_EQ(serieEnVista(), c.serie);
        importar();
        EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
        esperadas << c.serie;
        EXPECT_EQ(series(), esperadas);
    }
}

TEST_F(ArchivoElegido, UnaConexionFallidaVaciaLaListaLaVistaYLaSentencia) {
    buscar(archivo("libro/datos.csv", Csv("S1")));
    ASSERT_FALSE(modelo_->cmbTablaLista().isEmpty());
    ASSERT_EQ(serieEnVista(), "S1");
    // Un dbf que no se puede leer: el operador salta la falla.
    mensajes_->olvidar();
    mensajes_->responder(RespuestaMensaje::Omitir);
    mensajes_->responder(RespuestaMensaje::Aceptar);  // la vista previa: no hay tabla que leer
    buscar(archivo("tablas/roto.dbf", QByteArray("\x03\x7c\x01", 3)));
    EXPECT_TRUE(mensajes_->textos().join("\n").contains("roto"))
        << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_TRUE(modelo_->cmbTablaLista().isEmpty());
    EXPECT_EQ(modelo_->cmbTablaTexto(), "");
    EXPECT_EQ(campo("SqlPrevio"), "");
    EXPECT_EQ(modelo_->MSFlexGrid2.Rows(), 2);
    EXPECT_EQ(modelo_->MSFlexGrid2.Cols(), 2);
    EXPECT_EQ(modelo_->MSFlexGrid2.TextMatrix(1, 1), "");
    importar({RespuestaMensaje::Aceptar});
    EXPECT_EQ(mensajes_->textos(), QStringList{"Debe informar el nombre de la tabla a leer"});
    EXPECT_TRUE(series().isEmpty());
    EXPECT_TRUE(transmisiones().isEmpty());
}

// Lo que cambia entre "Buscar" e "Importar": un mensaje que nombra el archivo, nada escrito.
TEST_F(ArchivoElegido, LoQueDesaparecioAntesDeImportarNoEscribeNada) {
    struct Caso {
        const char* nombre;
        std::function<void(const QString& ruta)> cambio;
        const char* mensaje;
        int cuadros;  // de la trampa, que el operador aborta
    };
    const Caso casos[] = {
        {"se borró la tabla", [](const QString& ruta) { QFile::remove(ruta); }, "se_va", 1},
        {"se borró la carpeta", [](const QString& ruta) { QDir(QFileInfo(ruta).path()).removeRecursively(); },
         "origen/cambia", 2},
        {"el archivo pasó a ser un enlace roto",
         [](const QString& ruta) {
             QFile::remove(ruta);
             QFile::link(ruta + QStringLiteral(".no_esta"), ruta);
         },
         "enlace", 1},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const QString ruta = archivo(QStringLiteral("cambia/se_va.csv"), Csv("S1"));
        buscar(ruta);
        ASSERT_EQ(serieEnVista(), "S1");
        c.cambio(ruta);
        importar(std::vector<int>(static_cast<std::size_t>(c.cuadros), RespuestaMensaje::Abortar));
        const QString todo = mensajes_->textos().join("\n");
        EXPECT_TRUE(todo.contains(c.mensaje)) << qPrintable(todo);
        EXPECT_NE(modelo_->lblEstado(), "Importación finalizada");
        EXPECT_TRUE(series().isEmpty());
        EXPECT_TRUE(transmisiones().isEmpty());
        QDir(dir_.filePath("origen/cambia")).removeRecursively();
    }
}

TEST_F(ArchivoElegido, UnEnlaceSeSigueYUnoRotoSeNombra) {
    const QString real = archivo("otro_lado/real.csv", Csv("ENLAZADA"));
    QDir().mkpath(dir_.filePath("origen/enlaces"));
    const QString enlace = dir_.filePath("origen/enlaces/enlace.csv");
    ASSERT_TRUE(QFile::link(real, enlace));
    buscar(enlace);
    EXPECT_EQ(modelo_->cmbTablaTexto(), "enlace#csv");
    EXPECT_EQ(serieEnVista(), "ENLAZADA");

    const QString roto = dir_.filePath("origen/enlaces/roto.csv");
    ASSERT_TRUE(QFile::link(dir_.filePath("no_esta.csv"), roto));
    mensajes_->olvidar();
    mensajes_->responder(RespuestaMensaje::Abortar);
    buscar(roto);
    const QString todo = mensajes_->textos().join("\n");
    EXPECT_TRUE(todo.contains("roto.csv") && todo.contains("es un enlace a")) << qPrintable(todo);
    importar({RespuestaMensaje::Abortar});
    EXPECT_TRUE(mensajes_->textos().join("\n").contains("es un enlace a"));
    EXPECT_TRUE(series().isEmpty());
    EXPECT_TRUE(transmisiones().isEmpty());
}
