#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <iostream>
#include <map>

#include "ado/ArchivoOrigen.h"
#include "ado/Conexion.h"
#include "comun/Pruebas.h"
#include "data/DiarioCorridas.h"
#include "data/Dll_Datos.h"
#include "data/sqlserver/PuntoTds.h"
#include "import/CorridaImportacion.h"
#include "suite/Componentes.h"

// El diario de las importaciones (GARANTIAS_CORRIDAS) contra lo que el servidor guarda, por el
// controlador FreeTDS real y el punto TDS, que lleva su propio almacén: en cada forma de cortarse
// una importación, la fila del diario dice la transmisión y las filas que la base tiene.

namespace {

class OyenteMudo : public OyenteCorrida {
  public:
    void estado(const QString&) override {}
    void progreso(qint64, qint64) override {}
    void campos(const QStringList&) override {}
    void filaNoAgregada(Rechazo) override {}
};

class DiarioSqlServer : public ::testing::Test {
  protected:
    void SetUp() override {
        qunsetenv("GARANTIAS_LOTES");
        DiarioCorridas::OlvidarAvisos();
    }

    // Un csv de n filas con series nuevas.
    QString archivo(int n) {
        QByteArray csv = "eca1,serie,modelo,otro,activacion\n";
        for (int i = 1; i <= n; ++i) csv += "E,S" + QByteArray::number(i) + ",M,x,A\n";
        const QString ruta = dir_.filePath(QStringLiteral("filas.csv"));
        QFile f(ruta);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(csv);
        return ruta;
    }

    // Importa el archivo a la base conectada al punto, como la línea de comandos.
    ResumenImportacion importar(const QString& ruta) {
        ArchivoOrigen origen = ArchivoOrigen::De(ruta);
        Conexion conexion;
        conexion.Open(origen.textoConexion());
        origen.tabla = origen.tablasListadas(conexion).value(0);
        OyenteMudo oyente;
        CorridaImportacion corrida(conexion, datos_, QStringLiteral("operador"), oyente);
        OpcionesCorrida opciones;
        opciones.repetir = true;
        opciones.campos = TomaDeCampos::PorPosicion;
        return corrida.correr(origen, opciones);
    }

    // La única corrida del diario del punto, y cuántas filas tiene el punto bajo su transmisión.
    struct DiarioYBase {
        int transmision = 0;
        int agregadas = 0;
        int fallidas = 0;
        QString resultado;
        int enLaBase = 0;  // filas de AUX_GARANTIA con esa transmisión (todas si no tiene)
    };
    DiarioYBase leer(const PuntoTds& punto) {
        DiarioYBase r;
        const QJsonObject almacen = punto.almacen();
        const QJsonObject corridas = almacen.value("corridas").toObject();
        EXPECT_EQ(corridas.size(), 1);
        if (corridas.isEmpty()) return r;
        const QJsonObject c = corridas.begin()->toObject();
        r.transmision = c.value("Transmision").toInt();
        r.agregadas = c.value("Agregadas").toInt();
        r.fallidas = c.value("Fallidas").toInt();
        r.resultado = c.value("Resultado").toString();
        for (const QJsonValue f : almacen.value("garantias").toObject())
            r.enLaBase += r.transmision == 0 || f.toObject().value("nroTransmision").toInt() == r.transmision;
        return r;
    }

    QTemporaryDir dir_;
    Dll_Datos& datos_ = Componentes::Datos();
};

#define PUNTO_O_SALTAR(punto)                                              \
    do {                                                                   \
        if (!(punto).listo()) GTEST_SKIP() << qPrintable((punto).falta()); \
    } while (0)

}  // namespace

