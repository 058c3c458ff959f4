#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <iostream>
#include <map>

#include "ado/Errores.h"
#include "data/Dll_Datos.h"
#include "data/EscrituraFilaPorFila.h"
#include "data/EscrituraGarantias.h"
#include "data/FilasTransmision.h"
#include "data/SeriesGuardadas.h"
#include "data/sqlserver/PuntoTds.h"
#include "import/GrupoTransmision.h"
#include "import/HerramientasConsulta.h"
#include "platform/ErrorEjecucion.h"
#include "suite/Componentes.h"

// El camino de SQL Server por el controlador FreeTDS real (unixODBC), contra un punto TDS que
// contesta según un guion y anota cada pedido: lo que se prueba es lo que viaja por el cable.

namespace {

class SqlServerTds : public ::testing::Test {
  protected:
    void SetUp() override { qunsetenv("GARANTIAS_LOTES"); }

    // Conecta la base de la suite al punto, con el guion dado. false (y la prueba se salta) si el
    // punto no puede arrancar aquí.
    bool conectar(QJsonArray guion = {}) {
        // Lo que la corrida lee además de sus filas: el mayor número (ninguno) y la hora del
        // servidor.
        guion.append(PuntoTds::Regla(
            "MAX(TRANSMISION)",
            QJsonArray{PuntoTds::Filas({"transmision"}, QJsonArray{QJsonArray{QJsonValue()}})}));
        guion.append(PuntoTds::Regla(
            "getDate()",
            QJsonArray{PuntoTds::Filas({"fecha"}, QJsonArray{QJsonArray{"11/12/2026 03:00:00"}})}));
        punto_ = std::make_unique<PuntoTds>(guion);
        if (!punto_->listo()) return false;
        const bool conectado = punto_->conectar(datos_);
        EXPECT_TRUE(conectado) << qPrintable(datos_.UltimaFalla());
        return conectado;
    }

    // Los textos de los pedidos de una clase, en orden.
    QStringList textos(const QString& clase) const {
        QStringList t;
        for (const QJsonObject& p : punto_->pedidos(clase)) t << p.value(QStringLiteral("texto")).toString();
        return t;
    }

    // Lo que pasó al escribir n filas nuevas (series S1..Sn) por la escritura de SQL Server, con
    // el grupo de la transmisión de la corrida: el número y el registro van en la transacción de
    // la primera sentencia que agrega.
    struct Escrito {
        std::vector<ResultadoFila> filas;
        QStringList avisos;
        bool bien = true;
        QString guardado;
    };
    Escrito escribir(int n, EscrituraGarantias::Modo modo = EscrituraGarantias::Modo::Automatico) {
        Escrito r;
        GrupoTransmision grupo(datos_, QStringLiteral("operador"));
        std::unique_ptr<EscrituraGarantias> e;
        const EscrituraGarantias::Transmision t{[&] { return grupo.asegurar(); }, [&] { grupo.confirmar(); },
                                                [&] { return grupo.largo(); }, [&] { grupo.deshecho(); },
                                                [&] { grupo.confirmarSentencia(); }};
        e = EscrituraGarantias::Crear(
            datos_.conexion(), t,
            [&](const ResultadoFila& f) {
                r.filas.push_back(f);
                if (f.detiene()) r.bien = false;
                grupo.contar(f.destino == ResultadoFila::Agregada, !e->diferida());
            },
            [&](const QString& a) { r.avisos << a; }, modo);
        for (int i = 1; i <= n && r.bien; ++i) e->agregar(i, {"M", QStringLiteral("S%1").arg(i), "E", "A"});
        if (r.bien) e->vaciar();
        try {
            grupo.confirmar();
        } catch (const ErrorEjecucion& x) {
            r.guardado = x.descripcion() + ' ';
        }
        r.guardado += grupo.textoGuardado();
        return r;
    }

    // Una sentencia que contiene la marca no terminó y el controlador la canceló (la siguió una
    // atención): después se pregunta, se deshace lo abierto, y ninguna fila más; lo último que se
    // preguntó dice que el servidor quedó sin transacciones abiertas.
    void nadaDespuesDelCorte(const QString& marca, const char* nombre) {
        const auto pedidos = punto_->pedidos();
        std::size_t cortado = pedidos.size();
        for (std::size_t i = 0; i + 1 < pedidos.size() && cortado == pedidos.size(); ++i) {
            if (pedidos[i].value("texto").toString().contains(marca) &&
                pedidos[i].value("proc") != "sp_unprepare" && pedidos[i + 1].value("clase") == "atencion")
                cortado = i;
        }
        ASSERT_LT(cortado, pedidos.size()) << nombre;
        QStringList despues;
        QJsonObject ultimoLote;
        for (std::size_t i = cortado + 1; i < pedidos.size(); ++i) {
            const QJsonObject& p = pedidos[i];
            despues << p.value("clase").toString() + ':' + p.value("proc").toString() +
                           p.value("texto").toString().left(40);
            if (p.value("proc") != "sp_unprepare") {
                EXPECT_FALSE(p.value("texto").toString().contains("AUX_GARANTIA")) << nombre;
            }
            if (p.value("clase") == "lote") ultimoLote = p;
        }
        EXPECT_EQ(ultimoLote.value("texto").toString(), "SELECT @@TRANCOUNT")
            << nombre << qPrintable(despues.join('|'));
        EXPECT_EQ(ultimoLote.value("transacciones").toInt(), 0) << nombre << qPrintable(despues.join('|'));
    }

