#include "data/EscrituraGarantias.h"

#include "ado/Conexion.h"
#include "data/EscrituraEmbebida.h"
#include "data/EscrituraFilaPorFila.h"
#include "data/EscrituraSqlServer.h"

EscrituraGarantias::Modo EscrituraGarantias::ModoConfigurado() {
    const QString v = qEnvironmentVariable("GARANTIAS_LOTES").trimmed().toLower();
    if (v == QLatin1String("no") || v == QLatin1String("0")) return Modo::FilaPorFila;
    if (v == QLatin1String("si") || v == QLatin1String("sí") || v == QLatin1String("1")) return Modo::Lotes;
    return Modo::Automatico;
}

std::unique_ptr<EscrituraGarantias> EscrituraGarantias::Crear(Conexion& conexion, Transmision transmision,
                                                              AlResultado alResultado, AlAviso alAviso,
                                                              Modo modo) {
    switch (conexion.motor()) {
        case MotorBase::Embebida:
            return std::make_unique<EscrituraEmbebida>(conexion, std::move(transmision),
                                                       std::move(alResultado), modo);
        case MotorBase::SqlServer:
            return std::make_unique<EscrituraSqlServer>(conexion, std::move(transmision),
                                                        std::move(alResultado), std::move(alAviso), modo);
        case MotorBase::OtroOdbc:
        case MotorBase::Ninguno:
            break;
    }
    return std::make_unique<EscrituraFilaPorFila>(conexion, std::move(transmision), std::move(alResultado));
}
