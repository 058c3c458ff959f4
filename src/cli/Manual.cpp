#include "cli/Manual.h"

#include "cli/Ayuda.h"
#include "cli/Verbos.h"

namespace {
// Texto llano a roff: "\" se escribe "\e"; el guion de una opción ("-h", "--tabla") es "\-", que
// se copia como el guion que hay que tipear; una línea que empieza con "." o "'" sería un pedido.
// Un corte de línea de la ayuda es un blanco en el manual.
QString Roff(QString texto) {
    texto.replace('\\', QLatin1String("\\e"));
    QString salida;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        const bool inicioDePalabra = i == 0 || QStringLiteral(" \t\n[(|\"«").contains(texto[i - 1]) ||
                                     (texto[i - 1] == '-' && salida.endsWith(QLatin1String("\\-")));
        if (c == '-' && inicioDePalabra) {
            salida += QLatin1String("\\-");
        } else {
            salida += c;
        }
    }
    salida.replace('\n', ' ');
    if (salida.startsWith('.') || salida.startsWith('\'')) salida.prepend(QLatin1String("\\&"));
    return salida;
}

QString Negrita(const QString& texto) { return QStringLiteral("\\fB%1\\fR").arg(Roff(texto)); }

QString Encabezado(const QString& nombre, const QString& resumen) {
    return QStringLiteral(
               ".TH %1 1 \"\" \"garantias %2\" \"Órdenes de usuario\"\n"
               ".nh\n"  // sin cortar palabras: groff las cortaría con las reglas del inglés
               ".SH NOMBRE\n%3 \\- %4\n")
        .arg(nombre.toUpper(), NumeroVersion(), nombre, resumen);
}

QString Opciones(const std::vector<Opcion>& opciones) {
    QString texto;
    for (const Opcion& o : opciones)
        texto += QStringLiteral(".TP\n%1\n%2\n").arg(Negrita(o.etiqueta()), Roff(o.descripcion));
    return texto;
}

QString Entorno() {
    return QStringLiteral(
        ".SH ENTORNO\n"
        ".TP\n\\fBGARANTIAS_DATOS\\fR\n"
        "La carpeta de las bases embebidas (con @Server vacío); sin ella, "
        "\\fI~/.local/share/garantias/datos/\\fR. Si no se puede crear o escribir, el "
        "programa termina al iniciar con el motivo.\n"
        ".TP\n\\fBtemp\\fR, \\fBtmp\\fR\n"
        "Con \\fBtemp\\fR no vacía, el registro de errores QZERR.LOG va a la carpeta de "
        "\\fBtmp\\fR.\n");
}

QString Archivos() {
    return QStringLiteral(
               ".SH ARCHIVOS\n"
               ".TP\n\\fI~/.local/share/garantias/datos/\\fR\n"
               "Las bases embebidas de cada usuario (\\fIBASE\\fR.db y QZ_ESTADISTICAS.db).\n"
               ".TP\n\\fI~/.local/share/garantias/\\fR\n"
               "BASES.TXT (las conexiones registradas), consultas.ntw (el catálogo de consultas) y "
               "QZERR.LOG. "
               "Una copia portátil, en una carpeta donde se puede escribir, los guarda junto a su "
               "ejecutable; "
               "una instalada, nunca.\n"
               ".TP\n\\fI%1\\fR\n"
               "La cadena de lanzamiento con que el menú del escritorio abre el programa en esta estación.\n"
               ".TP\n\\fI%2/sql/\\fR\n"
               "Los esquemas de la base (embebida y SQL Server) y el guion de prueba para el administrador.\n"
               ".TP\n\\fI%3/ejemplos/\\fR\n"
               "Un archivo de proveedor de cada clase, para probar.\n")
        .arg(QLatin1String(GARANTIAS_LANZAMIENTO_ESTACION), QLatin1String(GARANTIAS_DATOS_INSTALADOS),
             QLatin1String(GARANTIAS_DOCUMENTOS_INSTALADOS));
}
}  // namespace