    std::unique_ptr<PuntoTds> punto_;
    Dll_Datos& datos_ = Componentes::Datos();
};

#define CONECTAR_O_SALTAR(guion)                                                         \
    do {                                                                                 \
        if (!conectar(guion)) {                                                          \
            if (punto_ && !punto_->listo()) GTEST_SKIP() << qPrintable(punto_->falta()); \
            return;                                                                      \
        }                                                                                \
    } while (0)

// Las filas que el lote dice haber agregado: 1..n.
QJsonArray Numeros(int desde, int hasta) {
    QJsonArray filas;
    for (int i = desde; i <= hasta; ++i) filas.append(QJsonArray{i});
    return filas;
}

}  // namespace

// La conexión se abre por el controlador real, sabe que es SQL Server desde que se abre y deja
// fijado el formato de fecha de los literales del programa.
// Cada sesión (también la que abre una reconexión tras un enlace caído) pide que las sentencias
// informen cuántas filas cambiaron, diga lo que diga la configuración del servidor.
TEST_F(SqlServerTds, ConectaYSabeQueEsSqlServerYCadaSesionCuentaFilas) {
    CONECTAR_O_SALTAR((QJsonArray{QJsonObject{{"contiene", "SELECT 1 AS corte"}, {"cortar", true}}}));
    EXPECT_EQ(datos_.conexion().motor(), MotorBase::SqlServer);
    datos_.EjecutarSQL("SELECT 1 AS corte");
    EXPECT_GT(datos_.conexion().Errors().Count(), 0);
    datos_.EjecutarSQL("SELECT 2 AS despues");
    EXPECT_EQ(datos_.conexion().Errors().Count(), 0);
    const auto lotes = punto_->pedidos("lote");
    QStringList inicio;
    for (const auto& p : lotes)
        if (p.value("texto").toString().startsWith("SET DATEFORMAT"))
            inicio << QString::number(p.value("conexion").toInt()) + ':' + p.value("texto").toString();
    EXPECT_EQ(inicio, (QStringList{"1:SET DATEFORMAT dmy; SET NOCOUNT OFF",
                                   "2:SET DATEFORMAT dmy; SET NOCOUNT OFF"}));
}

// El punto lleva las transacciones como el servidor, por el controlador real: un COMMIT o un
// ROLLBACK sin transacción es un error (3902, 3903); una transacción que el servidor terminó por su
// cuenta (un ROLLBACK dentro de un lote, un 1205 dentro de un RPC, que además da 266) se deshace
// sin perder la conexión, y confirmarla falla diciendo que no quedó; cada pedido dentro de una
// transacción lleva su descriptor; NOCOUNT es de la sesión, y el de un RPC vale hasta que vuelve.
TEST_F(SqlServerTds, ElPuntoLlevaLasTransaccionesComoElServidor) {
    CONECTAR_O_SALTAR((QJsonArray{
        PuntoTds::Regla("INSERT INTO AUX_GARANTIA",
                        QJsonArray{PuntoTds::Error(1205, 45, "Transaction was deadlocked.", 13)}, 1)}));
    Conexion& c = datos_.conexion();
    auto errores = [&] {
        QList<int> n;
        for (int i = 0; i < c.Errors().Count(); ++i) n << c.Errors().Item(i).nativo;
        return n;
    };
    auto cuenta = [&] {
        auto rs = c.abrirRecordset("SELECT @@TRANCOUNT");
        return rs->Field(0).toInt();
    };
    c.Execute("COMMIT TRANSACTION");
    EXPECT_EQ(errores(), QList<int>{3902});
    c.Execute("ROLLBACK TRANSACTION");
    EXPECT_EQ(errores(), QList<int>{3903});

    // El servidor terminó la transacción: deshacerla no pierde la conexión; confirmarla falla.
    c.BeginTrans();
    c.Execute("ROLLBACK TRANSACTION");
    EXPECT_NO_THROW(c.RollbackTrans());
    c.BeginTrans();
    c.Execute("ROLLBACK TRANSACTION");
    try {
        c.CommitTrans();
        ADD_FAILURE() << "confirmó una transacción que el servidor ya no tenía";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.numero(), FallasMotor::ConfirmarSinTransaccion);
    }
    EXPECT_EQ(cuenta(), 0);

    // Un 1205 dentro de un RPC deshace la transacción entera; el RPC termina con 266.
    c.BeginTrans();
    auto fila = c.preparar(EscrituraFilaPorFila::kInsertarFila);
    EXPECT_EQ(c.ejecutar(*fila, {"M", "S1", 7, "E", "A", "S1"}), -1);
    EXPECT_EQ(errores(), (QList<int>{1205, 266}));
    EXPECT_NO_THROW(c.RollbackTrans());
    EXPECT_EQ(cuenta(), 0);

    // NOCOUNT: de la sesión; el SET de un RPC no queda.
    auto& otra = fila;
    auto callada = c.preparar("SET NOCOUNT ON");
    c.Execute("SET NOCOUNT ON");
    EXPECT_EQ(c.ejecutar(*otra, {"M", "S2", 7, "E", "A", "S2"}), 0);
    EXPECT_TRUE(otra->sinCuenta());
    c.Execute("SET NOCOUNT OFF");
    c.ejecutar(*callada, {});
    EXPECT_EQ(c.ejecutar(*otra, {"M", "S3", 7, "E", "A", "S3"}), 1);

    // Todo por la misma conexión; dentro de una transacción, cada pedido con su descriptor.
    std::map<int, QSet<qint64>> descriptores;
    for (const auto& p : punto_->pedidos()) {
        EXPECT_EQ(p.value("conexion").toInt(), 1) << qPrintable(p.value("texto").toString());
        descriptores[p.value("transacciones").toInt() > 0].insert(p.value("descriptor").toInteger());
    }
    EXPECT_EQ(descriptores[false], QSet<qint64>{0});
    EXPECT_FALSE(descriptores[true].contains(0));
}

