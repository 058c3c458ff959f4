#include "banner/ui/Dll_Display.h"

#include <QCoreApplication>

#include "ado/Valores.h"
#include "banner/ui/Lbf_CtrlDisplay.h"
#include "banner/ui/ReglasCartel.h"
#include "platform/Proceso.h"

Dll_Display::Dll_Display() = default;

Dll_Display::~Dll_Display() {
    // El objeto del proceso puede destruirse al salir, cuando la aplicación ya no existe: una
    // ventana no se puede borrar sin ella, así que en ese caso se abandona (el proceso termina).
    if (!QCoreApplication::instance()) (void)ventana_.release();
}

Lbf_CtrlDisplay& Dll_Display::Ventana() {
    if (!ventana_) ventana_ = std::make_unique<Lbf_CtrlDisplay>();
    return *ventana_;
}

QString Dll_Display::TextoLinea(const QVariant& valor) {
    return valor.isNull() ? QString() : TextoValor(valor);
}

void Dll_Display::CartelInicio(const QString& titulo, bool permiteCancelar) {
    try {
        Lbf_CtrlDisplay& ventana = Ventana();
        ventana.setWindowTitle(titulo);
        ventana.FijarBotonVisible(permiteCancelar);
        ventana.show();
    } catch (...) {
        // El cartel es un aviso: si no se puede abrir, el trabajo sigue sin él.
    }
}

void Dll_Display::CartelMostrar(bool& cancelado, const std::optional<QVariant>& l1,
                                const std::optional<QVariant>& l2, const std::optional<QVariant>& l3) {
    Lbf_CtrlDisplay& ventana = Ventana();
    const std::optional<QVariant>* lineas[3] = {&l1, &l2, &l3};
    for (int i = 0; i < 3; ++i) {
        if (lineas[i]->has_value()) ventana.FijarLinea(i, TextoLinea(**lineas[i]));
    }
    ventana.repaint();
    cancelado = ReglasCartel::EstaCancelado(ventana.TituloBoton());
    // Después de bombear no se toca la ventana: un evento pudo cerrar el cartel.
    Proceso::BombearEventos();
}

void Dll_Display::CartelCerrar() {
    try {
        if (ventana_) ventana_->hide();
        ventana_.reset();
    } catch (...) {
        // Cerrar nunca detiene a quien llama.
    }
}