// El enlace se corta en un punto de la importación (con el servidor habiendo aplicado o no el
// pedido cortado): la corrida termina "fallida" y su fila del diario dice la transmisión y las
// filas que el servidor tiene, también cuando la confirmación no tuvo respuesta.
TEST_F(DiarioSqlServer, UnCorteDejaElDiarioIgualQueLaBase) {
    struct Caso {
        const char* nombre;
        QJsonObject regla;
        int filas;
        int transmision, agregadas, fallidas;
    };
    const QJsonObject commit{{"clase", "tm"}, {"contiene", "confirmar"}, {"veces", 1}};
    const QJsonObject lote2{{"contiene", "DECLARE @f TABLE"}, {"saltar", 1}, {"veces", 1}};
    auto con = [](QJsonObject regla, const QJsonValue& cortar) {
        regla.insert("cortar", cortar);
        return regla;
    };
    for (const Caso& caso : {
             Caso{"COMMIT cortado antes de aplicarse", con(commit, true), 3, 0, 0, 3},
             Caso{"COMMIT aplicado sin respuesta", con(commit, "despues"), 3, 1, 3, 0},
             Caso{"enlace cortado después del primer grupo", con(lote2, true), 600, 1, 500, 100},
             Caso{"segundo lote aplicado sin respuesta", con(lote2, "despues"), 600, 1, 600, 0},
         }) {
        PuntoTds punto(QJsonArray{caso.regla});
        PUNTO_O_SALTAR(punto);
        ASSERT_TRUE(punto.conectar(datos_)) << caso.nombre;
        MensajesDePrueba mensajes;
        mensajes->responder(RespuestaMensaje::Aceptar);
        const ResumenImportacion r = importar(archivo(caso.filas));
        EXPECT_FALSE(r.terminada) << caso.nombre;
        // El cuadro dice lo que quedó, cada frase con un solo punto.
        const QString aviso = mensajes->textos().value(0);
        EXPECT_FALSE(aviso.contains("..")) << qPrintable(aviso);
        EXPECT_TRUE(aviso.endsWith(caso.transmision ? QStringLiteral("en la transmisión 1.")
                                                    : QStringLiteral("No quedó nada guardado.")))
            << qPrintable(aviso);
        const DiarioYBase d = leer(punto);
        EXPECT_EQ(d.resultado, "fallida") << caso.nombre;
        EXPECT_EQ(d.transmision, caso.transmision) << caso.nombre;
        EXPECT_EQ(d.agregadas, caso.agregadas) << caso.nombre;
        EXPECT_EQ(d.fallidas, caso.fallidas) << caso.nombre;
        EXPECT_EQ(d.agregadas, d.enLaBase) << caso.nombre;
    }
}

// Un kill -9 mientras el segundo lote está en el servidor: el diario ya tenía la transmisión y las
// filas del primero; el próximo inicio la marca "interrumpida" con las filas que la base tiene.
TEST_F(DiarioSqlServer, UnKillEnElSegundoLoteDejaElDiarioConLoGuardado) {
    PuntoTds punto(
        QJsonArray{QJsonObject{{"contiene", "DECLARE @f TABLE"}, {"saltar", 1}, {"callar", true}}});
    PUNTO_O_SALTAR(punto);
    const QString ruta = archivo(1000);
    std::fflush(nullptr);
    const pid_t hijo = ::fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
        // La importación, en un proceso que se mata en medio.
        if (punto.conectar(datos_)) importar(ruta);
        ::_exit(0);
    }
    auto lotes = [&] {
        int n = 0;
        for (const QJsonObject& p : punto.pedidos("rpc"))
            n +=
                p.value("texto").toString().contains("DECLARE @f TABLE") && p.value("proc") != "sp_unprepare";
        return n;
    };
    QElapsedTimer reloj;
    reloj.start();
    while (lotes() < 2 && reloj.elapsed() < 30000) QThread::msleep(10);
    ::kill(hijo, SIGKILL);
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    ASSERT_EQ(lotes(), 2) << "el segundo lote no llegó";

    DiarioYBase d = leer(punto);
    EXPECT_EQ(d.resultado, "en curso");
    EXPECT_EQ(d.transmision, 1);
    EXPECT_EQ(d.agregadas, 500);
    EXPECT_EQ(d.enLaBase, 500);

    // El próximo inicio en esta estación.
    ASSERT_TRUE(punto.conectar(datos_));
    DiarioCorridas diario(datos_, [] { return QDateTime::currentDateTime(); }, {});
    EXPECT_EQ(diario.marcarInterrumpidas(), 1);
    d = leer(punto);
    EXPECT_EQ(d.resultado, "interrumpida");
    EXPECT_EQ(d.transmision, 1);
    EXPECT_EQ(d.agregadas, d.enLaBase);
}

// Lo que cuesta importar 1.000 filas nuevas en lotes, de punta a punta (el número, el registro, el
// diario, las lecturas de una fila): cada resultado se lee hasta su fin, así ninguna lectura cuesta
// una atención (otra ida y vuelta para cancelarla).
TEST_F(DiarioSqlServer, MilFilasImportadasSinAtenciones) {
    PuntoTds punto;
    PUNTO_O_SALTAR(punto);
    ASSERT_TRUE(punto.conectar(datos_));
    const QString ruta = archivo(1000);
    punto.olvidar();
    const ResumenImportacion r = importar(ruta);
    EXPECT_TRUE(r.terminada);
    EXPECT_EQ(r.insertadas, 1000);
    std::map<QString, int> porClase;
    QSet<QString> textos;
    const auto pedidos = punto.pedidos();
    for (const QJsonObject& p : pedidos) {
        ++porClase[p.value("clase").toString()];
        if (p.value("clase") != "atencion") textos.insert(p.value("texto").toString());
    }
    std::cout << "pedidos por una importación de 1000 filas (lotes): " << pedidos.size() << " (lotes "
              << porClase["lote"] << ", rpc " << porClase["rpc"] << ", transacción " << porClase["tm"]
              << ", atenciones " << porClase["atencion"] << "), textos distintos " << textos.size() << "\n";
    EXPECT_EQ(porClase["atencion"], 0);
    EXPECT_EQ(punto.almacen().value("garantias").toObject().size(), 1000);
}