// Una sentencia preparada sobrevive a una reconexión de verdad: la corrida siguiente a la pérdida
// vuelve a conectar y la prepara otra vez sobre el enlace nuevo (antes decía "era de una conexión
// que se perdió" y no mandaba nada).
TEST_F(SqlServerTds, UnaSentenciaPreparadaSePreparaOtraVezTrasReconectar) {
    CONECTAR_O_SALTAR((QJsonArray{QJsonObject{{"contiene", "SELECT 1 AS corte"}, {"cortar", true}}}));
    Conexion& c = datos_.conexion();
    auto fila = c.preparar(EscrituraFilaPorFila::kInsertarFila);
    EXPECT_EQ(c.ejecutar(*fila, {"M", "S1", 7, "E", "A", "S1"}), 1);
    datos_.EjecutarSQL("SELECT 1 AS corte");
    ASSERT_GT(c.Errors().Count(), 0);
    EXPECT_EQ(c.ejecutar(*fila, {"M", "S2", 7, "E", "A", "S2"}), 1)
        << qPrintable(c.Errors().Count() ? c.Errors().Item(0).descripcion : QString());
    QStringList vistas;
    for (const auto& p : punto_->pedidos("rpc"))
        vistas << QString::number(p.value("conexion").toInt()) + ':' + p.value("proc").toString();
    EXPECT_EQ(vistas, (QStringList{"1:sp_prepexec", "2:sp_prepexec"}));
    EXPECT_EQ(punto_->almacen().value("garantias").toObject().keys(), (QStringList{"s1", "s2"}));
}

// Lo que pasó con una fila sale de la cuenta del servidor; una respuesta sin cuenta (una sesión
// con NOCOUNT) es una falla, nunca "ya guardada".
TEST_F(SqlServerTds, UnaFilaSinCuentaEsUnaFalla) {
    struct Caso {
        QJsonObject respuesta;
        ResultadoFila::Destino destino;
    };
    for (const Caso& caso : {Caso{PuntoTds::Cuenta(1), ResultadoFila::Agregada},
                             Caso{PuntoTds::Cuenta(0), ResultadoFila::YaGuardada},
                             Caso{PuntoTds::SinCuenta(), ResultadoFila::Fallo}}) {
        CONECTAR_O_SALTAR(
            (QJsonArray{PuntoTds::Regla("INSERT INTO AUX_GARANTIA", QJsonArray{caso.respuesta})}));
        const Escrito r = escribir(1, EscrituraGarantias::Modo::FilaPorFila);
        ASSERT_EQ(r.filas.size(), 1u);
        EXPECT_EQ(r.filas[0].destino, caso.destino) << qPrintable(r.filas[0].descripcion);
        if (caso.destino == ResultadoFila::Fallo) {
            EXPECT_TRUE(r.filas[0].descripcion.contains("no dijo si guardó"))
                << qPrintable(r.filas[0].descripcion);
            EXPECT_EQ(r.guardado, "No quedó ninguna transmisión: no se agregó ninguna fila.");
        }
    }
}

// El lote deja la sesión como la encontró (vuelve a contar filas si contaba), y si el servidor
// rechaza su sentencia, las filas que siguen una por una se cuentan por su respuesta.
TEST_F(SqlServerTds, DespuesDeUnLoteRechazadoLasFilasSeCuentan) {
    CONECTAR_O_SALTAR(
        (QJsonArray{PuntoTds::Regla("DECLARE @f TABLE",
                                    QJsonArray{PuntoTds::Error(8623, 1, "El lote es demasiado complejo.")}),
                    PuntoTds::Regla("INSERT INTO AUX_GARANTIA", QJsonArray{PuntoTds::Cuenta(1)})}));
    const Escrito r = escribir(3);
    ASSERT_EQ(r.filas.size(), 3u);
    for (const auto& f : r.filas) EXPECT_EQ(f.destino, ResultadoFila::Agregada);
    ASSERT_EQ(r.avisos.size(), 1);
    EXPECT_EQ(r.guardado, "Quedó la transmisión 1 con 3 filas.");
    for (const auto& p : punto_->pedidos("rpc")) {
        const QString t = p.value("texto").toString();
        if (!t.contains("DECLARE @f TABLE")) continue;
        EXPECT_TRUE(t.startsWith(
            "DECLARE @contaba bit = CASE WHEN @@OPTIONS & 512 = 0 THEN 1 ELSE 0 END;\nSET NOCOUNT ON;"));
        EXPECT_TRUE(t.endsWith("END CATCH;\nIF @contaba = 1 SET NOCOUNT OFF;"));
    }
}

