// Lo que cada corrida deja en el diario (GARANTIAS_CORRIDAS) y el aviso antes de importar otra
// vez los mismos bytes, con la ventana sin pantalla sobre una base embebida real.
#include "data/DiarioCorridas.h"
#include "import/VentanaDePrueba.h"
#include "platform/Detencion.h"
#include "platform/Sha256Archivo.h"

namespace {

const QByteArray kCabecera = "eca1,serie,modelo,otro,activacion\n";

QByteArray Filas(int desde, int hasta) {
    QByteArray csv = kCabecera;
    for (int i = desde; i <= hasta; ++i) csv += "E,S" + QByteArray::number(i) + ",M,x,A\n";
    return csv;
}

class DiarioDeCorridas : public VentanaDePrueba {
  protected:
    // Elige el archivo e importa; la pregunta de archivo repetido, si la hay, se contesta así.
    void importar(const QString& ruta, std::optional<int> respuesta = std::nullopt) {
        buscar(ruta);
        mensajes_->olvidar();
        if (respuesta) mensajes_->responder(*respuesta);
        ventana_->cmdImportar_Click();
    }
    // Las corridas del diario, la más vieja primero.
    QStringList diario(const QString& columnas =
                           "Transmision, Leidas, Agregadas, YaGuardadas, SinSerie, "
                           "Fallidas, Resultado") {
        return filas("SELECT " + columnas + " FROM GARANTIAS_CORRIDAS ORDER BY Inicio, rowid");
    }
};

// Cada forma de terminar, con sus cuentas.
TEST_F(DiarioDeCorridas, CadaCorridaQuedaConSusCuentasYSuResultado) {
    struct Caso {
        const char* nombre;
        QByteArray csv;
        std::function<void()> preparar;
        int respuestas;  // cuadros que la corrida muestra (se contestan "Aceptar")
        const char* fila;
    };
    const Caso casos[] = {
        {"completa", Filas(1, 3) + "E,,M,x,A\n", {}, 0, "1|4|3|0|1|0|completa"},
        {"sin filas nuevas: sin transmisión", Filas(1, 2), {}, 0, "|2|0|2|0|0|completa"},
        {"fallida", kCabecera + "E,S10,M,x,A\nE,S11,MALO,x,A\n",
         [this] {
             sql("CREATE TRIGGER rechazo BEFORE INSERT ON AUX_GARANTIA WHEN NEW.modelo = 'MALO' BEGIN SELECT "
                 "RAISE(ABORT, 'modelo rechazado'); END");
         },
         1, "2|2|1|0|0|1|fallida"},
    };
    int i = 0;
    QStringList esperado;
    for (const Caso& c : casos) {
        if (c.preparar) c.preparar();
        const QString ruta = archivo(QStringLiteral("c%1.csv").arg(++i), c.csv);
        buscar(ruta);
        mensajes_->olvidar();
        if (c.respuestas) mensajes_->responder(RespuestaMensaje::Aceptar, c.respuestas);
        ventana_->cmdImportar_Click();
        EXPECT_EQ(mensajes_->cuadros().size(), static_cast<std::size_t>(c.respuestas))
            << c.nombre << qPrintable(mensajes_->textos().join('\n'));
        esperado << c.fila;
        EXPECT_EQ(diario(), esperado) << c.nombre;
    }
    // El archivo, como lo leyó la primera.
    const QString ruta = dir_.filePath("origen/c1.csv");
    EXPECT_EQ(diario("Archivo, Ruta, Tamano, Sha256, Tabla, Clase, Usuario, Inicio <= Fin").value(0),
              QStringLiteral("c1.csv|%1|%2|%3|c1#csv|texto|operador|1")
                  .arg(ruta)
                  .arg(QFileInfo(ruta).size())
                  .arg(*Sha256DeArchivo(ruta)));
}

// "Detener" en medio: lo confirmado queda, y el diario lo dice con sus cuentas.
TEST_F(DiarioDeCorridas, UnaCorridaDetenidaQuedaDetenidaConLoQueGuardo) {
    const QString ruta = archivo("largo.csv", Filas(1, 3000));
    QObject::connect(modelo_.get(), &ModeloVentana::progreso, [](qint64 hechas, qint64) {
        if (hechas == 1200) Detencion::Pedir();
    });
    importar(ruta);
    ASSERT_TRUE(ventana_->resumen().detenida);
    const QString guardadas = filas("SELECT count(*) FROM AUX_GARANTIA").value(0);
    EXPECT_EQ(diario("Transmision, Agregadas, Resultado"), QStringList{"1|" + guardadas + "|detenida"});
}

// "Salir" (o una señal) en medio: el grupo abierto se confirma y después el diario se cierra.
TEST_F(DiarioDeCorridas, ElFinDelProcesoEnMedioLaDejaDetenidaConLoConfirmado) {
    const QString ruta = archivo("largo.csv", Filas(1, 500));
    buscar(ruta);
    FinObservable fin;
    QObject::connect(modelo_.get(), &ModeloVentana::progreso, [](qint64 hechas, qint64) {
        if (hechas == 120) Proceso::Terminar(0);
    });
    EXPECT_THROW(ventana_->cmdImportar_Click(), Proceso::FinDelProceso);
    EXPECT_EQ(filasDeOtraConexion("SELECT Transmision, Agregadas, Resultado FROM GARANTIAS_CORRIDAS"),
              QStringList{"1|120|detenida"});
}

// Los mismos bytes otra vez (con el mismo nombre o con otro): se pregunta ("No" con Enter); "No" no
// toma número ni escribe filas, y la corrida queda en el diario como detenida; "Sí" importa. Una
// prueba lo dice sin preguntar, y no deja nada en el diario.
TEST_F(DiarioDeCorridas, LosMismosBytesOtraVezSePreguntaAntesDeImportar) {
    const QString original = archivo("prov.2026-02.csv", Filas(1, 3));
    importar(original);
    ASSERT_EQ(ventana_->resumen().transmision, 1);
    const QString inicio = filas("SELECT Inicio FROM GARANTIAS_CORRIDAS").value(0);
    const QDateTime cuando = DiarioCorridas::FechaDeTexto(inicio);
    const QString pregunta = QStringLiteral(
                                 "Este archivo ya se importó el %1 a las %2 como transmisión 1 (3 filas "
                                 "agregadas). ¿Importarlo otra vez?")
                                 .arg(cuando.toString("dd/MM/yyyy"), cuando.toString("HH:mm"));
    const QString copia = archivo("copia con otro nombre.csv", Filas(1, 3));
    QStringList esperado{"1|completa"};
    for (const QString& ruta : {original, copia}) {
        importar(ruta, RespuestaMensaje::No);
        esperado << "|detenida";
        ASSERT_EQ(mensajes_->cuadros().size(), 1u);
        EXPECT_EQ(mensajes_->cuadros()[0].texto, pregunta);
        EXPECT_EQ(mensajes_->cuadros()[0].estilo,
                  Botones::SiNo | Botones::IconoPregunta | Botones::SegundoPorDefecto);  // "No" con Enter
        EXPECT_TRUE(ventana_->resumen().noRepetida);
        EXPECT_EQ(diario("Transmision, Resultado"), esperado);
    }
    ventana_->setPrueba(true);
    importar(copia);
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join('\n'));
    EXPECT_TRUE(ventana_->resumen().texto().contains(pregunta.section(u'¿', 0, 0).trimmed()))
        << qPrintable(ventana_->resumen().texto());
    ventana_->setPrueba(false);

