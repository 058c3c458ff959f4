// garantias-cli importar ARCHIVO [--tabla NOMBRE] --conexion "CADENA"
#include <QFileInfo>

#include "cli/BarraProgreso.h"
#include "cli/OrigenCli.h"
#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "import/ModeloVentana.h"
#include "import/VentanaImportacion.h"

namespace {

// El archivo ya viene elegido: el diálogo de la ventana no se muestra.
class ArchivoDado : public SelectorArchivo {
public:
    explicit ArchivoDado(QString ruta) : ruta_(std::move(ruta)) {}
    std::optional<QString> elegir(const QString&, const QString&) override { return ruta_; }

private:
    QString ruta_;
};

int Importar(const Argumentos& a, Salida& salida) {
    if (a.sueltos.size() != 1) throw ErrorUso(QStringLiteral("importar necesita un archivo"));
    const QString ruta = QFileInfo(a.sueltos.first()).absoluteFilePath();
    if (!QFileInfo(ruta).isFile()) {
        throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("No existe el archivo \"%1\".").arg(ruta));
    }
    IniciarSesionCli(a);

    // El mismo núcleo que la ventana: elegir el archivo (lista sus tablas y previsualiza), la
    // tabla pedida y "Importar".
    ModeloVentana modelo;
    VentanaImportacion ventana(modelo, std::make_unique<ArchivoDado>(ruta));
    BarraProgreso barra;
    QObject::connect(&modelo, &ModeloVentana::progreso, [&barra](qint64 hechas, qint64 total) { barra.avanzar(hechas, total); });
    modelo.setCampo(QStringLiteral("Tabla"), ruta);
    ventana.ConectarProveedor(false);
    if (a.tiene(QStringLiteral("tabla"))) {
        modelo.setCmbTablaTexto(a.opcion(QStringLiteral("tabla")));
    } else {
        modelo.setCmbTablaTexto(ArchivoOrigen::De(ruta).tablaPorDefecto(modelo.cmbTablaLista()));
    }
    ventana.cmbTabla_Click();
    ventana.cmdImportar_Click();
    barra.terminar();
    if (!ventana.resumen().terminada) {
        salida.error(QStringLiteral("la importación no terminó: %1").arg(modelo.lblEstado()));
        return Codigo::Falla;
    }
    salida.linea(modelo.lblEstado());
    salida.linea(ventana.resumen().texto());
    return Codigo::Bien;
}

}  // namespace

Verbo VerboImportar() {
    return {QStringLiteral("importar"), QStringLiteral("importar ARCHIVO [--tabla NOMBRE] --conexion \"CADENA\""),
            QStringLiteral("Importa la hoja o tabla a la base de la suite, como el botón \"Importar\" (sin --tabla: de un txt o csv, el propio archivo; de las demás clases, la primera que se lista). Muestra el progreso y, al final, el resumen."),
            {QStringLiteral("tabla"), QStringLiteral("conexion")}, {}, &Importar};
}