// Mil filas nuevas: cada sentencia se declara y prepara una sola vez (sp_prepexec la primera vez,
// sp_execute las demás, ningún sp_unprepare en medio), en lotes de a 500 y fila por fila.
TEST_F(SqlServerTds, MilFilasNuevasConUnaSolaDeclaracion) {
    struct Caso {
        EscrituraGarantias::Modo modo;
        int pedidos;
    };
    for (const Caso caso :
         {Caso{EscrituraGarantias::Modo::Automatico, 2}, Caso{EscrituraGarantias::Modo::FilaPorFila, 1000}}) {
        CONECTAR_O_SALTAR((QJsonArray{
            PuntoTds::Regla("DECLARE @f TABLE", QJsonArray{PuntoTds::Filas({"n"}, Numeros(1, 500))})}));
        punto_->olvidar();
        int agregadas = 0;
        auto e = EscrituraGarantias::Crear(
            datos_.conexion(), {[] { return 7; }, {}},
            [&](const ResultadoFila& r) { agregadas += r.destino == ResultadoFila::Agregada; }, {},
            caso.modo);
        // Valores de largos distintos: la declaración no depende del valor.
        for (int i = 1; i <= 1000; ++i)
            e->agregar(i, {QString(i % 7, 'M'), QStringLiteral("S%1").arg(i), "E", QString(i % 50, 'A')});
        e->vaciar();
        EXPECT_EQ(agregadas, 1000);
        const auto pedidos = punto_->pedidos();
        std::map<QString, int> porProc;
        QSet<QString> declaraciones;
        for (const auto& p : pedidos) {
            ++porProc[p.value("proc").toString()];
            declaraciones.insert(p.value("declaracion").toString());
        }
        std::cout << "pedidos por 1000 filas nuevas ("
                  << (caso.modo == EscrituraGarantias::Modo::Automatico ? "lotes" : "fila por fila")
                  << "): " << pedidos.size() << "\n";
        EXPECT_EQ(static_cast<int>(pedidos.size()), caso.pedidos);
        EXPECT_EQ(porProc["sp_prepexec"], 1);
        EXPECT_EQ(porProc["sp_unprepare"], 0);
        EXPECT_EQ(porProc["sp_execute"], caso.pedidos - 1);
        EXPECT_EQ(declaraciones.size(), 1);
    }
}

// La importación de prueba pregunta por las series de a 400 por consulta: 1.000 series son tres
// pedidos, no mil; cada respuesta llega a la serie que le toca, en el orden pedido (el servidor
// dice el número de cada serie guardada dentro de su consulta; uno fuera de ella no cuenta).
TEST_F(SqlServerTds, LaPruebaPreguntaPorLasSeriesDeA400) {
    CONECTAR_O_SALTAR((QJsonArray{
        PuntoTds::Regla("SELECT DISTINCT p.pedida",
                        QJsonArray{PuntoTds::Filas(
                            {"pedida"}, QJsonArray{QJsonArray{0}, QJsonArray{7}, QJsonArray{399}})})}));
    punto_->olvidar();
    std::vector<std::pair<qint64, bool>> respuestas;
    {
        PruebaSeries prueba(datos_, [&](qint64 fila, const QString& serie, bool guardada) {
            EXPECT_EQ(serie, QStringLiteral("S%1").arg(fila));
            respuestas.emplace_back(fila, guardada);
        });
        ASSERT_TRUE(prueba.diferida());
        for (int i = 0; i < 1000; ++i) prueba.pedir(i, QStringLiteral("S%1").arg(i));
        EXPECT_EQ(respuestas.size(), 800u);  // las últimas 200 esperan
        prueba.vaciar();
    }
    ASSERT_EQ(respuestas.size(), 1000u);
    std::vector<qint64> guardadas;
    for (std::size_t i = 0; i < respuestas.size(); ++i) {
        EXPECT_EQ(respuestas[i].first, static_cast<qint64>(i));
        if (respuestas[i].second) guardadas.push_back(respuestas[i].first);
    }
    EXPECT_EQ(guardadas, (std::vector<qint64>{0, 7, 399, 400, 407, 799, 800, 807}));
    // Una sola sentencia, preparada una vez (sp_prepexec y después sp_execute), con 400 parámetros
    // nvarchar(4000): las series que faltan en la última consulta van nulas. Al terminar la
    // prueba se suelta (sp_unprepare), una vez.
    auto rpc = punto_->pedidos("rpc");
    ASSERT_FALSE(rpc.empty());
    EXPECT_EQ(rpc.back().value("proc").toString(), "sp_unprepare");
    rpc.pop_back();
    QStringList pedidos = textos("lote");
    for (const auto& p : rpc) pedidos << p.value("texto").toString();
    std::cout << "pedidos de la prueba por 1000 series: " << pedidos.size() << ", textos distintos "
              << QSet<QString>(pedidos.begin(), pedidos.end()).size() << "\n";
    EXPECT_EQ(pedidos.size(), 3);
    EXPECT_EQ(QSet<QString>(pedidos.begin(), pedidos.end()).size(), 1);
    for (const QString& t : pedidos) EXPECT_TRUE(t.contains("AUX_GARANTIA")) << qPrintable(t.left(80));
    ASSERT_EQ(rpc.size(), 3u);
    QStringList procs;
    for (const auto& p : rpc) procs << p.value("proc").toString();
    EXPECT_EQ(procs, (QStringList{"sp_prepexec", "sp_execute", "sp_execute"}));
    EXPECT_EQ(rpc[0].value("declaracion").toString().count("NVARCHAR(4000)"), 400)
        << qPrintable(rpc[0].value("declaracion").toString().left(120));
    const QJsonArray ultimos = rpc[2].value("valores").toArray();
    ASSERT_EQ(ultimos.size(), 400);
    EXPECT_EQ(ultimos[199].toString(), "S999");
    EXPECT_TRUE(ultimos[200].isNull());
    EXPECT_TRUE(ultimos[399].isNull());
}

