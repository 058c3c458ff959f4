#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <iostream>
#include <map>

#include "data/Dll_Datos.h"
#include "data/EscrituraGarantias.h"
#include "sqlserver/PuntoTds.h"

// El camino de SQL Server por el controlador FreeTDS real (unixODBC), contra un punto TDS que
// contesta según un guion y anota cada pedido: lo que se prueba es lo que viaja por el cable.

namespace {

class SqlServerTds : public ::testing::Test {
  protected:
    void SetUp() override { qunsetenv("GARANTIAS_LOTES"); }

    // Conecta la base de la suite al punto, con el guion dado. false (y la prueba se salta) si el
    // punto no puede arrancar aquí.
    bool conectar(const QJsonArray& guion = {}) {
        punto_ = std::make_unique<PuntoTds>(guion);
        if (!punto_->listo()) return false;
        datos_.NombreServidor = punto_->servidor();
        datos_.NombreBase = QStringLiteral("suite");
        datos_.NombreUsuario = QStringLiteral("operador");
        datos_.ClaveUsuario = QStringLiteral("clave");
        datos_.conexion().setCommandTimeout(2);
        datos_.Conectar(false, 3, {}, true, true);
        EXPECT_TRUE(datos_.Conectado()) << qPrintable(datos_.UltimaFalla());
        return datos_.Conectado();
    }

    // Los textos de los pedidos de una clase, en orden.
    QStringList textos(const QString& clase) const {
        QStringList t;
        for (const QJsonObject& p : punto_->pedidos(clase)) t << p.value(QStringLiteral("texto")).toString();
        return t;
    }

    std::unique_ptr<PuntoTds> punto_;
    Dll_Datos datos_;
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
TEST_F(SqlServerTds, ConectaYSabeQueEsSqlServer) {
    CONECTAR_O_SALTAR({});
    EXPECT_EQ(datos_.conexion().motor(), MotorBase::SqlServer);
    EXPECT_TRUE(textos("lote").contains("SET DATEFORMAT dmy")) << qPrintable(textos("lote").join('|'));
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
            datos_.conexion(), {[] { return std::optional<int32_t>(7); }, {}},
            [&](const ResultadoFila& r) { agregadas += r.destino == ResultadoFila::Agregada; }, {},
            caso.modo);
        // Valores de largos distintos: la declaración no depende del valor.
        for (int i = 1; i <= 1000; ++i)
            ASSERT_TRUE(e->agregar(
                i, {QString(i % 7, 'M'), QStringLiteral("S%1").arg(i), "E", QString(i % 50, 'A')}));
        ASSERT_TRUE(e->vaciar());
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
