#pragma once
// Una base de la suite embebida en una carpeta temporal, conectada como la deja el inicio.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ado/Valores.h"
#include "comun/Pruebas.h"
#include "platform/Proceso.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

class SuiteEmbebida : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        qputenv("GARANTIAS_DATOS", dir_.path().toUtf8());
        // QZERR.LOG, en la carpeta de la prueba: "tmp" vale cuando "temp" tiene valor.
        qputenv("temp", "x");
        qputenv("tmp", dir_.path().toUtf8());
        Proceso::FijarCarpetaAplicacion(dir_.path());
        Proceso::FijarNombreEjecutable("garantias");
        Componentes::Reiniciar();
        ReiniciarSesion();
        sesion().Usuario = "operador";
        Dll_Datos& d = Componentes::Datos();
        d.NombreBase = d.NombreUsuario = d.ClaveUsuario = "demo";
        d.Conectar(true, 3, {}, true, true);
        ASSERT_TRUE(d.Conectado()) << qPrintable(d.UltimaFalla());
    }
    void TearDown() override {
        Componentes::Reiniciar();
        ReiniciarSesion();
        Proceso::FijarCarpetaAplicacion({});
        qunsetenv("GARANTIAS_DATOS");
        qunsetenv("temp");
        qunsetenv("tmp");
    }

    // Corre sentencias en la base principal; falla la prueba si alguna no corre.
    void sql(const QString& texto) {
        Componentes::Datos().EjecutarSQL(texto);
        auto& e = Componentes::Datos().conexion().Errors();
        ASSERT_EQ(e.Count(), 0) << qPrintable(texto) << " -> "
                                << qPrintable(e.Count() ? e.Item(0).descripcion : "");
    }
    // Las filas de una consulta, cada una como sus valores separados por "|".
    QStringList filas(const QString& consulta, Dll_Datos* datos = nullptr) {
        Dll_Datos& d = datos ? *datos : Componentes::Datos();
        RecordsetPtr rs;
        d.AbrirRecordset(consulta, rs);
        QStringList salida;
        for (; !rs->EOF_(); rs->MoveNext()) {
            QStringList valores;
            for (int i = 0; i < rs->FieldCount(); ++i) valores << TextoValor(rs->Field(i));
            salida << valores.join('|');
        }
        return salida;
    }
    // Las filas de la consulta leídas por otra conexión a la misma base, como las vería otra
    // estación (lo confirmado, nada más).
    QStringList filasDeOtraConexion(const QString& consulta) {
        Dll_Datos otra;
        otra.ParametroConexion = dir_.path();
        otra.NombreBase = "demo";
        otra.Conectar(true, 3, {}, true, true);
        return filas(consulta, &otra);
    }

    QTemporaryDir dir_;
};
