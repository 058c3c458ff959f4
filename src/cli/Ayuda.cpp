#include "cli/Ayuda.h"

#include "cli/Verbos.h"

namespace {
const char* const kVersion = GARANTIAS_VERSION;

// "      --prueba: lee todo el origen..." bajo el uso de un verbo.
QString LineaOpcion(const Opcion& opcion) {
    return QStringLiteral("      %1: %2\n").arg(opcion.etiqueta(), opcion.descripcion);
}

// "  -h, --help     muestra..." en la lista de opciones generales: la descripción en la columna 17,
// o en la línea siguiente si la etiqueta no cabe.
QString LineaOpcionGeneral(const Opcion& opcion) {
    const QString etiqueta = opcion.etiqueta();
    if (etiqueta.size() < 14)
        return QStringLiteral("  %1 %2\n").arg(etiqueta.leftJustified(14), opcion.descripcion);
    return QStringLiteral("  %1\n                 %2\n").arg(etiqueta, opcion.descripcion);
}
}  // namespace

QString NumeroVersion() { return QLatin1String(kVersion); }

QString TextoPresentacion() {
    return QStringLiteral(
        "Lee los archivos de los proveedores (txt, csv, xls, xlsx, dbf, mdb, db) como los lee el programa\n"
        "de importación de garantías, sin ventanas: para importar por guion o por cron.");
}

QString TextoNotas() {
    return QStringLiteral(
        "La salida va en UTF-8; en la vista, el historial y las transmisiones, la barra, los tabuladores\n"
        "y saltos de línea de un valor se escriben como \\\\, \\t, \\r y \\n, y los saltos de Unicode\n"
        "como \\u0085, \\u2028 y \\u2029.");
}

std::vector<CodigoSalida> CodigosSalida() {
    return {
        {0, QStringLiteral("bien: el verbo hizo todo su trabajo")},
        {1, QStringLiteral(
                "falla: el archivo o la base fallaron, o el trabajo quedó a medias (el motivo sale por la\n"
                "salida de errores; lo que una importación ya guardó queda, y se dice)")},
        {2, QStringLiteral("la línea de comandos está mal escrita")},
        {3, QStringLiteral(
                "no encontrado: alguna serie pedida no está (serie), la transmisión pedida no existe\n"
                "(filas, anular), el archivo no tiene filas con serie (importar, salvo con --prueba) o\n"
                "no se importó nunca (historial --archivo)")},
        {130, QStringLiteral(
                  "interrumpido con Ctrl-C (SIGINT): la importación confirma lo escrito y dice qué quedó")},
        {143, QStringLiteral("terminado con SIGTERM: igual que 130")},
    };
}

QString TextoAyuda() {
    QString texto = QStringLiteral("Uso: garantias-cli VERBO [ARGUMENTOS] [OPCIONES]\n\n") +
                    TextoPresentacion() + QStringLiteral("\n\nVerbos:\n");
    for (const Verbo& v : Verbos()) {
        texto += QStringLiteral("  %1\n      %2\n").arg(v.uso, v.descripcion);
        for (const Opcion& o : v.opciones) {
            if (!EsComun(o)) texto += LineaOpcion(o);
        }
    }
    texto += QStringLiteral("\nOpciones:\n");
    for (const Opcion& o : OpcionesGenerales()) texto += LineaOpcionGeneral(o);
    for (const Opcion& o : OpcionesComunes()) texto += LineaOpcionGeneral(o);
    texto += '\n' + TextoNotas() + QStringLiteral("\n\nCódigos de salida (todos los verbos):\n");
    for (const CodigoSalida& c : CodigosSalida()) {
        QString significado = c.significado;
        texto += QStringLiteral("  %1%2\n")
                     .arg(QString::number(c.codigo).leftJustified(5),
                          significado.replace('\n', QLatin1String("\n       ")));
    }
    texto += QStringLiteral(
        "\nUna base embebida que no existe se crea, y se avisa por la salida de errores con su ruta.\n");
    return texto;
}

QString TextoAyudaVerbo(const Verbo& verbo) {
    QString texto = QStringLiteral("Uso: garantias-cli %1\n\n%2\n").arg(verbo.uso, verbo.descripcion);
    for (const Opcion& o : verbo.opciones) texto += LineaOpcion(o);
    return texto;
}

QString TextoVersion() { return QStringLiteral("garantias-cli %1").arg(NumeroVersion()); }
