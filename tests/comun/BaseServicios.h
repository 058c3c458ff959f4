#pragma once
// La base embebida de la suite, con los cuadros de mensaje guionados y QZERR.LOG en una
// carpeta temporal, para los servicios que el inicio usa.
#include <QDateTime>
#include <QRegularExpression>

#include "comun/SuiteEmbebida.h"
#include "platform/Regional.h"

class BaseServicios : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());
        ASSERT_TRUE(tmp_.isValid());
        qputenv("temp", "x");
        qputenv("tmp", tmp_.path().toUtf8());
    }
    void TearDown() override {
        qunsetenv("temp");
        qunsetenv("tmp");
        SuiteEmbebida::TearDown();
    }

    // La descripción que la base da a una sentencia que falla sola.
    QString descripcionDe(const QString& sentencia) {
        Dll_Datos& d = Componentes::Datos();
        d.EjecutarSQL(sentencia);
        const auto& e = d.conexion().Errors();
        return e.Count() > 0 ? e.Item(0).descripcion : QStringLiteral("(no falló)");
    }

    // Un texto de fecha y hora escrito con el patrón, ahora o hace un minuto (el reloj pudo
    // pasar de minuto entre la escritura y la prueba).
    static bool EsAhora(const QString& texto, const QString& patron) {
        const QDateTime ahora = QDateTime::currentDateTime();
        for (int s : {0, -1, -2, -60}) {
            if (texto == Regional::Formato(ahora.addSecs(s), patron)) return true;
        }
        return false;
    }

    QTemporaryDir tmp_;
    MensajesDePrueba mensajes_;
};
