// garantias-cli importar ARCHIVO [--tabla NOMBRE] [--prueba] [--repetir] [--por-nombre | --por-posicion]
// [--rechazos ARCHIVO.csv [--utf8]] --conexion "CADENA"
#include <QSet>
#include <optional>

#include "ado/Conexion.h"
#include "cli/BarraProgreso.h"
#include "cli/OrigenCli.h"
#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "import/ArchivoRechazos.h"
#include "import/CorridaImportacion.h"
#include "import/TrampaOrigen.h"
#include "platform/Frases.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "platform/Senales.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

namespace {

// Si el archivo de filas no importadas no se puede escribir, hasta tantas se muestran por la
// salida de errores.
constexpr qint64 kRechazosPorErrores = 1000;

// La corrida cuenta su avance en la barra; las filas no agregadas se juntan sólo si se pidieron.
class OyenteCli : public OyenteCorrida {
  public:
    OyenteCli(BarraProgreso& barra, Rechazos* rechazos) : barra_(barra), rechazos_(rechazos) {}
    void estado(const QString& texto) override { estado_ = texto; }
    void progreso(qint64 hechas, qint64 total) override { barra_.avanzar(hechas, total); }
    void campos(const QStringList& nombres) override {
        if (rechazos_) rechazos_->limpiar(nombres);
    }
    void filaNoAgregada(Rechazo rechazo) override {
        if (rechazos_) rechazos_->agregar(std::move(rechazo));
    }
    // La última línea de estado ("..." antes de la primera).
    const QString& estado() const { return estado_; }
    bool dijoEstado() const { return estado_ != QStringLiteral("..."); }

  private:
    BarraProgreso& barra_;
    Rechazos* rechazos_;
    QString estado_ = QStringLiteral("...");
};

// Los mensajes van a la salida de errores, como siempre; se recuerdan para no repetir al final el
// que ya se dijo.
class MensajesRecordados : public MensajesConsola {
  public:
    int mostrar(const QString& texto, int estilo, const QString& titulo) override {
        dichos_.insert(texto);
        return MensajesConsola::mostrar(texto, estilo, titulo);
    }
    bool dicho(const QString& texto) const { return dichos_.contains(texto); }

