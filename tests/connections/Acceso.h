#pragma once
// Ayudas de las pruebas del registro de conexiones: una carpeta de la aplicación temporal con su
// BASES.TXT y el modelo del cuadro de acceso.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "comun/Pruebas.h"
#include "comun/SuiteEmbebida.h"
#include "connections/ArchivoBases.h"
#include "connections/ModeloAcceso.h"
#include "platform/Cp1252.h"

// Una base embebida "demo" conectada, la carpeta de la aplicación y la del ejecutable en
// temporales, y los cuadros de mensaje guionados.
class Acceso : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());
        ASSERT_TRUE(ejecutable_.isValid());
        Proceso::FijarCarpetaEjecutable(ejecutable_.path());
    }
    void TearDown() override {
        Proceso::FijarCarpetaEjecutable({});
        SuiteEmbebida::TearDown();
    }
    // Escribe BASES.TXT con el texto dado, en Windows-1252.
    void bases(const QString& texto) { EscribirArchivo(RutaBases(), Cp1252::Codificar(texto)); }
    QString leerBases() { return Cp1252::Decodificar(LeerArchivo(RutaBases())); }
    // Los títulos de los cuadros mostrados.
    QStringList titulos() {
        QStringList t;
        for (const auto& c : mensajes_->cuadros()) t << c.titulo;
        return t;
    }

    MensajesDePrueba mensajes_;
    QTemporaryDir ejecutable_;
    ModeloAcceso modelo_;
};
