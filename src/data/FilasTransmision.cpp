#include "data/FilasTransmision.h"

#include "ado/Recordset.h"
#include "ado/Valores.h"
#include "data/Dll_Datos.h"

namespace {
// Tramos leídos que se guardan: los de la vista y los de al lado, para ir y volver sin releer.
constexpr std::size_t kTramosGuardados = 8;
}  // namespace

FilasTransmision::FilasTransmision(Dll_Datos& datos, int32_t numero)
    : datos_(datos), numero_(numero), porRowid_(datos.conexion().motor() == MotorBase::Embebida) {
    const QString clave = porRowid_ ? QStringLiteral("rowid") : QStringLiteral("serie");
    RecordsetPtr rs;
    datos_.AbrirRecordset(QStringLiteral("SELECT %1 FROM AUX_GARANTIA WHERE NroTransmision=%2 ORDER BY %1")
                              .arg(clave)
                              .arg(numero_),
                          rs, nullptr, 0, 1, -1, true);
    try {
        for (; !rs->EOF_(); rs->MoveNext(), ++cantidad_) {
            if (cantidad_ % kFilasPorTramo != 0) continue;
            const QString valor = TextoValor(rs->Field(0));
            claves_.push_back(porRowid_ ? valor : datos_.FormatearValor(valor, QStringLiteral("'")));
        }
    } catch (...) {
        datos_.CerrarRecordset(rs);
        throw;
    }
    datos_.CerrarRecordset(rs);
}

const FilasTransmision::Fila& FilasTransmision::fila(int64_t i) {
    const auto t = static_cast<std::size_t>(i / kFilasPorTramo);
    return tramo(t)[static_cast<std::size_t>(i % kFilasPorTramo)];
}

const std::vector<FilasTransmision::Fila>& FilasTransmision::tramo(std::size_t t) {
    if (auto it = leidos_.find(t); it != leidos_.end()) {
        it->second.uso = ++usos_;
        return it->second.filas;
    }
    if (leidos_.size() >= kTramosGuardados) {
        auto viejo = leidos_.begin();
        for (auto it = leidos_.begin(); it != leidos_.end(); ++it)
            if (it->second.uso < viejo->second.uso) viejo = it;
        leidos_.erase(viejo);
    }
    const QString clave = porRowid_ ? QStringLiteral("rowid") : QStringLiteral("serie");
    Leido leido;
    leido.uso = ++usos_;
    leido.filas.reserve(kFilasPorTramo);
    RecordsetPtr rs;
    datos_.AbrirRecordset(QStringLiteral("SELECT TOP %1 modelo,serie,eca1 FROM AUX_GARANTIA WHERE "
                                         "NroTransmision=%2 AND %3>=%4 ORDER BY %3")
                              .arg(kFilasPorTramo)
                              .arg(numero_)
                              .arg(clave, claves_[t]),
                          rs, nullptr, 0, 1, -1, true);
    try {
        for (; !rs->EOF_(); rs->MoveNext())
            leido.filas.push_back(
                {TextoValor(rs->Field(0)), TextoValor(rs->Field(1)), TextoValor(rs->Field(2))});
    } catch (...) {
        datos_.CerrarRecordset(rs);
        throw;
    }
    datos_.CerrarRecordset(rs);
    // Filas borradas desde que se contaron: las que faltan se muestran vacías.
    leido.filas.resize(kFilasPorTramo);
    return leidos_.emplace(t, std::move(leido)).first->second.filas;
}