// Un lote que el servidor no termina a tiempo: el controlador lo cancela y el servidor deja
// abierta la transacción que el lote empezó. El programa pregunta, la deshace, dice que esas
// filas no se guardaron y no escribe nada más (nunca dentro de una transacción que no conoce).
// Dentro del grupo que espera su primera fila, se va también el registro de la transmisión.
TEST_F(SqlServerTds, UnLoteCortadoNoDejaUnaTransaccionAbierta) {
    struct Caso {
        const char* nombre;
        int primerLote;  // filas agregadas por el primer lote, antes del cortado
        const char* guardado;
    };
    for (const Caso& caso :
         {Caso{"en el grupo abierto", 0, "No quedó ninguna transmisión: no se agregó ninguna fila."},
          Caso{"después", 500, "Quedó la transmisión 1 con 500 filas."}}) {
        QJsonArray guion;
        if (caso.primerLote > 0)
            guion.append(
                PuntoTds::Regla("DECLARE @f TABLE", QJsonArray{PuntoTds::Filas({"n"}, Numeros(1, 500))}, 1));
        guion.append(
            QJsonObject{{"contiene", "DECLARE @f TABLE"},
                        {"callar", true},
                        {"responder", QJsonArray{PuntoTds::Transacciones(caso.primerLote > 0 ? 1 : 2)}}});
        CONECTAR_O_SALTAR(guion);
        const Escrito r = escribir(caso.primerLote + 500);
        EXPECT_FALSE(r.bien) << caso.nombre;
        ASSERT_FALSE(r.filas.empty()) << caso.nombre;
        EXPECT_EQ(r.filas.size(), static_cast<std::size_t>(caso.primerLote + 1)) << caso.nombre;
        EXPECT_EQ(r.filas.back().destino, ResultadoFila::Fallo);
        EXPECT_TRUE(r.filas.back().descripcion.contains("esas filas no se guardaron"))
            << qPrintable(r.filas.back().descripcion);
        EXPECT_TRUE(r.avisos.isEmpty());
        EXPECT_EQ(r.guardado, caso.guardado) << caso.nombre;
        nadaDespuesDelCorte("DECLARE @f TABLE", caso.nombre);
    }
}

// Un bloqueo mutuo (1205) en el grupo que espera su primera fila: el servidor deshizo la
// transacción entera, con el número y el registro. El grupo se repite desde tomar el número,
// hasta tres veces, los lotes siguen y no se avisa un rechazo que no hubo; a la cuarta, un mensaje.
TEST_F(SqlServerTds, UnBloqueoMutuoEnElPrimerGrupoSeRepiteDesdeElNumero) {
    struct Caso {
        int bloqueos;
        bool bien;
    };
    for (const Caso caso : {Caso{2, true}, Caso{4, false}}) {
        const QJsonArray bloqueo{PuntoTds::Filas({"n"}, QJsonArray{QJsonArray{-1205}}),
                                 PuntoTds::Transacciones(0)};
        CONECTAR_O_SALTAR((QJsonArray{
            PuntoTds::Regla("DECLARE @f TABLE", bloqueo, caso.bloqueos),
            PuntoTds::Regla("DECLARE @f TABLE", QJsonArray{PuntoTds::Filas({"n"}, Numeros(1, 3))})}));
        const Escrito r = escribir(3);
        EXPECT_EQ(r.bien, caso.bien);
        EXPECT_TRUE(r.avisos.isEmpty()) << qPrintable(r.avisos.join('|'));
        int numeros = 0;
        for (const QString& t : textos("lote")) numeros += t.contains("MAX(TRANSMISION)");
        if (caso.bien) {
            ASSERT_EQ(r.filas.size(), 3u);
            for (const auto& f : r.filas) EXPECT_EQ(f.destino, ResultadoFila::Agregada);
            EXPECT_EQ(numeros, caso.bloqueos + 1);
            EXPECT_EQ(r.guardado, "Quedó la transmisión 1 con 3 filas.");
        } else {
            ASSERT_EQ(r.filas.size(), 1u);
            EXPECT_TRUE(r.filas[0].descripcion.contains(
                "deshizo el lote 4 veces seguidas por un bloqueo mutuo con otra estación (error 1205)"))
                << qPrintable(r.filas[0].descripcion);
            EXPECT_EQ(numeros, 4);
            EXPECT_EQ(r.guardado, "No quedó ninguna transmisión: no se agregó ninguna fila.");
        }
    }
}

