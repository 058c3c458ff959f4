#include "cli/Ayuda.h"

#include "cli/Verbos.h"

namespace {
const char* const kVersion = "0.1";
}

QString TextoAyuda() {
    QString texto = QStringLiteral(
        "Uso: garantias-cli VERBO [ARGUMENTOS] [OPCIONES]\n"
        "\n"
        "Lee los archivos de los proveedores (txt, csv, xls, xlsx, dbf, mdb, db) como los lee el programa\n"
        "de importación de garantías, sin ventanas: para importar por guion o por cron.\n"
        "\n"
        "Verbos:\n");
    for (const Verbo& v : Verbos()) {
        texto += QStringLiteral("  %1\n      %2\n").arg(v.uso, v.descripcion);
    }
    texto += QStringLiteral(
        "\n"
        "Opciones:\n"
        "  -h, --help     muestra esta ayuda (con un verbo, la de ese verbo)\n"
        "  --version      muestra la versión\n"
        "\n"
        "La salida va en UTF-8; en la vista, los tabuladores y saltos de línea de un valor se escriben\n"
        "como \\t, \\r y \\n.\n"
        "\n"
        "Códigos de salida (todos los verbos):\n"
        "  0    bien: el verbo hizo todo su trabajo\n"
        "  1    falla: el archivo o la base fallaron, o el trabajo quedó a medias (el motivo sale por la\n"
        "       salida de errores; lo que una importación ya guardó queda, y se dice)\n"
        "  2    la línea de comandos está mal escrita\n"
        "  3    no encontrado: alguna serie pedida no está (serie), la transmisión pedida no existe\n"
        "       (filas), o el archivo no tiene filas con serie (importar, salvo con --prueba)\n"
        "  130  interrumpido con Ctrl-C (SIGINT): la importación confirma lo escrito y dice qué quedó\n"
        "  143  terminado con SIGTERM: igual que 130\n"
        "\n"
        "Una base embebida que no existe se crea, y se avisa por la salida de errores con su ruta.\n");
    return texto;
}

QString TextoAyudaVerbo(const Verbo& verbo) {
    return QStringLiteral("Uso: garantias-cli %1\n\n%2\n").arg(verbo.uso, verbo.descripcion);
}

QString TextoVersion() { return QStringLiteral("garantias-cli %1").arg(QLatin1String(kVersion)); }
