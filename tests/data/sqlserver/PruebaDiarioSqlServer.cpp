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
#include "import/AnulacionTransmision.h"
#include "import/CorridaImportacion.h"
#include "platform/Sha256Archivo.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

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
        const QString ruta = dir_.filePath(QStringLiteral("filas%1.csv").arg(++archivos_));
        QFile f(ruta);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(csv);
        return ruta;
    }

    // Importa el archivo a la base conectada al punto, como la línea de comandos (o lo prueba).
    ResumenImportacion importar(const QString& ruta, bool prueba = false) {
        ArchivoOrigen origen = ArchivoOrigen::De(ruta);
        Conexion conexion;
        conexion.Open(origen.textoConexion());
        origen.tabla = origen.tablaPorDefecto(origen.tablasListadas(conexion));
        OyenteMudo oyente;
        CorridaImportacion corrida(conexion, datos_, QStringLiteral("operador"), oyente);
        OpcionesCorrida opciones;
        opciones.prueba = prueba;
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
    int archivos_ = 0;
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
    // El diario, en sentencias propias fuera de la transacción de las filas: si esos bytes ya se
    // importaron, la fila "en curso",
    // la transmisión en cuanto se confirma su grupo, las filas del primer lote antes del segundo, y
    // el final.
    QStringList diario;
    for (const QJsonObject& p : pedidos) {
        const QString t = p.value("texto").toString();
        if (!t.contains("GARANTIAS_CORRIDAS") || t.contains("WHERE 1=0")) continue;
        EXPECT_EQ(p.value("transacciones").toInt(), 0) << qPrintable(t);
        diario << (t.startsWith("SELECT")   ? QStringLiteral("SELECT ... WHERE ") + t.section(" WHERE ", 1)
                   : t.startsWith("INSERT") ? t.left(t.indexOf(" ("))
                                            : t.section(", SinSerie", 0, 0));
    }
    EXPECT_EQ(diario,
              (QStringList{"SELECT ... WHERE Sha256=N'" + Sha256DeArchivo(ruta).value_or(QString()) +
                               "' AND Agregadas > 0 AND Anulada IS NULL ORDER BY Inicio, Corrida",
                           "INSERT INTO GARANTIAS_CORRIDAS",
                           "UPDATE GARANTIAS_CORRIDAS SET Transmision=1, Leidas=500, Agregadas=0, "
                           "YaGuardadas=0",
                           "UPDATE GARANTIAS_CORRIDAS SET Transmision=1, Leidas=1000, Agregadas=500, "
                           "YaGuardadas=0",
                           "UPDATE GARANTIAS_CORRIDAS SET Transmision=1, Leidas=1000, Agregadas=1000, "
                           "YaGuardadas=0"}));
    EXPECT_EQ(punto.almacen().value("garantias").toObject().size(), 1000);
}

namespace {

// Los permisos que el README pide para el usuario del programa en la base de la suite (los de las
// tablas que importar, probar, el diario y anular usan).
QJsonObject PermisosDelReadme(const QString& sin = {}) {
    QJsonObject tablas{
        {"AUX_GARANTIA", QJsonArray{"SELECT", "INSERT", "DELETE"}},
        {"MV_TRANSMISIONES", QJsonArray{"SELECT", "INSERT", "UPDATE"}},
        {"GARANTIAS_CORRIDAS", QJsonArray{"SELECT", "INSERT", "UPDATE"}},
        {"V_MV_CPTEACCIONES", QJsonArray{"INSERT"}},
    };
    // "TABLA:PERMISO" que se quita.
    if (!sin.isEmpty()) {
        const QString tabla = sin.section(':', 0, 0);
        QJsonArray quedan;
        for (const QJsonValue p : tablas.value(tabla).toArray())
            if (p.toString() != sin.section(':', 1)) quedan.append(p);
        tablas.insert(tabla, quedan);
    }
    return {{"clase", "permisos"}, {"tablas", tablas}};
}

}  // namespace

