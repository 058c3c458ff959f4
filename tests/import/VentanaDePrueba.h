#pragma once
// La ventana de importación sin pantalla, sobre una base embebida real, con el diálogo de
// archivo y los cuadros de mensaje guionados.
#include <deque>

#include "comun/SuiteEmbebida.h"
#include "import/ArchivoRechazos.h"
#include "import/ModeloVentana.h"
#include "import/Rechazos.h"
#include "import/VentanaImportacion.h"

class SelectorGuionado : public SelectorArchivo {
  public:
    explicit SelectorGuionado(std::deque<std::optional<QString>>& guion) : guion_(guion) {}
    std::optional<QString> elegir(const QString& titulo, const QString& carpeta) override {
        ultimoTitulo = titulo;
        ultimaCarpeta = carpeta;
        if (guion_.empty()) return std::nullopt;
        auto r = guion_.front();
        guion_.pop_front();
        return r;
    }
    QString ultimoTitulo, ultimaCarpeta;

  private:
    std::deque<std::optional<QString>>& guion_;
};

class VentanaDePrueba : public SuiteEmbebida {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SuiteEmbebida::SetUp());

        modelo_ = std::make_unique<ModeloVentana>();
        auto selector = std::make_unique<SelectorGuionado>(archivos_);
        selector_ = selector.get();
        ventana_ = std::make_unique<VentanaImportacion>(*modelo_, std::move(selector));
    }
    void TearDown() override {
        ventana_.reset();
        modelo_.reset();
        SuiteEmbebida::TearDown();
    }

    // Escribe un archivo en la carpeta temporal y devuelve su ruta.
    QString archivo(const QString& nombre, const QByteArray& contenido) {
        const QString ruta = dir_.filePath("origen/" + nombre);
        EscribirArchivo(ruta, contenido);
        return ruta;
    }
    // "Buscar >>>" eligiendo esa ruta (nada: cancelado).
    void buscar(std::optional<QString> ruta) {
        archivos_.push_back(ruta);
        ventana_->CmdBuscar_Click();
    }
    // Las filas de la grilla de vista previa, cada una con sus celdas separadas por "|".
    QStringList grilla(const ModeloGrilla& g) const {
        QStringList filas;
        for (int f = 0; f < g.Rows(); ++f) {
            QStringList celdas;
            for (int c = 0; c < g.Cols(); ++c) celdas << g.TextMatrix(f, c);
            filas << celdas.join('|');
        }
        return filas;
    }
    QString campo(const char* clave) const { return modelo_->campo(clave); }
    // Cada fila que la última corrida no agregó, como "campos|motivo|detalle|fila", con su
    // transmisión completada.
    QStringList rechazos() {
        QStringList salida;
        ventana_->rechazos().recorrer([&](std::vector<Rechazo>& tramo) {
            CompletarTransmisiones(tramo, Componentes::Datos());
            for (const Rechazo& r : tramo)
                salida << (r.campos + QStringList{TextoMotivo(r.motivo), r.detalle, QString::number(r.fila)})
                              .join('|');
        });
        return salida;
    }
    // La base de la suite en un "servidor" (servidor.db, por el controlador ODBC de SQLite) con
    // las dos tablas que la importación escribe, como las tiene una suite.
    void conectarServidorOdbc() {
        Dll_Datos& d = Componentes::Datos();
        d.Conectar(false, 3,
                   QStringLiteral("DRIVER={SQLite3};Database=") + dir_.filePath("servidor.db") + ';', true,
                   true);
        ASSERT_TRUE(d.Conectado()) << qPrintable(d.UltimaFalla());
        ASSERT_EQ(d.TipoMotor(), "SQL Server");
        sql("CREATE TABLE AUX_GARANTIA (modelo VARCHAR(100), serie VARCHAR(100) COLLATE NOCASE NOT NULL, "
            "nroTransmision INTEGER, eca1 VARCHAR(100), activacion VARCHAR(100))");
        sql("CREATE TABLE MV_TRANSMISIONES (TIPO VARCHAR(2) NOT NULL, Transmision INTEGER NOT NULL, Fecha "
            "VARCHAR(10), Hora VARCHAR(8), Responsable_envio VARCHAR(50), Anulado INTEGER NOT NULL)");
    }

    std::deque<std::optional<QString>> archivos_;
    SelectorGuionado* selector_ = nullptr;
    std::unique_ptr<ModeloVentana> modelo_;
    std::unique_ptr<VentanaImportacion> ventana_;
    MensajesDePrueba mensajes_;
};
