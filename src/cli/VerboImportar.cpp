// garantias-cli importar ARCHIVO [--tabla NOMBRE] [--prueba] [--rechazos ARCHIVO.csv [--utf8]] --conexion
// "CADENA"
#include <optional>

#include "cli/BarraProgreso.h"
#include "cli/OrigenCli.h"
#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "import/ArchivoRechazos.h"
#include "import/ModeloVentana.h"
#include "import/VentanaImportacion.h"
#include "suite/Componentes.h"

namespace {

// Si el archivo de filas no importadas no se puede escribir, hasta tantas se muestran por la
// salida de errores.
constexpr qint64 kRechazosPorErrores = 1000;

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
    const QString ruta = ArchivoDeLineaDeComandos(a.sueltos.first()).ruta;
    const bool utf8 = a.tiene(QStringLiteral("utf8"));
    if (utf8 && !a.tiene(QStringLiteral("rechazos")))
        throw ErrorUso(QStringLiteral("--utf8 va con --rechazos ARCHIVO.csv"));
    // El archivo de las filas no importadas se abre antes de importar: si no se puede escribir,
    // no se importa nada.
    std::optional<ArchivoRechazos> rechazos;
    if (a.tiene(QStringLiteral("rechazos"))) {
        if (a.opcion(QStringLiteral("rechazos")).trimmed().isEmpty())
            throw ErrorUso(QStringLiteral("--rechazos necesita un archivo"));
        rechazos.emplace(
            a.opcion(QStringLiteral("rechazos")),
            utf8 ? ArchivoRechazos::Codificacion::Utf8 : ArchivoRechazos::Codificacion::Windows1252);
    }
    IniciarSesionCli(a);

    // El mismo núcleo que la ventana: elegir el archivo (lista sus tablas y previsualiza), la
    // tabla pedida y "Importar".
    ModeloVentana modelo;
    VentanaImportacion ventana(modelo, std::make_unique<ArchivoDado>(ruta));
    ventana.setPrueba(a.tiene(QStringLiteral("prueba")));
    BarraProgreso barra;
    QObject::connect(&modelo, &ModeloVentana::progreso,
                     [&barra](qint64 hechas, qint64 total) { barra.avanzar(hechas, total); });
    modelo.setCampo(QStringLiteral("Tabla"), ruta);
    ventana.ConectarProveedor(false);
    if (a.tiene(QStringLiteral("tabla"))) {
        modelo.setCmbTablaTexto(a.opcion(QStringLiteral("tabla")));
    } else {
        // La misma que elige "Buscar >>>".
        modelo.setCmbTablaTexto(ventana.archivoOrigen().tablaPorDefecto(modelo.cmbTablaLista()));
    }
    ventana.cmbTabla_Click();
    ventana.cmdImportar_Click();
    barra.terminar();
    const ResumenImportacion& resumen = ventana.resumen();
    if (!resumen.avisoCampos.isEmpty()) salida.error(QStringLiteral("aviso: ") + resumen.avisoCampos);
    // Las filas no importadas se escriben también si la corrida se detuvo: la que falló está ahí.
    // Si el archivo no quedó escrito, la corrida falla diciéndolo, y las filas, si son pocas, van
    // por la salida de errores para que no se pierdan.
    bool rechazosEscritos = true;
    if (rechazos) {
        try {
            rechazos->escribir(ventana.rechazos(), [](std::vector<Rechazo>& tramo) {
                CompletarTransmisiones(tramo, Componentes::Datos());
            });
        } catch (const ErrorEjecucion& e) {
            rechazosEscritos = false;
            salida.error(e.descripcion());
            const qint64 n = ventana.rechazos().cantidad();
            if (n <= kRechazosPorErrores) {
                salida.error(QStringLiteral("las %1 filas no importadas, aquí:").arg(n));
                ArchivoRechazos::listar(ventana.rechazos(), [&](const QString& l) { salida.lineaError(l); });
            } else {
                salida.error(QStringLiteral("las %1 filas no importadas no se listan aquí (son más de %2): "
                                            "vuelva a importar con --prueba y --rechazos en otra carpeta.")
                                 .arg(n)
                                 .arg(kRechazosPorErrores));
            }
        }
    }
    if (!resumen.terminada) {
        salida.error(QStringLiteral("la importación no terminó: %1").arg(modelo.lblEstado()));
        return Codigo::Falla;
    }
    salida.linea(modelo.lblEstado());
    salida.linea(resumen.texto());
    if (!rechazosEscritos) return Codigo::Falla;
    if (rechazos) {
        salida.linea(QStringLiteral("%1 filas no importadas en \"%2\".")
                         .arg(ventana.rechazos().cantidad())
                         .arg(rechazos->ruta()));
    }
    // Una prueba termina bien si el origen se pudo leer, aunque no tenga filas con serie.
    if (!resumen.prueba && resumen.insertadas == 0 && resumen.yaGuardadas == 0) {
        salida.error(QStringLiteral("\"%1\" no tiene filas con serie: no se guardó nada.").arg(ruta));
        return Codigo::NoEncontrado;
    }
    return Codigo::Bien;
}

}  // namespace

Verbo VerboImportar() {
    return {
        QStringLiteral("importar"),
        QStringLiteral("importar ARCHIVO [--tabla NOMBRE] [--prueba] [--rechazos ARCHIVO.csv [--utf8]] "
                       "--conexion \"CADENA\""),
        QStringLiteral(
            "Importa la hoja o tabla a la base de la suite, como el botón \"Importar\" (sin --tabla: de un "
            "txt o csv, el "
            "propio archivo; de las demás clases, la primera que se lista). Muestra el progreso y, al final, "
            "el resumen. "
            "Los campos se toman por posición (eca1, serie, modelo, sin uso, activación); si los títulos "
            "parecen de otro "
            "orden, lo avisa por la salida de errores y en el resumen."),
        {OpcionTabla(),
         {QStringLiteral("prueba"),
          {},
          QStringLiteral("lee todo el origen y cuenta lo que agregaría, las series ya guardadas y las "
                         "filas sin serie, con el mismo resumen, sin escribir en AUX_GARANTIA ni en "
                         "MV_TRANSMISIONES ni tomar número; termina con 0 si el origen se pudo leer.")},
         {QStringLiteral("rechazos"), QStringLiteral("ARCHIVO.csv"),
          QStringLiteral("escribe las filas que no se agregaron, en el orden del archivo: sus campos y "
                         "después motivo (\"serie ya guardada\", \"sin serie\" o \"falló\"), detalle (la "
                         "transmisión que guarda la serie, o el mensaje de la base) y fila (número de fila "
                         "de datos, desde 1). Separado por \";\", en Windows-1252, o en UTF-8 con --utf8. "
                         "Si el archivo no se puede escribir, no se importa nada.")},
         {QStringLiteral("utf8"),
          {},
          QStringLiteral("el archivo de --rechazos va en UTF-8 en vez de Windows-1252.")},
         OpcionConexion()},
        &Importar};
}
