#include "platform/Mensajes.h"

#include <cstdio>

#include "platform/Proceso.h"

std::vector<int> RespuestasDelJuego(int estilo) {
    using namespace RespuestaMensaje;
    switch (Botones::juego(estilo)) {
        case Botones::AceptarCancelar:
            return {Aceptar, Cancelar};
        case Botones::AbortarReintentarOmitir:
            return {Abortar, Reintentar, Omitir};
        case Botones::SiNoCancelar:
            return {Si, No, Cancelar};
        case Botones::SiNo:
            return {Si, No};
        case Botones::ReintentarCancelar:
            return {Reintentar, Cancelar};
        default:
            return {Aceptar};
    }
}

namespace {
int RespuestaPorDefecto(int estilo) {
    const auto respuestas = RespuestasDelJuego(estilo);
    const auto i = static_cast<std::size_t>(Botones::porDefecto(estilo));
    return i < respuestas.size() ? respuestas[i] : respuestas.front();
}

std::unique_ptr<ServicioMensajes>& Vigente() {
    static std::unique_ptr<ServicioMensajes> servicio = std::make_unique<MensajesConsola>();
    return servicio;
}
}  // namespace

ServicioMensajes& Mensajes() { return *Vigente(); }

std::unique_ptr<ServicioMensajes> InstalarServicioMensajes(std::unique_ptr<ServicioMensajes> servicio) {
    auto anterior = std::move(Vigente());
    Vigente() = servicio ? std::move(servicio) : std::make_unique<MensajesConsola>();
    return anterior;
}

int MsgBox(const QString& texto, int estilo, const QString& titulo) {
    return Mensajes().mostrar(texto, estilo, titulo.isEmpty() ? TituloAplicacion() : titulo);
}

QString TituloAplicacion() { return Proceso::NombreEjecutable(); }

int MensajesConsola::mostrar(const QString& texto, int estilo, const QString& titulo) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(titulo), qPrintable(QString(texto).replace("\r\n", "\n")));
    return RespuestaPorDefecto(estilo);
}