// Lo que se manda dentro de una transacción de escritura y lee AUX_GARANTIA o MV_TRANSMISIONES
// lleva los bloqueos que impiden que dos estaciones tomen el mismo número o guarden la misma
// serie; y cada sentencia preparada declara exactamente los parámetros que usa y recibe.
TEST_F(SqlServerTds, BloqueosYParametrosDeLoQueSeManda) {
    for (auto modo : {EscrituraGarantias::Modo::Automatico, EscrituraGarantias::Modo::FilaPorFila}) {
        CONECTAR_O_SALTAR((QJsonArray{
            PuntoTds::Regla("DECLARE @f TABLE", QJsonArray{PuntoTds::Filas({"n"}, Numeros(1, 500))})}));
        punto_->olvidar();
        const Escrito r = escribir(600, modo);
        ASSERT_TRUE(r.bien);
        const QRegularExpression lectura(
            "(?:FROM|JOIN)\\s+(AUX_GARANTIA|MV_TRANSMISIONES)\\b(?!\\s+WITH \\(UPDLOCK, HOLDLOCK\\))",
            QRegularExpression::CaseInsensitiveOption);
        const QRegularExpression lee("(?:FROM|JOIN)\\s+(AUX_GARANTIA|MV_TRANSMISIONES)\\b",
                                     QRegularExpression::CaseInsensitiveOption);
        int conBloqueo = 0;
        for (const auto& p : punto_->pedidos()) {
            const QString t = p.value("texto").toString();
            EXPECT_FALSE(lectura.match(t).hasMatch()) << qPrintable(t.left(300));
            conBloqueo += lee.match(t).hasMatch();
            if (p.value("proc") != "sp_prepexec") continue;
            const int declarados = p.value("declaracion").toString().count(QRegularExpression("@P\\d+ "));
            QSet<QString> usados;
            for (auto m = QRegularExpression("@P\\d+\\b").globalMatch(t); m.hasNext();)
                usados.insert(m.next().captured());
            EXPECT_EQ(declarados, usados.size());
            EXPECT_EQ(declarados, p.value("valores").toArray().size());
            EXPECT_EQ(declarados, t.contains("DECLARE @f TABLE") ? 2002 : 6);
        }
        EXPECT_GE(conBloqueo, 2);  // el número y las filas
    }
}