// Con exactamente los permisos del README, importar (en lotes y fila por fila), probar, el diario
// (con su aviso de archivo repetido y las corridas interrumpidas) y anular corren sin que el
// servidor niegue una sola sentencia. Sin UPDATE sobre MV_TRANSMISIONES, anular falla con la
// negativa del servidor; sin SELECT sobre el diario, el aviso dice que falta el permiso, no la
// tabla.
TEST_F(DiarioSqlServer, LosPermisosDelReadmeAlcanzanParaImportarProbarYAnular) {
    PuntoTds punto(QJsonArray{PermisosDelReadme()});
    PUNTO_O_SALTAR(punto);
    ASSERT_TRUE(punto.conectar(datos_));
    const QString ruta = archivo(600);
    EXPECT_TRUE(importar(ruta).terminada);
    qputenv("GARANTIAS_LOTES", "no");
    EXPECT_TRUE(importar(archivo(700)).terminada);  // repetido: se importa igual; 100 filas nuevas
    qunsetenv("GARANTIAS_LOTES");
    EXPECT_EQ(importar(ruta, true).yaGuardadas, 600);
    DiarioCorridas(datos_, [] { return QDateTime::currentDateTime(); }, {}).marcarInterrumpidas();
    EXPECT_EQ(Anular(1).motivo, EstadoAnulacion::Lista);
    QStringList negadas;
    for (const QJsonObject& p : punto.pedidos("denegado"))
        negadas << p.value("permiso").toString() + ' ' + p.value("tabla").toString() + ": " +
                       p.value("texto").toString().left(80);
    EXPECT_TRUE(negadas.isEmpty()) << qPrintable(negadas.join('\n'));
    EXPECT_EQ(punto.almacen().value("garantias").toObject().size(), 100);  // las de la transmisión 2

    struct Caso {
        const char* sin;
        const char* dice;
    };
    for (const Caso& caso : {Caso{"MV_TRANSMISIONES:UPDATE", "The UPDATE permission was denied"},
                             Caso{"GARANTIAS_CORRIDAS:SELECT", "no tiene permiso para leer el diario"}}) {
        DiarioCorridas::OlvidarAvisos();
        PuntoTds otro(QJsonArray{PermisosDelReadme(caso.sin)});
        ASSERT_TRUE(otro.conectar(datos_));
        QStringList avisos;
        DiarioCorridas diario(
            datos_, [] { return QDateTime::currentDateTime(); }, [&](const QString& a) { avisos << a; });
        if (QString(caso.sin).startsWith("GARANTIAS")) {
            EXPECT_FALSE(diario.disponible());
            EXPECT_TRUE(avisos.join('|').contains(caso.dice)) << qPrintable(avisos.join('|'));
            continue;
        }
        EXPECT_TRUE(importar(archivo(3)).terminada);
        const EstadoAnulacion e = Anular(1);
        EXPECT_EQ(e.motivo, EstadoAnulacion::Fallo);
        EXPECT_TRUE(e.mensaje.contains(caso.dice)) << qPrintable(e.mensaje);
        EXPECT_EQ(otro.almacen().value("garantias").toObject().size(), 3);  // nada se borró
    }
}

// Anular por el cable: todo en una transacción (el mismo descriptor de punta a punta), el registro
// leído con UPDLOCK, HOLDLOCK antes de borrar, y las sentencias exactas.
TEST_F(DiarioSqlServer, AnularEsUnaTransaccionConSusSentenciasExactas) {
    PuntoTds punto;
    PUNTO_O_SALTAR(punto);
    ASSERT_TRUE(punto.conectar(datos_));
    ASSERT_TRUE(importar(archivo(3)).terminada);
    punto.olvidar();
    const QString usuario = std::exchange(sesion().Usuario, QStringLiteral("operador"));
    const EstadoAnulacion anulada = Anular(1);
    sesion().Usuario = usuario;
    ASSERT_EQ(anulada.motivo, EstadoAnulacion::Lista) << qPrintable(anulada.mensaje);
    QStringList vistas;
    QSet<qint64> descriptores;
    const auto pedidos = punto.pedidos();
    std::size_t confirmar = 0;
    while (confirmar < pedidos.size() && pedidos[confirmar].value("texto") != "confirmar") ++confirmar;
    ASSERT_LT(confirmar, pedidos.size());
    EXPECT_EQ(pedidos.front().value("texto").toString(), "empezar");
    for (std::size_t i = 1; i < confirmar; ++i) {
        const QJsonObject& p = pedidos[i];
        EXPECT_EQ(p.value("transacciones").toInt(), 1) << qPrintable(p.value("texto").toString());
        descriptores.insert(p.value("descriptor").toInteger());
        const QString t = p.value("texto").toString().simplified();
        if (t.contains("getDate()") || t.contains("WHERE 1=0")) continue;  // la hora; si hay diario
        vistas << (t.startsWith("SELECT Corrida,") ? t.section(" FROM ", 1) : t.left(t.indexOf(" VALUES")));
    }
    EXPECT_EQ(descriptores.size(), 1);
    EXPECT_FALSE(descriptores.contains(0));
    ASSERT_EQ(vistas.size(), 7) << qPrintable(vistas.join('\n'));
    EXPECT_EQ(vistas[0],
              "SELECT Fecha, Hora, Anulado FROM MV_TRANSMISIONES WITH (UPDLOCK, HOLDLOCK) WHERE "
              "TIPO='S' AND Transmision=1");
    EXPECT_EQ(vistas[1], "GARANTIAS_CORRIDAS WHERE Transmision=1 ORDER BY Inicio, Corrida");
    EXPECT_EQ(vistas[2], "SELECT COUNT(*) AS filas FROM AUX_GARANTIA WHERE NroTransmision=1");
    EXPECT_EQ(vistas[3], "DELETE FROM AUX_GARANTIA WHERE nroTransmision=1");
    EXPECT_EQ(vistas[4], "UPDATE MV_TRANSMISIONES SET Anulado=1 WHERE TIPO='S' AND Transmision=1");
    EXPECT_TRUE(vistas[5].startsWith("UPDATE GARANTIAS_CORRIDAS SET Anulada=N'")) << qPrintable(vistas[5]);
    EXPECT_TRUE(vistas[5].endsWith(", AnuladaPor=N'operador' WHERE Transmision=1")) << qPrintable(vistas[5]);
    EXPECT_TRUE(vistas[6].startsWith("INSERT INTO V_MV_CPTEACCIONES")) << qPrintable(vistas[6]);
    const QJsonObject almacen = punto.almacen();
    EXPECT_TRUE(almacen.value("garantias").toObject().isEmpty());
    EXPECT_EQ(almacen.value("transmisiones").toObject().value("1").toObject().value("Anulado").toInt(), 1);
    EXPECT_FALSE(
        almacen.value("corridas").toObject().begin()->toObject().value("Anulada").toString().isEmpty());
}