  private:
    QSet<QString> dichos_;
};

// Abre el archivo una vez y da sus hojas o tablas, bajo la trampa del origen: una falla va al
// operador. Nada si no se pudo abrir o listar: el motivo ya se dijo, y leerlo otra vez lo diría dos
// veces.
std::optional<QStringList> AbrirYListar(Conexion& origen, const ArchivoOrigen& archivo) {
    QStringList tablas;
    Rutina r([&origen](const ErrorEjecucion& e) { return TrampaOrigen(origen, e); });
    r.paso([&] { AbrirOrigen(origen, archivo); }).paso([&] { tablas = archivo.tablasListadas(origen); });
    if (!r.correr()) return std::nullopt;
    return tablas;
}

int Importar(const Argumentos& a, Salida& salida) {
    if (a.sueltos.size() != 1) throw ErrorUso(QStringLiteral("importar necesita un archivo"));
    ArchivoOrigen archivo = ArchivoDeLineaDeComandos(a.sueltos.first());
    const bool utf8 = a.tiene(QStringLiteral("utf8"));
    const bool porNombre = a.tiene(QStringLiteral("por-nombre"));
    const bool porPosicion = a.tiene(QStringLiteral("por-posicion"));
    if (porNombre && porPosicion)
        throw ErrorUso(QStringLiteral("--por-nombre y --por-posicion no van juntas"));
    // Sin ninguna de las dos, unos títulos en otro orden no se importan: nadie los vio.
    const TomaDeCampos campos = porNombre     ? TomaDeCampos::PorNombre
                                : porPosicion ? TomaDeCampos::PorPosicion
                                              : TomaDeCampos::NoImportar;
    if (utf8 && !a.tiene(QStringLiteral("rechazos")))
        throw ErrorUso(QStringLiteral("--utf8 va con --rechazos ARCHIVO.csv"));
    // El archivo de las filas no importadas se abre antes de importar: si no se puede escribir,
    // no se importa nada.
    std::optional<ArchivoRechazos> archivoRechazos;
    if (a.tiene(QStringLiteral("rechazos"))) {
        if (a.opcion(QStringLiteral("rechazos")).trimmed().isEmpty())
            throw ErrorUso(QStringLiteral("--rechazos necesita un archivo"));
        archivoRechazos.emplace(
            a.opcion(QStringLiteral("rechazos")),
            utf8 ? ArchivoRechazos::Codificacion::Utf8 : ArchivoRechazos::Codificacion::Windows1252);
    }
    // Una señal antes de la corrida (esperando la base, abriendo el archivo) no dejó nada.
    Senales::FijarDespedida(QStringLiteral("No quedó nada guardado."));
    // Un inicio que no termina (la base no abre o falla en medio) sale en el acto: también dice
    // lo que quedó.
    const int despedida =
        Proceso::AlTerminar([&salida] { salida.error(QStringLiteral("No quedó nada guardado.")); });
    IniciarSesionCli(a);
    Proceso::QuitarAvisoAlTerminar(despedida);
    auto* mensajes = new MensajesRecordados;
    auto anteriores = InstalarServicioMensajes(std::unique_ptr<ServicioMensajes>(mensajes));
    struct Restituir {
        std::unique_ptr<ServicioMensajes>& anteriores;
        ~Restituir() { InstalarServicioMensajes(std::move(anteriores)); }
    } restituir{anteriores};

    // La misma corrida que el botón "Importar", sobre la tabla pedida o la que elige "Buscar >>>".
    Conexion origen;
    const std::optional<QStringList> tablas = AbrirYListar(origen, archivo);
    archivo.tabla = a.tiene(QStringLiteral("tabla"))
                        ? a.opcion(QStringLiteral("tabla"))
                        : archivo.tablaPorDefecto(tablas.value_or(QStringList{}));
    Rechazos rechazos;
    BarraProgreso barra;
    OyenteCli oyente(barra, archivoRechazos ? &rechazos : nullptr);
    ResumenImportacion resumen;
    resumen.prueba = a.tiene(QStringLiteral("prueba"));
    if (!tablas) {
        // El archivo no se pudo abrir: su mensaje ya salió.
    } else if (archivo.tabla.trimmed().isEmpty()) {
        MsgBox(QStringLiteral("Debe informar el nombre de la tabla a leer"),
               Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("Aviso al Operador"));
    } else {
        CorridaImportacion corrida(origen, Componentes::Datos(), sesion().Usuario, oyente);
        // Sin --repetir, los mismos bytes que ya agregaron filas no se importan otra vez.
        resumen = corrida.correr(archivo,
                                 OpcionesCorrida{resumen.prueba, a.tiene(QStringLiteral("repetir")), campos});
    }
    barra.terminar();
    if (resumen.ordenSinDecidir) {
        salida.error(resumen.avisoCampos +
                     QStringLiteral(" No se escribió nada: --por-nombre los toma por sus títulos (") +
                     resumen.columnasPorNombre + QStringLiteral("), --por-posicion por su lugar."));
        return Codigo::Falla;
    }
    if (!resumen.avisoCampos.isEmpty()) salida.error(QStringLiteral("aviso: ") + resumen.avisoCampos);
    // Las filas no importadas se escriben también si la corrida se detuvo: la que falló está ahí.
    // Si el archivo no quedó escrito, la corrida falla diciéndolo, y las filas, si son pocas, van
    // por la salida de errores para que no se pierdan.
    bool rechazosEscritos = true;
    if (archivoRechazos) {
        try {
            archivoRechazos->escribir(rechazos, [](std::vector<Rechazo>& tramo) {
                CompletarTransmisiones(tramo, Componentes::Datos());
            });
        } catch (const ErrorEjecucion& e) {
            rechazosEscritos = false;
            salida.error(e.descripcion());
            const qint64 n = rechazos.cantidad();
            if (n <= kRechazosPorErrores) {
                salida.error(n == 1 ? QStringLiteral("la fila no importada, aquí:")
                                    : QStringLiteral("las %1 filas no importadas, aquí:").arg(n));
                ArchivoRechazos::listar(rechazos, [&](const QString& l) { salida.lineaError(l); });
            } else {
                salida.error(QStringLiteral("las %1 filas no importadas no se listan aquí (son más de %2): "
                                            "vuelva a importar con --prueba y --rechazos en otra carpeta.")
                                 .arg(Regional::TextoMiles(n), Regional::TextoMiles(kRechazosPorErrores)));
            }
        }
    }
    if (resumen.noRepetida) {
        salida.error(resumen.repetido + QStringLiteral(" No se importó: --repetir lo importa igual."));
        return Codigo::Falla;
    }
    if (!resumen.terminada) {
        // El motivo ya dicho en su mensaje no se repite; lo que quedó en la base se dice siempre.
        QString texto = QStringLiteral("la importación no terminó");
        if (oyente.dijoEstado() && !mensajes->dicho(oyente.estado()))
            texto += QStringLiteral(": ") + oyente.estado();
        // Sin corrida (no hubo tabla que leer) no se escribió nada.
        if (!resumen.prueba)
            texto = Frases({texto, resumen.guardado.isEmpty() ? QStringLiteral("No quedó nada guardado")
                                                              : resumen.guardado});
        salida.error(texto);
        return Codigo::Falla;
    }
    salida.linea(oyente.estado());
    salida.linea(resumen.texto());
    if (!rechazosEscritos) return Codigo::Falla;
    if (archivoRechazos) {
        salida.linea(QStringLiteral("%1 filas no importadas en \"%2\".")
                         .arg(rechazos.cantidad())
                         .arg(archivoRechazos->ruta()));
    }
    // Una prueba termina bien si el origen se pudo leer, aunque no tenga filas con serie.
    if (!resumen.prueba && resumen.insertadas == 0 && resumen.yaGuardadas == 0 &&
        resumen.repetidasEnArchivo == 0) {
        salida.error(QStringLiteral("\"%1\" no tiene filas con serie: no se guardó nada.").arg(archivo.ruta));
        return Codigo::NoEncontrado;
    }
    return Codigo::Bien;
}

}  // namespace