// Sin confirmación del servidor no hay fila agregada: si el enlace se corta al confirmar el grupo
// (el COMMIT salió y no volvió nada), si el servidor contesta el COMMIT con un error, o si el
// enlace se corta después de mandar una fila que se confirma sola, las filas de esa sentencia se
// dicen sin confirmar (nunca agregadas ni fallidas), la corrida se detiene diciendo lo que quedó,
// y la operación siguiente anda sobre una conexión nueva.
TEST_F(SqlServerTds, SinConfirmacionLasFilasQuedanSinConfirmarYSeVuelveAConectar) {
    const QJsonObject commitCortado{
        {"clase", "tm"}, {"contiene", "confirmar"}, {"cortar", true}, {"veces", 1}};
    const QJsonObject commitRechazado{
        {"clase", "tm"},
        {"contiene", "confirmar"},
        {"veces", 1},
        {"responder", QJsonArray{PuntoTds::Error(3998, 1, "Transacción no confirmable al final del lote.")}}};
    const QJsonObject filaCortada{{"contiene", "INSERT INTO AUX_GARANTIA"}, {"saltar", 1}, {"cortar", true}};
    struct Caso {
        const char* nombre;
        QJsonObject regla;
        EscrituraGarantias::Modo modo;
        std::vector<ResultadoFila::Destino> destinos;
        const char* dice;  // lo que dice de las filas sin confirmar
        const char* guardado;
        int conexiones;  // las que vio el punto, con la de la operación siguiente
    };
    const auto A = ResultadoFila::Agregada, S = ResultadoFila::SinConfirmar;
    const char* noConfirmada =
        "No se pudo confirmar la transmisión 1: ninguna fila quedó confirmada (revise si la transmisión 1 "
        "existe antes de importar otra vez).";
    for (const Caso& caso : {
             Caso{"COMMIT cortado, fila por fila",
                  commitCortado,
                  EscrituraGarantias::Modo::FilaPorFila,
                  {S},
                  "pudo guardarlo o no",
                  noConfirmada,
                  2},
             Caso{"COMMIT cortado, en lote",
                  commitCortado,
                  EscrituraGarantias::Modo::Automatico,
                  {S, S, S},
                  "pudo guardarlo o no",
                  noConfirmada,
                  2},
             Caso{"COMMIT rechazado",
                  commitRechazado,
                  EscrituraGarantias::Modo::FilaPorFila,
                  {S},
                  "ni estas filas ni el registro",
                  noConfirmada,
                  1},
             Caso{"enlace cortado tras una fila",
                  filaCortada,
                  EscrituraGarantias::Modo::FilaPorFila,
                  {A, S},
                  "El servidor no confirmó la fila: pudo guardarlas o no.",
                  "Quedó la transmisión 1 con 1 filas.",
                  2},
         }) {
        QJsonArray guion{caso.regla};
        if (caso.modo == EscrituraGarantias::Modo::Automatico)
            guion.append(
                PuntoTds::Regla("DECLARE @f TABLE", QJsonArray{PuntoTds::Filas({"n"}, Numeros(1, 3))}));
        CONECTAR_O_SALTAR(guion);
        const Escrito r = escribir(3, caso.modo);
        EXPECT_FALSE(r.bien) << caso.nombre;
        std::vector<ResultadoFila::Destino> destinos;
        for (const auto& f : r.filas) destinos.push_back(f.destino);
        EXPECT_EQ(destinos, caso.destinos) << caso.nombre;
        EXPECT_TRUE(r.filas.back().descripcion.contains(caso.dice))
            << caso.nombre << ": " << qPrintable(r.filas.back().descripcion);
        EXPECT_EQ(r.guardado, caso.guardado) << caso.nombre;
        // La operación siguiente no falla: si el enlace se había cortado, va por una conexión nueva.
        datos_.EjecutarSQL("SELECT 2 AS despues");
        EXPECT_EQ(datos_.conexion().Errors().Count(), 0) << caso.nombre;
        const auto lotes = punto_->pedidos("lote");
        ASSERT_FALSE(lotes.empty());
        EXPECT_EQ(lotes.back().value("texto").toString(), "SELECT 2 AS despues");
        EXPECT_EQ(lotes.back().value("conexion").toInt(), caso.conexiones) << caso.nombre;
    }
}

// Fila por fila (GARANTIAS_LOTES=no, o después de dejar los lotes) como en lotes: un bloqueo mutuo
// o una transacción condenada en el grupo que espera su primera fila se repite desde tomar el
// número, hasta tres veces; una fila que no termina a tiempo lleva a preguntar @@TRANCOUNT,
// deshacer lo abierto, decir que no se guardó y detenerse.
TEST_F(SqlServerTds, FilaPorFilaUnBloqueoSeRepiteYUnCorteNoDejaTransaccion) {
    const auto A = ResultadoFila::Agregada, F = ResultadoFila::Fallo;
    auto fallaEnGrupo = [](int numero, int veces) {
        return PuntoTds::Regla("INSERT INTO AUX_GARANTIA",
                               QJsonArray{PuntoTds::Error(numero, 2, "La transacción se deshizo."),
                                          PuntoTds::Transacciones(numero == 1205 ? 0 : 1)},
                               veces);
    };
    auto callar = [](int saltar, int transacciones) {
        return QJsonObject{{"contiene", "INSERT INTO AUX_GARANTIA"},
                           {"callar", true},
                           {"saltar", saltar},
                           {"veces", 1},
                           {"responder", QJsonArray{PuntoTds::Transacciones(transacciones)}}};
    };
    struct Caso {
        const char* nombre;
        QJsonObject regla;
        std::vector<ResultadoFila::Destino> destinos;
        int numeros;       // veces que se tomó el número
        const char* dice;  // lo que dice la fila que falló
        const char* guardado;
    };
    const char* ninguna = "No quedó ninguna transmisión: no se agregó ninguna fila.";
    for (const Caso& caso : {
             Caso{"dos bloqueos mutuos",
                  fallaEnGrupo(1205, 2),
                  {A, A, A},
                  3,
                  "",
                  "Quedó la transmisión 1 con 3 filas."},
             Caso{"una transacción condenada",
                  fallaEnGrupo(3930, 1),
                  {A, A, A},
                  2,
                  "",
                  "Quedó la transmisión 1 con 3 filas."},
             Caso{"cuatro bloqueos mutuos",
                  fallaEnGrupo(1205, 4),
                  {F},
                  4,
                  "4 veces seguidas por un bloqueo mutuo con otra estación (error 1205): no se guardaron.",
                  ninguna},
             Caso{"la primera fila no termina",
                  callar(0, 2),
                  {F},
                  1,
                  "Se deshizo lo que había escrito: esa fila no se guardó, ni el registro",
                  ninguna},
             Caso{"la segunda fila no termina",
                  callar(1, 1),
                  {A, F},
                  1,
                  "Se deshizo lo que había escrito: esa fila no se guardó.",
                  "Quedó la transmisión 1 con 1 filas."},
         }) {
        CONECTAR_O_SALTAR((QJsonArray{caso.regla}));
        const Escrito r = escribir(3, EscrituraGarantias::Modo::FilaPorFila);
        std::vector<ResultadoFila::Destino> destinos;
        for (const auto& f : r.filas) destinos.push_back(f.destino);
        EXPECT_EQ(destinos, caso.destinos) << caso.nombre;
        EXPECT_EQ(r.bien, destinos.back() == A) << caso.nombre;
        if (destinos.back() == F) {
            EXPECT_TRUE(r.filas.back().descripcion.contains(caso.dice))
                << caso.nombre << ": " << qPrintable(r.filas.back().descripcion);
        }
        EXPECT_EQ(r.guardado, caso.guardado) << caso.nombre;
        int numeros = 0;
        for (const QString& t : textos("lote")) numeros += t.contains("MAX(TRANSMISION)");
        EXPECT_EQ(numeros, caso.numeros) << caso.nombre;
        if (caso.regla.contains("callar")) nadaDespuesDelCorte("INSERT INTO AUX_GARANTIA", caso.nombre);
    }
}

