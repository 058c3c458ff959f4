#include "import/Dll_Dialogo.h"

#include "platform/ErrorEjecucion.h"

void Dll_Dialogo::MostrarAbrir() {
    const auto elegido = selector_ ? selector_->elegir(TituloDialogo, CarpetaInicial) : std::nullopt;
    if (elegido) {
        NombreArchivo = *elegido;
        return;
    }
    NombreArchivo.clear();
    if (CancelarConError) {
        throw ErrorEjecucion(ErrorCancelacion(), QStringLiteral("Se canceló la elección del archivo."),
                             QStringLiteral("Dll_Dialogo"));
    }
}