Verbo VerboImportar() {
    return {
        QStringLiteral("importar"),
        QStringLiteral("importar ARCHIVO [--tabla NOMBRE] [--prueba] [--repetir] [--por-nombre | "
                       "--por-posicion] [--rechazos ARCHIVO.csv [--utf8]] --conexion \"CADENA\""),
        QStringLiteral(
            "Importa la hoja o tabla a la base de la suite, como el botón \"Importar\" (sin --tabla: de un "
            "txt o csv, el "
            "propio archivo; de las demás clases, la primera que se lista). Muestra el progreso y, al final, "
            "el resumen. "
            "Los campos se toman por posición (eca1, serie, modelo, sin uso, activación); si los títulos "
            "nombran esos campos en otro orden, no importa nada y termina con 1 diciéndolo, salvo con "
            "--por-nombre o --por-posicion."),
        {OpcionTabla(),
         {QStringLiteral("prueba"),
          {},
          QStringLiteral("lee todo el origen y cuenta lo que agregaría, las series ya guardadas y las "
                         "filas sin serie, con el mismo resumen, sin escribir en AUX_GARANTIA ni en "
                         "MV_TRANSMISIONES ni tomar número; termina con 0 si el origen se pudo leer.")},
         {QStringLiteral("por-nombre"),
          {},
          QStringLiteral("si los títulos nombran los campos en otro orden, toma cada uno de la columna que "
                         "lo nombra (también en --prueba y en --rechazos); el resumen dice qué columna fue "
                         "a cada campo.")},
         {QStringLiteral("por-posicion"),
          {},
          QStringLiteral("si los títulos nombran los campos en otro orden, los toma igual por posición; "
                         "el aviso va a la salida de errores y al resumen.")},
         {QStringLiteral("rechazos"), QStringLiteral("ARCHIVO.csv"),
          QStringLiteral("escribe las filas que no se agregaron, en el orden del archivo: sus campos y "
                         "después motivo (\"serie ya guardada\", \"repetida en el archivo\", \"sin serie\", "
                         "\"falló\" o \"sin confirmar\"), detalle (la transmisión que guarda la serie, la "
                         "fila que la trajo antes o el mensaje de la base) y fila (número de fila "
                         "de datos, desde 1). Separado por \";\", en Windows-1252, o en UTF-8 con --utf8. "
                         "Si el archivo no se puede abrir para escribir (un enlace, una carpeta, sin "
                         "permiso), no se importa nada; si falla al escribirlo al final (disco lleno, "
                         "cuota), lo importado queda guardado, termina con 1 con el motivo y la ruta, y "
                         "las filas no importadas, si son a lo sumo 1.000, salen por la salida de errores.")},
         {QStringLiteral("repetir"),
          {},
          QStringLiteral("importa el archivo aunque sus mismos bytes ya agregaron filas (sin ella, termina "
                         "con 1 y dice cuándo y en qué transmisión se importó; una prueba sólo lo dice).")},
         {QStringLiteral("utf8"),
          {},
          QStringLiteral("el archivo de --rechazos va en UTF-8 en vez de Windows-1252.")},
         OpcionConexion()},
        &Importar};
}
