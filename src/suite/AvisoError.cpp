#include "suite/AvisoError.h"

#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <QProcessEnvironment>
#include <cstdio>

#include "platform/ArchivoPropio.h"
#include "platform/Cp1252.h"
#include "platform/Mensajes.h"
#include "platform/Privado.h"
#include "platform/Regional.h"
#include "suite/Componentes.h"

namespace {

// El valor de una variable de entorno buscada sin distinguir mayúsculas, como la busca el
// sistema original.
QString Entorno(const QString& nombre) {
    const auto entorno = QProcessEnvironment::systemEnvironment();
    for (const QString& clave : entorno.keys()) {
        if (clave.compare(nombre, Qt::CaseInsensitive) == 0) {
            const QString valor = entorno.value(clave);
            if (!valor.isEmpty() || clave == nombre) return valor;
        }
    }
    return {};
}

QString PalabraRespuesta(int respuesta) {
    switch (respuesta) {
        case RespuestaMensaje::Abortar:
            return QStringLiteral("Abortar");
        case RespuestaMensaje::Reintentar:
            return QStringLiteral("Reintentar");
        case RespuestaMensaje::Omitir:
            return QStringLiteral("Ignorar");
        case RespuestaMensaje::Cancelar:
            return QStringLiteral("Cancelar");
        case RespuestaMensaje::Si:
            return QStringLiteral("Sí");
        case RespuestaMensaje::No:
            return QStringLiteral("No");
        default:
            return {};
    }
}

// El registro de errores no se pudo escribir (un enlace, un archivo ajeno, el disco lleno): el
// aviso sale por la salida de errores, con la ruta, en vez de perderse callado.
void AvisarRegistroPerdido(const ErrorEjecucion& e) {
    std::fprintf(stderr, "%s (la línea del registro de errores se perdió)\n",
                 e.descripcion().toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace

QString RutaRegistroErrores() {
    QString carpeta;
    if (!Entorno(QStringLiteral("temp")).isEmpty()) carpeta = Entorno(QStringLiteral("tmp"));
    carpeta = carpeta.trimmed();
    if (carpeta.isEmpty()) carpeta = Componentes::Sistema().CarpetaPredeterminada();
    carpeta = Componentes::Funciones().RutaConBarra(carpeta);
    if (!carpeta.endsWith('/')) carpeta += '/';
    return carpeta + QStringLiteral("QZERR.LOG");
}

int16_t AvisoError(const ErrorEjecucion& error, std::optional<int> botones, std::optional<QString> rutina) {
    // Cada paso pasa por alto sus propias fallas: el cuadro se muestra aunque el registro no se pueda
    // escribir.
    // En la carpeta temporal, que otros pueden escribir: sólo para el usuario (0600), y nunca a
    // través de un enlace ni en un archivo ajeno puesto en su lugar (eso se dice y la línea se
    // pierde).
    int registro = -1;
    QString ruta;
    try {
        ruta = RutaRegistroErrores();
        registro = ArchivoPropio::AbrirParaAgregar(ruta, 0600);
    } catch (const ErrorEjecucion& e) {
        AvisarRegistroPerdido(e);
    } catch (...) {
    }
    const QString mensaje = QStringLiteral("Ha ocurrido el Siguiente Error (%1) %2")
                                .arg(error.numero())
                                .arg(error.descripcion().trimmed());
    const QString partesRutina = rutina ? QStringLiteral(" - ") + *rutina : QString();
    // Las fallas del propio programa no traen origen: el origen es el programa.
    const QString origen = error.origen().isEmpty() ? TituloAplicacion() : error.origen();
    const QString titulo = origen + partesRutina + QStringLiteral(" Aviso al operador!!! - 2 ");
    const int estilo = botones.value_or(Botones::AbortarReintentarOmitir | Botones::IconoCritico);
    if (error.numero() == 0) {
        if (registro >= 0) ::close(registro);
        return 0;
    }

    int respuesta = 0;
    try {
        respuesta = Mensajes().mostrar(mensaje, estilo, titulo);
    } catch (...) {
    }
    if (registro >= 0) {
        const QDateTime ahora = QDateTime::currentDateTime();
        const QString linea =
            Regional::Formato(ahora, QStringLiteral("mm-dd-yyyy")) + ' ' +
            Regional::Formato(ahora, QStringLiteral("hh:nn:ss")) + QStringLiteral(" Rutina: ") +
            partesRutina.trimmed() + QStringLiteral(" Mensaje ") + mensaje.trimmed() +
            QStringLiteral(" Respondió : ") + PalabraRespuesta(respuesta) + QStringLiteral("\r\n");
        try {
            ArchivoPropio::AgregarEn(registro, Cp1252::Codificar(linea), ruta, false);
        } catch (const ErrorEjecucion& e) {
            ::close(registro);
            registro = -1;
            AvisarRegistroPerdido(e);
        }
        try {
            if (registro >= 0) ArchivoPropio::Cerrar(registro, ruta, false);
        } catch (const ErrorEjecucion& e) {
            AvisarRegistroPerdido(e);
        }
    }
    return static_cast<int16_t>(respuesta);
}

void AnotarAviso(const QString& texto) {
    const QString linea = texto.trimmed();
    std::fprintf(stderr, "%s\n", linea.toLocal8Bit().constData());
    std::fflush(stderr);
    try {
        const QDateTime ahora = QDateTime::currentDateTime();
        ArchivoPropio::Agregar(RutaRegistroErrores(),
                               Cp1252::Codificar(Regional::Formato(ahora, QStringLiteral("mm-dd-yyyy")) +
                                                 ' ' + Regional::Formato(ahora, QStringLiteral("hh:nn:ss")) +
                                                 QStringLiteral(" Aviso ") + linea + QStringLiteral("\r\n")),
                               0600);
    } catch (const ErrorEjecucion& e) {
        AvisarRegistroPerdido(e);
    } catch (...) {
    }
}