    importar(copia, RespuestaMensaje::Si);
    EXPECT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_EQ(diario("Archivo, Transmision, YaGuardadas, Resultado"),
              (QStringList{"prov.2026-02.csv|1|0|completa", "prov.2026-02.csv||0|detenida",
                           "copia con otro nombre.csv||0|detenida", "copia con otro nombre.csv||3|completa"}));
    // Otros bytes con el nombre de antes: no se pregunta.
    EscribirArchivo(original, Filas(4, 5));
    importar(original);
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join('\n'));
    EXPECT_EQ(ventana_->resumen().transmision, 2);
}

// La pregunta cuenta en singular una sola fila agregada.
TEST_F(DiarioDeCorridas, LaPreguntaDiceUnaFilaEnSingular) {
    const QString ruta = archivo("una.csv", Filas(1, 1));
    importar(ruta);
    importar(ruta, RespuestaMensaje::No);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("como transmisión 1 (1 fila agregada)."))
        << qPrintable(mensajes_->cuadros()[0].texto);
}

}  // namespace

// Un archivo que no se puede leer (una imagen con nombre de csv): "Omitir" en la vista previa no deja
// una fila numerada y vacía, y la importación deja su corrida en el diario, fallida y sin transmisión.
TEST_F(DiarioDeCorridas, UnArchivoQueNoSeLeeTambienQuedaEnElDiario) {
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0\0\x1f\xf3\xffa", 33);
    const QString ruta = archivo("imagen.csv", png);
    mensajes_->responder(RespuestaMensaje::Omitir);
    buscar(ruta);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u);
    EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains("bytes nulos"));
    for (int f = 1; f < modelo_->MSFlexGrid2.Rows(); ++f)
        EXPECT_EQ(modelo_->MSFlexGrid2.TextMatrix(f, 0), "") << "fila " << f;
    mensajes_->olvidar();
    mensajes_->responder(RespuestaMensaje::Aceptar);
    ventana_->cmdImportar_Click();
    EXPECT_EQ(diario("Archivo, Transmision, Leidas, Agregadas, Resultado"),
              QStringList{"imagen.csv||0|0|fallida"});
}
