// garantias-cli: el mismo núcleo que la ventana de importación, sin ventanas. main sólo separa
// los argumentos, despacha al verbo y traduce las fallas a mensajes y códigos de salida.
#include <QCoreApplication>
#include <QStringList>
#include <exception>

#include "cli/Argumentos.h"
#include "cli/Ayuda.h"
#include "cli/Manual.h"
#include "cli/NombresCrudos.h"
#include "cli/Salida.h"
#include "cli/TerminacionBash.h"
#include "cli/Verbos.h"
#include "platform/CadenaLanzamiento.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Proceso.h"
#include "platform/Senales.h"

namespace {
const Verbo* BuscarVerbo(const QString& nombre) {
    for (const Verbo& v : Verbos()) {
        if (v.nombre == nombre) return &v;
    }
    return nullptr;
}

// Lo que la compilación pide para instalar (páginas de manual y terminación de bash), escrito
// desde la misma tabla que la ayuda. No figura en --help: no es para el operador.
bool EscribirDocumento(const QStringList& argumentos, Salida& salida) {
    if (argumentos.size() != 1) return false;
    const QString& pedido = argumentos.front();
    if (pedido == QLatin1String("--manual"))
        salida.texto(ManualCli());
    else if (pedido == QLatin1String("--manual-ventana"))
        salida.texto(ManualVentana());
    else if (pedido == QLatin1String("--terminacion-bash"))
        salida.texto(TerminacionBash());
    else
        return false;
    return true;
}

int Correr(const QStringList& argumentos, Salida& salida) {
    if (EscribirDocumento(argumentos, salida)) return Codigo::Bien;
    // Las opciones se separan con las de todos los verbos; después se exige que sean del elegido.
    QStringList conValor, banderas;
    for (const Verbo& v : Verbos()) {
        conValor += v.conValor();
        banderas += v.banderas();
    }
    const Argumentos a = SepararArgumentos(argumentos, conValor, banderas);
    if (a.version) {
        salida.linea(TextoVersion());
        return Codigo::Bien;
    }
    if (a.verbo.isEmpty()) {
        if (a.ayuda) {
            salida.linea(TextoAyuda());
            return Codigo::Bien;
        }
        throw ErrorUso(QStringLiteral("falta el verbo"));
    }
    const Verbo* verbo = BuscarVerbo(a.verbo);
    if (!verbo) throw ErrorUso(QStringLiteral("verbo desconocido: %1").arg(a.verbo));
    if (a.ayuda) {
        salida.linea(TextoAyudaVerbo(*verbo));
        return Codigo::Bien;
    }
    for (const auto& [opcion, valor] : a.opciones) {
        if (!verbo->conValor().contains(opcion) && !verbo->banderas().contains(opcion)) {
            throw ErrorUso(QStringLiteral("%1 no admite la opción --%2").arg(verbo->nombre, opcion));
        }
    }
    return verbo->correr(a, salida);
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("garantias-cli"));
    // Permisos y registros ven un solo programa: la línea de comandos se anota como la ventana.
    Proceso::FijarNombreEjecutable(QStringLiteral("garantias"));
    Proceso::FijarBombeo(false);
    Senales::Instalar();
    Salida salida;
    // Un archivo de nombre que no es UTF-8 se abre por sus bytes (por un enlace de nombre legible).
    const ArgumentosLegibles argumentos = LeerArgumentos(argc, argv);
    // La cadena de --conexion lleva la clave: ps ya no la muestra (GARANTIAS_CONEXION, en el entorno
    // del proceso, sólo la ve el mismo usuario). Después de leer los argumentos.
    CadenaLanzamiento::TaparClaves(argc, argv);
    try {
        return Correr(argumentos.argumentos, salida);
    } catch (const ErrorUso& e) {
        salida.error(e.texto + QStringLiteral("\nPruebe «garantias-cli --help»."));
        return Codigo::Uso;
    } catch (const ErrorEjecucion& e) {
        salida.error(e.descripcion());
        return Codigo::Falla;
    } catch (const std::exception& e) {
        salida.error(QString::fromLocal8Bit(e.what()));
        return Codigo::Falla;
    }
}