QString ManualCli() {
    QString texto = Encabezado(QStringLiteral("garantias-cli"),
                               QStringLiteral("importación de garantías de los proveedores, sin ventanas"));
    texto += QStringLiteral(
                 ".SH SINOPSIS\n\\fBgarantias\\-cli\\fR \\fIVERBO\\fR [\\fIARGUMENTOS\\fR] "
                 "[\\fIOPCIONES\\fR]\n.SH DESCRIPCIÓN\n") +
             Roff(TextoPresentacion()) + '\n' + QStringLiteral(".PP\n") + Roff(TextoNotas()) +
             QStringLiteral("\n.SH VERBOS\n");
    for (const Verbo& v : Verbos()) {
        texto += QStringLiteral(".TP\n%1\n%2\n").arg(Negrita(v.uso), Roff(v.descripcion));
        std::vector<Opcion> propias;
        for (const Opcion& o : v.opciones) {
            if (!EsComun(o)) propias.push_back(o);
        }
        if (propias.empty()) continue;
        texto += QStringLiteral(".RS\n") + Opciones(propias) + QStringLiteral(".RE\n");
    }
    texto += QStringLiteral(".SH OPCIONES\n") + Opciones(OpcionesGenerales()) + Opciones(OpcionesComunes());
    texto += Entorno() + QStringLiteral(".TP\n\\fBGARANTIAS_CONEXION\\fR\n") +
             Roff(QStringLiteral("La cadena de lanzamiento cuando no se da --conexion.")) + '\n';
    texto += QStringLiteral(".SH ESTADO DE SALIDA\n");
    for (const CodigoSalida& c : CodigosSalida()) {
        texto += QStringLiteral(".TP\n\\fB%1\\fR\n%2\n").arg(c.codigo).arg(Roff(c.significado));
    }
    texto += Archivos();
    texto += QStringLiteral(
        ".SH EJEMPLOS\n.nf\n"
        "export GARANTIAS_CONEXION=\"@Server=; @dbname= demo; @usuario= demo; "
        "@Password= demo;\"\n"
        "garantias\\-cli importar garantias.csv \\-\\-prueba\n"
        "garantias\\-cli importar garantias.csv \\-\\-rechazos no_importadas.csv\n"
        "garantias\\-cli serie NBK2354356959\n"
        ".fi\n"
        ".SH VÉASE TAMBIÉN\n\\fBgarantias\\fR(1), \\fBsqlite3\\fR(1)\n");
    return texto;
}

QString ManualVentana() {
    QString texto =
        Encabezado(QStringLiteral("garantias"),
                   QStringLiteral("importación de garantías de los proveedores a la base de la suite"));
    texto += QStringLiteral(
        ".SH SINOPSIS\n\\fBgarantias\\fR \"\\fICADENA DE LANZAMIENTO\\fR\"\n"
        ".SH DESCRIPCIÓN\n"
        "Importa los registros de garantía de los archivos de los proveedores (txt, csv, xls, xlsx, dbf, "
        "mdb, db de SQLite) a la tabla AUX_GARANTIA de la base de la suite, numera cada importación como "
        "una transmisión (MV_TRANSMISIONES) y deja consultarlas. \"Buscar >>>\" elige el archivo, la "
        "vista previa muestra sus primeras filas e \"Importar\" las agrega; la pestaña \"Consultar\" "
        "lista las transmisiones y sus filas.\n"
        ".PP\n"
        "Sin una cadena de lanzamiento con la que pueda conectar, el programa termina al iniciar: el "
        "menú del escritorio lo abre con la cadena de la estación (ver ARCHIVOS).\n"
        ".SH CADENA DE LANZAMIENTO\n"
        "Una sola cadena con los valores de la conexión, cada uno terminado en \";\":\n"
        ".PP\n.nf\n"
        "@Server=; @dbname= demo; @usuario= demo; @Password= demo; @ParametroAdicional=; @Caja=1;orva@\n"
        ".fi\n"
        ".TP\n\\fB@Server\\fR\n"
        "El servidor SQL Server (host, host,puerto, host\\eINSTANCIA o host\\eINSTANCIA,puerto), por "
        "unixODBC y FreeTDS. Vacío: la base embebida (SQLite) en la carpeta de datos.\n"
        ".TP\n\\fB@DbName\\fR\n"
        "La base de la suite. Una base embebida que no existe se crea, y se avisa con su ruta.\n"
        ".TP\n\\fB@Usuario\\fR, \\fB@Password\\fR\n"
        "El usuario de la aplicación (TA_USUARIOS) y su clave. Si no entra, el cuadro de acceso lo pide "
        "hasta tres veces.\n"
        ".TP\n\\fB@UsuarioLogeado\\fR, \\fB@ParametroAdicional\\fR, \\fB@Menu\\fR, \\fB@Caja\\fR\n"
        "Los de la suite: el usuario que ya entró en el programa que lanza, un parámetro que se anota "
        "en el registro de acciones; los dos últimos se leen y no se usan.\n");
    texto += Entorno() + Archivos();
    texto += QStringLiteral(".SH VÉASE TAMBIÉN\n\\fBgarantias\\-cli\\fR(1)\n");
    return texto;
}
