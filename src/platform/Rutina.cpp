#include "platform/Rutina.h"

#include "platform/Mensajes.h"

Trampa TrampaOmitir() {
    return [](const ErrorEjecucion&) { return Respuesta::Saltar; };
}

Respuesta RespuestaDelOperador(int respuestaMensaje) {
    switch (respuestaMensaje) {
        case RespuestaMensaje::Reintentar:
            return Respuesta::Repetir;
        case RespuestaMensaje::Omitir:
            return Respuesta::Saltar;
        default:
            return Respuesta::Abandonar;
    }
}

bool Sentencia(const Trampa& trampa, const std::function<void()>& cuerpo) {
    for (;;) {
        try {
            cuerpo();
            return true;
        } catch (const ErrorEjecucion& e) {
            switch (trampa ? trampa(e) : Respuesta::Abandonar) {
                case Respuesta::Repetir:
                    continue;
                case Respuesta::Saltar:
                    return true;
                case Respuesta::Abandonar:
                    return false;
            }
        }
    }
}

Rutina::Rutina(Trampa trampa) : trampa_(std::move(trampa)) {}

Rutina& Rutina::paso(std::function<void()> cuerpo) {
    pasos_.push_back(std::move(cuerpo));
    return *this;
}

void Rutina::irA(std::size_t n) { siguiente_ = n; }
void Rutina::terminar() { fin_ = true; }
void Rutina::abandonar() {
    fin_ = true;
    abandonada_ = true;
}

bool Rutina::correr() {
    siguiente_ = 0;
    fin_ = abandonada_ = false;
    while (!fin_ && siguiente_ < pasos_.size()) {
        const std::size_t actual = siguiente_;
        siguiente_ = actual + 1;
        try {
            pasos_[actual]();
        } catch (const ErrorEjecucion& e) {
            switch (trampa_ ? trampa_(e) : Respuesta::Abandonar) {
                case Respuesta::Repetir:
                    siguiente_ = actual;
                    break;
                case Respuesta::Saltar:
                    siguiente_ = actual + 1;
                    break;
                case Respuesta::Abandonar:
                    return false;
            }
        }
    }
    return !abandonada_;
}
