#include "comun/SuiteEmbebida.h"
#include "startup/ConectarEstadisticas.h"
#include "suite/Archivos.h"
#include "suite/Configuracion.h"
#include "suite/FechaServidor.h"

namespace {
class Configuracion : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());
        ConectarEstadisticas();
        ASSERT_TRUE(Componentes::DatosEstadisticas().Conectado());
    }
    QStringList configuracionEstadisticas() {
        return filas(
            "SELECT Grupo, Clave, Valor, PoliticaNegocio, ValorAux FROM TA_CONFIGURACION WHERE Clave <> "
            "'TIMEOUT' ORDER BY rowid",
            &Componentes::DatosEstadisticas());
    }
    MensajesDePrueba mensajes_;
};
}  // namespace

TEST_F(Configuracion, CfgLeeUnaClave) {
    sql("INSERT INTO TA_CONFIGURACION (Grupo, Clave, Valor, ValorAux) VALUES ('G', 'UTILIZARFECHADIA', 'si', "
        "'aux')");
    QString aux = "previo";
    EXPECT_EQ(Cfg("  utilizarfechadia ", aux), "si");
    EXPECT_EQ(aux, "aux");
    EXPECT_EQ(Cfg("NO_EXISTE", aux), " ");
    EXPECT_EQ(aux, "");
    aux = "intacto";
    Componentes::Datos().conexion().Close();
    EXPECT_EQ(Cfg("UTILIZARFECHADIA", aux), "");
    EXPECT_EQ(aux, "intacto");
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(Configuracion, UnaFallaDeCfgVaAlAvisoDeError) {
    sesion().TablaConfiguracion = "NO_HAY_TABLA";
    QString aux;
    mensajes_->responder(3);
    EXPECT_EQ(Cfg("X", aux), "");
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].titulo.contains("- Cfg Aviso al operador"));
    // Omitir: sigue con el paso siguiente, que lee un recordset que no se abrió (91); Omitir otra vez.
    mensajes_->responder(RespuestaMensaje::Omitir, 2);
    EXPECT_EQ(CfgQZ("X", aux), "");
    ASSERT_EQ(mensajes_->cuadros().size(), 3u);
    EXPECT_TRUE(mensajes_->cuadros()[1].titulo.contains("- CfgQZ Aviso al operador"));
    EXPECT_TRUE(mensajes_->cuadros()[1].texto.contains("(208)"));
    EXPECT_TRUE(mensajes_->cuadros()[2].texto.contains("(91)")) << qPrintable(mensajes_->cuadros()[2].texto);
}

TEST_F(Configuracion, CargarConfiguracion) {
    struct Caso {
        const char* valor;
        bool fechaDia;
    };
    const Caso casos[] = {{"SI", true}, {"si", true}, {" SI", false}, {"NO", false}, {nullptr, false}};
    for (const auto& c : casos) {
        sql("DELETE FROM TA_CONFIGURACION");
        if (c.valor)
            sql(QString("INSERT INTO TA_CONFIGURACION (Clave, Valor) VALUES ('UTILIZARFECHADIA', '%1')")
                    .arg(c.valor));
        sesion().UTILIZARFECHADIA = !c.fechaDia;
        CargarConfiguracion();
        EXPECT_EQ(sesion().TablaConfiguracion, "ta_configuracion");
        EXPECT_EQ(sesion().UTILIZARFECHADIA, c.fechaDia) << (c.valor ? c.valor : "(sin clave)");
    }
}

TEST_F(Configuracion, GrabaCfgQZAgregaOCambia) {
    sesion().TablaConfiguracion = "TA_CONFIGURACION";
    GrabaCfgQZ(" clave1 ", QVariant("  v1 "), "a1", true, "G", true);
    EXPECT_EQ(configuracionEstadisticas(), (QStringList{"G|CLAVE1|v1|1|a1"}));
    // La misma clave cambia la fila; un valorAux vacío deja el que tenía; sin recortar, el valor queda con
    // sus blancos.
    GrabaCfgQZ("CLAVE1", QVariant(" v2 "), "", false, "H", false);
    EXPECT_EQ(configuracionEstadisticas(), (QStringList{"H|CLAVE1| v2 |0|a1"}));
    // La búsqueda no recorta: " clave1" no encuentra "CLAVE1" y agrega otra fila con la clave recortada.
    GrabaCfgQZ(" clave1", QVariant(3), "", false, "G", true);
    EXPECT_EQ(configuracionEstadisticas(), (QStringList{"H|CLAVE1| v2 |0|a1", "G|CLAVE1|3|0|"}));
    EXPECT_TRUE(mensajes_->cuadros().empty());
}

TEST_F(Configuracion, TiempoDeEsperaDeLaConfiguracion) {
    struct Caso {
        const char* valor;  // nullptr: sin fila
        int tiempo;
        const char* queda;  // el valor de la fila después
    };
    const Caso casos[] = {
        {nullptr, 90, "0"}, {"0", 90, "0"}, {"45", 45, "45"}, {"70000", 90, "70000"}, {"abc", 90, "0"}};
    for (const auto& c : casos) {
        Componentes::DatosEstadisticas().EjecutarSQL("DELETE FROM TA_CONFIGURACION");
        if (c.valor) {
            Componentes::DatosEstadisticas().EjecutarSQL(
                QString("INSERT INTO TA_CONFIGURACION (Grupo, Clave, Valor) VALUES ('BaseDeDatos', "
                        "'TIMEOUT', '%1')")
                    .arg(c.valor));
        }
        ConectarEstadisticas();
        EXPECT_EQ(sesion().TiempoEsperaComandos, c.tiempo) << (c.valor ? c.valor : "(sin fila)");
        EXPECT_EQ(filas("SELECT Valor FROM TA_CONFIGURACION WHERE Clave = 'TimeOut'",
                        &Componentes::DatosEstadisticas()),
                  QStringList{c.queda});
    }
}

TEST_F(Configuracion, FechaServidorSinFraccionesYSinConexion) {
    const QDateTime f = FechaServidor();
    EXPECT_LE(std::abs(f.secsTo(QDateTime::currentDateTime())), 2);
    EXPECT_EQ(f.time().msec(), 0);
    Componentes::Datos().NombreBase = "../no";  // no se puede reabrir: la consulta no corre
    Componentes::Datos().conexion().Close();
    EXPECT_EQ(FechaServidor(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    EXPECT_EQ(FormatoFechaHora(), "dd/mm/yy hh:mm");
}

TEST_F(Configuracion, ArchivosYDocumentos) {
    const QString ruta = dir_.filePath("con blanco.txt");
    EscribirArchivo(ruta, "x");
    EXPECT_TRUE(ExisteArchivo('"' + ruta + '"'));
    EXPECT_FALSE(ExisteArchivo(dir_.filePath("falta.txt")));
    EXPECT_FALSE(ExisteArchivo(dir_.path()));

    QStringList lanzados;
    Dll_Sistema::FijarLanzador([&](const QString& programa, const QStringList& args) {
        lanzados << programa + " " + args.join(' ');
        return true;
    });
    AbrirDocumento("/a b/c.pdf", true);
    AbrirDocumento("\"/a b/c.pdf\"", true);
    AbrirDocumento("https://ejemplo.org", false);
    Dll_Sistema::FijarLanzador({});
    EXPECT_EQ(lanzados,
              (QStringList{"xdg-open /a b/c.pdf", "xdg-open /a b/c.pdf", "xdg-open https://ejemplo.org"}));
}
