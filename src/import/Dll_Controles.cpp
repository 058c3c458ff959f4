#include "import/Dll_Controles.h"

#include "platform/ErrorEjecucion.h"

int16_t Dll_Controles::IndiceControl(const QString& clave, const std::vector<CampoClave>& campos) const {
    for (std::size_t i = 0; i < campos.size(); ++i) {
        if (campos[i].clave.compare(clave, Qt::CaseInsensitive) == 0) return static_cast<int16_t>(i);
    }
    throw ErrorEjecucion(Errores::ArgumentoInvalido,
                         QStringLiteral("No hay un campo con la clave \"%1\".").arg(clave));
}
