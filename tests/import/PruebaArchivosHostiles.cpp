// Archivos de texto hechos para engañar al lector: la decisión sale del archivo entero, antes de
// tomar la transmisión. Cada uno termina en sus filas correctas o en su mensaje con la línea, y
// un archivo rechazado no deja ni transmisión ni filas.
#include <QFile>

#include "import/VentanaDePrueba.h"
#include "platform/Regional.h"

namespace {

// Filas de puro ASCII hasta pasar de lo que mira cualquier sondeo del principio (256 KiB).
QByteArray FilasLlanas(int n) {
    QByteArray b = "eca1,serie,modelo,otro,activacion\r\n";
    for (int i = 0; i < n; ++i) b += "E,S" + QByteArray::number(i).rightJustified(6, '0') + ",M,1,A\r\n";
    return b;
}
constexpr int kLlanas = 20000;  // unas 420 KiB

class Hostiles : public VentanaDePrueba {
  protected:
    QStringList garantias() {
        return filas("SELECT serie, modelo, nroTransmision FROM AUX_GARANTIA ORDER BY rowid");
    }
    // Importa (o prueba) un csv grande que se corta por la mitad al llegar a la fila 100; el
    // operador contesta "Abortar" a la falla.
    void importarTruncandoEnLaFila100(bool prueba) {
        const QString ruta = archivo(QStringLiteral("hostil.csv"), FilasLlanas(kLlanas));
        buscar(ruta);
        mensajes_->olvidar();
        QObject::connect(modelo_.get(), &ModeloVentana::progreso, [ruta](qint64 hechas, qint64) {
            if (hechas == 100) ASSERT_TRUE(QFile(ruta).resize(QFile(ruta).size() / 2));
        });
        mensajes_->responder(RespuestaMensaje::Abortar);
        ventana_->setPrueba(prueba);
        ventana_->cmdImportar_Click();
    }
};

}  // namespace

TEST_F(Hostiles, CadaArchivoDaSusFilasOSuMensajeConLaLinea) {
    const QByteArray llanas = FilasLlanas(kLlanas);
    const int lineaTrasLlanas = kLlanas + 2;  // la cabecera es la línea 1
    struct Caso {
        const char* nombre;
        QByteArray contenido;
        QString mensaje;      // vacío: se importa
        QStringList ultimas;  // las últimas filas guardadas (serie|modelo)
    };
    // Relleno para que el byte siguiente caiga justo en el borde de un trozo de 1 MiB del examen.
    const auto hastaElBorde = [&](int antes) { return QByteArray(1024 * 1024 - llanas.size() - antes, 'x'); };
    const QByteArray x1 = hastaElBorde(3);  // 'E,"' y después el relleno
    const QByteArray x2 = hastaElBorde(3);  // 'E,S' ...
    const Caso casos[] = {
        {"comilla doblada partida por el borde del trozo",
         llanas + "E,\"" + x1.chopped(1) + "\"\"y\",M,1,A\r\n",
         {},
         {QString::fromLatin1(x1.chopped(1)) + QStringLiteral("\"y|M")}},
        {"UTF-8 partido por el borde del trozo",
         llanas + "E,S" + x2.chopped(1) + "\xc3\xa9,M,1,A\r\n",
         {},
         {QStringLiteral("S") + QString::fromLatin1(x2.chopped(1)) + QStringLiteral("é|M")}},
        {"comilla sin cerrar justo en el borde del trozo",
         llanas + "E,S" + hastaElBorde(3 + 8 + 2) + ",M,1,A\r\nE,\"S1,M,1,A\r\n",
         QStringLiteral("comilla que abre un campo en la línea %1 y no se cierra").arg(lineaTrasLlanas + 1),
         {}},
        {"acentos de Windows-1252 después de 400 KiB de ASCII",
         llanas + "E,SER\xe9"
                  "1,G\xfc"
                  "emes,1,A\r\nE,SER\xe8"
                  "1,G\xfc"
                  "emes,1,A\r\n",
         {},
         {QStringLiteral("SERé1|Güemes"), QStringLiteral("SERè1|Güemes")}},
        {"UTF-8 válido entero",
         llanas + "E,SER\xc3\xa9"
                  "1,G\xc3\xbc"
                  "emes,1,A\r\n",
         {},
         {QStringLiteral("SERé1|Güemes")}},
        {"un byte nulo al final",
         llanas + QByteArray("E,S\0X,M,1,A\r\n", 13),
         QStringLiteral("byte nulo en la línea %1").arg(lineaTrasLlanas),
         {}},
        {"marca de UTF-8 que miente",
         "\xef\xbb\xbf" + llanas +
             "E,SER\xe9"
             "1,M,1,A\r\n",
         QStringLiteral("marca de UTF-8 pero la línea %1 no está en UTF-8").arg(lineaTrasLlanas),
         {}},
        {"UTF-8 cortado al final con marca",
         "\xef\xbb\xbf" + llanas + "E,S,M,1,\xc3",
         QStringLiteral("marca de UTF-8 pero la línea %1 no está en UTF-8").arg(lineaTrasLlanas),
         {}},
        {"comilla sin cerrar",
         llanas + "E,\"S1,M,1,A\r\n" + FilasLlanas(10).mid(35),
         QStringLiteral("comilla que abre un campo en la línea %1 y no se cierra").arg(lineaTrasLlanas),
         {}},
        {"comillas dobladas y saltos de línea dentro de un campo bien cerrado",
         llanas + "E,\"S\"\"1\r\nX\",M,1,A\r\n",
         {},
         {QStringLiteral("S\"1\r\nX|M")}},
        {"una comilla en medio de un campo no abre nada",
         llanas + "E,S\"1,M,1,A\r\n",
         {},
         {QStringLiteral("S\"1|M")}},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        sql("DELETE FROM AUX_GARANTIA");
        sql("DELETE FROM MV_TRANSMISIONES");
        buscar(archivo(QStringLiteral("hostil.csv"), c.contenido));
        mensajes_->olvidar();
        if (!c.mensaje.isEmpty()) mensajes_->responder(RespuestaMensaje::Aceptar);
        ventana_->cmdImportar_Click();
        if (c.mensaje.isEmpty()) {
            EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
            EXPECT_EQ(modelo_->lblEstado(), "Importación finalizada");
            const QStringList g = garantias();
            ASSERT_EQ(g.size(), kLlanas + c.ultimas.size());
            for (qsizetype i = 0; i < c.ultimas.size(); ++i)
                EXPECT_EQ(g[kLlanas + i], c.ultimas[i] + QStringLiteral("|1"));
        } else {
            ASSERT_EQ(mensajes_->cuadros().size(), 1u) << qPrintable(mensajes_->textos().join("\n"));
            EXPECT_TRUE(mensajes_->cuadros()[0].texto.contains(c.mensaje))
                << qPrintable(mensajes_->cuadros()[0].texto);
            EXPECT_EQ(mensajes_->cuadros()[0].titulo, "Aviso");
            EXPECT_EQ(modelo_->lblEstado(), mensajes_->cuadros()[0].texto);
            EXPECT_FALSE(ventana_->resumen().terminada);
            // Rechazado antes de tomar la transmisión: la base quedó como estaba.
            EXPECT_EQ(garantias(), QStringList{});
            EXPECT_EQ(filas("SELECT * FROM MV_TRANSMISIONES"), QStringList{});
        }
    }
}

