#include "connections/AccesoDirecto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/ArchivoPropio.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Proceso.h"
#include "platform/Rutina.h"
#include "suite/AvisoError.h"

// Q_INIT_RESOURCE no se puede usar dentro de un espacio de nombres: los recursos de una
// biblioteca estática se registran a mano antes de leerlos.
static void RegistrarRecursos() { Q_INIT_RESOURCE(Recursos); }

namespace {
constexpr int32_t kRutaNoEncontrada = 76;
constexpr int32_t kErrorAcceso = 75;

ErrorEjecucion Falla(int32_t numero, const QString& descripcion) {
    return ErrorEjecucion(numero, descripcion, Proceso::NombreEjecutable());
}

// Un valor de "Exec=": entre comillas si lleva algo que el intérprete de la entrada separaría;
// dentro, ", `, $ y \ van escapados (y la barra, otra vez, por ser un valor de texto).
QString ArgumentoExec(const QString& ruta) {
    static const QString especiales = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool citar = false;
    for (QChar c : ruta) citar = citar || especiales.contains(c);
    if (!citar) return ruta;
    QString dentro;
    for (QChar c : ruta) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') dentro += '\\';
        dentro += c;
    }
    return '"' + dentro.replace('\\', QLatin1String("\\\\")) + '"';
}

void EscribirIcono(const QString& destino) {
    RegistrarRecursos();
    QFile origen(QStringLiteral(":/garantias/garantias.svg"));
    if (!origen.open(QIODevice::ReadOnly))
        throw Falla(kErrorAcceso, QStringLiteral("Falta el ícono del programa."));
    const QByteArray svg = origen.readAll();
    QFile actual(destino);
    if (actual.open(QIODevice::ReadOnly) && actual.readAll() == svg) return;
    actual.close();
    try {
        ArchivoPropio::Reemplazar(destino, svg, 0644);
    } catch (const ErrorEjecucion& e) {
        throw Falla(kErrorAcceso, QStringLiteral("No se pudo escribir el ícono: %1").arg(e.descripcion()));
    }
}
}  // namespace

QString CarpetaEscritorio() { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

QString ArchivoAccesoDirecto() {
    return CarpetaEscritorio() + '/' + Proceso::NombreEjecutable().trimmed() + QStringLiteral(".desktop");
}

QString RutaIcono() { return Proceso::CarpetaAplicacion() + QStringLiteral("garantias.svg"); }

QString TextoAccesoDirecto(const QString& ejecutable, const QString& icono) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Version=1.0\n"
               "Name=%1\n"
               "Comment=Importación de garantías\n"
               "Exec=%2\n"
               "Icon=%3\n"
               "Terminal=false\n")
        .arg(Proceso::NombreEjecutable().trimmed(), ArgumentoExec(ejecutable), icono);
}

void CrearAccesoDirecto() {
    QString escritorio, archivo, ejecutable, icono;
    Rutina r([](const ErrorEjecucion& e) {
        return RespuestaDelOperador(AvisoError(e, std::nullopt, QStringLiteral("Click")));
    });
    // 1-2. El escritorio del usuario.
    r.paso([&] {
        escritorio = CarpetaEscritorio();
        if (escritorio.isEmpty() || !QFileInfo(escritorio).isDir()) {
            throw Falla(kRutaNoEncontrada,
                        QStringLiteral("No se encontró la carpeta del escritorio %1.").arg(escritorio));
        }
        archivo = ArchivoAccesoDirecto();
    });
    // 3-4. Destino e ícono: el ejecutable del programa y su ícono.
    r.paso([&] {
        ejecutable = Proceso::CarpetaEjecutable() + Proceso::NombreEjecutable().trimmed();
        icono = RutaIcono();
        EscribirIcono(icono);
    });
    // 5. Guardar, sobrescribiendo el que hubiera.
    r.paso([&] {
        const QByteArray texto = TextoAccesoDirecto(ejecutable, icono).toUtf8();
        // Los escritorios sólo lanzan las entradas ejecutables: se crea ejecutable (0755 con la
        // umask), en su lugar entero, y nunca a través de un enlace puesto en el escritorio.
        try {
            ArchivoPropio::Reemplazar(archivo, texto, 0755);
        } catch (const ErrorEjecucion& e) {
            throw Falla(kErrorAcceso,
                        QStringLiteral("No se pudo escribir el acceso directo: %1").arg(e.descripcion()));
        }
    });
    r.correr();
}