// Consultar muestra una transmisión de a tramos de 500 filas por su clave, y entre dos tramos no
// queda un cursor abierto: "Buscar serie" y "Exportar filas a csv" van por la misma conexión sin
// que el programa lea antes el resto de la transmisión (sin eso, el controlador la vaciaría a
// memoria). Lo que el punto vio, en orden: las claves, el primer tramo, la búsqueda, la
// exportación, y el tramo siguiente sólo cuando se lo mira.
TEST_F(SqlServerTds, BuscarYExportarNoVacianUnaTransmisionAMedioMostrar) {
    constexpr int kFilas = 1200;
    QJsonArray claves, tramo, exportadas;
    for (int i = 1; i <= kFilas; ++i) {
        const QString serie = QStringLiteral("S%1").arg(i, 4, 10, QLatin1Char('0'));
        claves.append(QJsonArray{serie});
        if (i <= FilasTransmision::kFilasPorTramo) tramo.append(QJsonArray{"M", serie, "E"});
        exportadas.append(QJsonArray{"E", serie, "M", "A"});
    }
    CONECTAR_O_SALTAR((QJsonArray{
        PuntoTds::Regla("SELECT serie FROM AUX_GARANTIA WHERE NroTransmision=7 ORDER BY serie",
                        QJsonArray{PuntoTds::Filas({"serie"}, claves)}),
        PuntoTds::Regla("SELECT TOP 500 modelo,serie,eca1",
                        QJsonArray{PuntoTds::Filas({"modelo", "serie", "eca1"}, tramo)}),
        PuntoTds::Regla("INNER JOIN AUX_GARANTIA",
                        QJsonArray{PuntoTds::Filas({"pedida", "serie", "nroTransmision", "Fecha", "Hora",
                                                    "Responsable_envio", "eca1", "modelo", "activacion"},
                                                   QJsonArray{QJsonArray{0, "S0002", 7, "11/12/2026", "03:00",
                                                                         "operador", "E", "M", "A"}})}),
        PuntoTds::Regla(
            "SELECT eca1,serie,modelo,activacion",
            QJsonArray{PuntoTds::Filas({"eca1", "serie", "modelo", "activacion"}, exportadas)})}));
    punto_->olvidar();
    FilasTransmision filas(datos_, 7);
    ASSERT_EQ(filas.cantidad(), kFilas);
    EXPECT_EQ(filas.fila(1).serie, "S0002");  // la grilla muestra el primer tramo

    const auto encontradas = BuscarSeries(datos_, {"S0002"});
    ASSERT_EQ(encontradas.size(), 1u);
    ASSERT_EQ(encontradas[0].size(), 1u);
    EXPECT_EQ(encontradas[0][0].transmision, "7");
    QTemporaryDir dir;
    EXPECT_EQ(ExportarTransmision(datos_, 7, dir.filePath("t7.csv"), ArchivoCsv::Codificacion::Utf8, {}),
              kFilas);
    EXPECT_EQ(filas.fila(499).serie, "S0500");  // del tramo ya leído: sin volver a la base
    filas.fila(600);                            // el tramo siguiente, cuando se lo mira

    QStringList vistos;
    for (const auto& p : punto_->pedidos()) {
        EXPECT_EQ(p.value("conexion").toInt(), 1) << "ninguna conexión aparte";
        const QString t = p.value("texto").toString();
        if (p.value("clase") == "atencion")
            vistos << "atención";
        else if (t.contains("ORDER BY serie") && !t.contains("TOP"))
            vistos << "claves";
        else if (t.contains("TOP 500"))
            vistos << "tramo " + t.section('>', 1).section(' ', 0, 0).remove('=');
        else if (t.contains("INNER JOIN"))
            vistos << "buscar";
        else if (t.contains("SELECT eca1,serie"))
            vistos << "exportar";
        else
            vistos << t.left(40);
    }
    EXPECT_EQ(vistos.join(" | "),
              (QStringList{"claves", "tramo N'S0001'", "buscar", "exportar", "tramo N'S0501'"}.join(" | ")));
}