TEST_F(Hostiles, LaVistaPreviaSigueMirandoSoloElPrincipio) {
    // La vista previa no recorre el archivo: un defecto del final no la frena.
    buscar(archivo(QStringLiteral("hostil.csv"), FilasLlanas(kLlanas) + "E,\"S1,M,1,A\r\n"));
    EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
    EXPECT_EQ(grilla(modelo_->MSFlexGrid2)[1].section('|', 2, 2), "S000000");
}

TEST_F(Hostiles, UnArchivoTruncadoEnMedioDiceCuantasFilasQuedaron) {
    importarTruncandoEnLaFila100(false);
    const QString guardadas = filas("SELECT count(*) FROM AUX_GARANTIA").value(0);
    EXPECT_GT(guardadas.toInt(), 0);
    EXPECT_LT(guardadas.toInt(), kLlanas);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u) << qPrintable(mensajes_->textos().join("\n"));
    const QString texto = mensajes_->cuadros()[0].texto;
    EXPECT_TRUE(texto.contains("cambió mientras se leía")) << qPrintable(texto);
    // La lee una persona: con separador de miles.
    const QString frase = QStringLiteral("Quedaron guardadas %1 filas en la transmisión 1")
                              .arg(Regional::TextoMiles(guardadas.toLongLong()));
    EXPECT_TRUE(texto.contains(frase)) << qPrintable(texto);
    EXPECT_FALSE(ventana_->resumen().terminada);
    EXPECT_EQ(ventana_->resumen().guardado, frase);
}

// En una prueba nada se guarda: el archivo que cambia en medio no borra lo que la prueba ya contó
// ni habla de lo guardado.
TEST_F(Hostiles, UnArchivoTruncadoEnMedioDeUnaPruebaConservaLoContado) {
    importarTruncandoEnLaFila100(true);
    ASSERT_EQ(mensajes_->cuadros().size(), 1u) << qPrintable(mensajes_->textos().join("\n"));
    const QString texto = mensajes_->cuadros()[0].texto;
    EXPECT_TRUE(texto.contains("cambió mientras se leía")) << qPrintable(texto);
    EXPECT_FALSE(texto.contains("guardad")) << qPrintable(texto);
    EXPECT_GE(ventana_->resumen().insertadas, 100);
    EXPECT_EQ(filas("SELECT count(*) FROM AUX_GARANTIA"), QStringList{"0"});
}
