#include "data/EscrituraEmbebida.h"

#include <algorithm>

#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

namespace {

// En la base embebida el índice único de la serie decide solo (una búsqueda en vez de dos).
const QString kInsertarFilaEmbebida = QStringLiteral(
    "INSERT OR IGNORE INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) VALUES (?,?,?,?,?)");
// Lo mismo, con las filas de las tandas (c1..c4: modelo, serie, eca1, activación) en una sola
// sentencia por grupo.
const QString kInsertarFlujoEmbebida = QStringLiteral(
    "INSERT OR IGNORE INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) "
    "SELECT c1, c2, ?, c3, c4 FROM flujo_de_filas");
constexpr int kColumnasTanda = 4;

// Los cuatro valores de una fila de tanda (modelo, serie, eca1, activación) en los lugares de la
// sentencia de una fila; el número de transmisión ya está en el tercero.
void UbicarFila(std::vector<SentenciaPreparada::ValorListo>& valores,
                const SentenciaPreparada::ValorListo* f) {
    valores[0] = f[0];
    valores[1] = f[1];
    valores[3] = f[2];
    valores[4] = f[3];
}

// La falla de una sentencia que la base no describió.
ErrorAdo FallaSinDescripcion() {
    return {QStringLiteral("La sentencia falló."),
            Errores::ProveedorFallo,
            QStringLiteral("Proveedor de SQLite"),
            {}};
}

}  // namespace

EscrituraEmbebida::EscrituraEmbebida(Conexion& conexion, Transmision transmision, AlResultado alResultado,
                                     Modo modo)
    : EscrituraFilaPorFila(conexion, std::move(transmision), std::move(alResultado), kInsertarFilaEmbebida,
                           false) {
    if (modo == Modo::FilaPorFila) return;
    hilo_ = std::make_unique<HiloEscritura>();
    try {
        flujo_ = c_.prepararFlujo(kInsertarFlujoEmbebida, kColumnasTanda);
    } catch (const ErrorEjecucion&) {
        flujo_.reset();  // el hilo corre una sentencia por fila
    }
    // Mientras dura la importación el WAL llega a más antes de un punto de control: cada
    // uno en medio detiene la escritura. Al terminar se hace uno y vuelve lo de siempre.
    try {
        auto rs = c_.abrirRecordset(QStringLiteral("PRAGMA wal_autocheckpoint"));
        if (!rs->EOF_()) autocontrolPrevio_ = rs->Field(0).toInt();
        rs->Close();
        c_.Execute(QStringLiteral("PRAGMA wal_autocheckpoint=%1").arg(kPaginasWalImportando));
    } catch (const ErrorEjecucion&) {
        autocontrolPrevio_.reset();  // sigue con el de siempre
    }
}

EscrituraEmbebida::~EscrituraEmbebida() {
    // La tanda en curso usa las sentencias y la salida: termina antes de que se destruyan.
    if (hilo_) cerrarSentencia();
    if (autocontrolPrevio_) {
        try {
            c_.Execute(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
            c_.Execute(QStringLiteral("PRAGMA wal_autocheckpoint=%1").arg(*autocontrolPrevio_));
        } catch (const ErrorEjecucion&) {
        }
    }
}

void EscrituraEmbebida::agregar(int64_t indice, FilaGarantia fila) {
    if (!hilo_) {
        EscrituraFilaPorFila::agregar(indice, std::move(fila));
        return;
    }
    if (detenida_) return;
    pendiente_.agregar(indice, fila);
    if (static_cast<int>(pendiente_.filas()) >= kFilasPorTanda) despacharTanda();
}

void EscrituraEmbebida::vaciar() {
    if (hilo_ && despacharTanda()) sincronizar();
}

void EscrituraEmbebida::Tanda::agregar(int64_t indice, const FilaGarantia& f) {
    indices.push_back(indice);
    for (const QString* v : {&f.modelo, &f.serie, &f.eca1, &f.activacion}) {
        AgregarUtf8(texto, *v);
        fines.push_back(texto.size());
    }
}

void EscrituraEmbebida::Tanda::armarValores() {
    // El texto ya no crece: los valores lo miran en su lugar.
    valores.resize(fines.size());
    qsizetype desde = 0;
    for (std::size_t i = 0; i < fines.size(); ++i) {
        valores[i].texto = QByteArrayView(texto.constData() + desde, fines[i] - desde);
        desde = fines[i];
    }
}

void EscrituraEmbebida::Tanda::limpiar() {
    indices.clear();
    texto.resize(0);
    fines.clear();
    valores.clear();
    agregada.clear();
    fallo = false;
    errores.Clear();
    sentencia = 0;
}

void EscrituraEmbebida::reciclar(Tanda& t) {
    t.limpiar();
    if (t.indices.capacity() > 0) libres_.push_back(std::move(t));
    t = {};
}

void EscrituraEmbebida::sincronizar() {
    if (!hilo_) return;
    terminarTanda();
    cerrarSentencia();
    entregarTanda();
}

bool EscrituraEmbebida::despacharTanda() {
    terminarTanda();
    if (detenida_ || hecha_.fallo || pendiente_.filas() == 0) return entregarTanda();
    // Mientras el hilo espera: el grupo que ya dura mucho se confirma (con lo hecho contado) y
    // se pide el número para la tanda nueva.
    if (transmision_.largo && transmision_.largo()) {
        cerrarSentencia();
        if (!entregarTanda()) return false;
        if (transmision_.cerrar) transmision_.cerrar();
    }
    int32_t numero = 0;
    try {
        numero = transmision_.numero();
    } catch (const RegistroRechazado& rechazo) {
        // Lo que pasó con la tanda anterior se dice antes que la primera fila que esperaba.
        cerrarSentencia();
        return entregarTanda() && sinTransmision(pendiente_.indices.front(), rechazo);
    }
    if (sentenciaAbierta_ &&
        (numero != numeroSentencia_ || static_cast<int>(escritas_.size()) >= kTandasPorSentencia))
        cerrarSentencia();
    if (!sentenciaAbierta_) abrirSentencia(numero);
    std::swap(enCurso_, pendiente_);
    if (!libres_.empty()) {
        pendiente_ = std::move(libres_.back());
        libres_.pop_back();
    }
    enCurso_.sentencia = sentencia_;
    enCurso_.armarValores();
    canal_.poner(&enCurso_.valores, enCurso_.filas());
    // Lo que pasó con la tanda anterior se dice mientras el hilo escribe ésta.
    return entregarTanda();
}

void EscrituraEmbebida::abrirSentencia(int32_t numero) {
    // La conexión es de la corrida hasta que el hilo empiece: se pregunta aquí, dentro del grupo.
    bool enFlujo = false;
    try {
        enFlujo = flujo_ && flujo_->apta();
    } catch (const ErrorEjecucion&) {
    }
    erroresHilo_.Clear();
    transaccionViva_ = true;
    canal_.abrir();
    hilo_->encargar([this, numero, enFlujo] { escribirSentencia(numero, enFlujo); });
    sentenciaAbierta_ = true;
    enFlujo_ = enFlujo;
    ++sentencia_;
    numeroSentencia_ = numero;
    c_.alUsarDesdeOtroHilo([this] { cerrarSentencia(); });
}

void EscrituraEmbebida::cerrarSentencia() {
    if (!sentenciaAbierta_) return;
    canal_.cerrar();
    hilo_->esperar();
    sentenciaAbierta_ = false;
    c_.alUsarDesdeOtroHilo(nullptr);
    // Si la sentencia terminó bien, sus tandas ya no se van a escribir de nuevo.
    if (erroresHilo_.vacia()) {
        for (Tanda& t : escritas_) reciclar(t);
        escritas_.clear();
    }
}

void EscrituraEmbebida::escribirSentencia(int32_t numero, bool enFlujo) {
    // En el hilo: sólo las sentencias, el canal y erroresHilo_; nada de la corrida.
    auto falla = [this](ErrorAdo e = FallaSinDescripcion()) {
        if (erroresHilo_.vacia()) erroresHilo_.agregar(std::move(e));
    };
    try {
        if (enFlujo) {
            SentenciaPreparada::ValorListo n;
            n.entero = numero;
            n.esEntero = true;
            if (flujo_->correr(canal_, {n}, erroresHilo_) < 0) {
                falla();
                transaccionViva_ = flujo_->enTransaccion();
            }
        } else {
            std::vector<SentenciaPreparada::ValorListo> valores(5);
            valores[2].entero = numero;
            valores[2].esEntero = true;
            while (const SentenciaPreparada::ValorListo* f = canal_.siguiente()) {
                UbicarFila(valores, f);
                const int64_t filas = fila_->ejecutarListos(valores, erroresHilo_);
                if (filas < 0) {
                    falla();
                    break;
                }
                canal_.insertada(filas > 0);
            }
        }
    } catch (const ErrorEjecucion& e) {
        erroresHilo_.Clear();
        falla({e.descripcion(), e.numero(), QStringLiteral("Proveedor de SQLite"), {}});
    } catch (const std::exception& e) {
        falla({QString::fromLocal8Bit(e.what()),
               Errores::ProveedorFallo,
               QStringLiteral("Proveedor de SQLite"),
               {}});
    }
    canal_.terminar();
}

void EscrituraEmbebida::terminarTanda() {
    if (enCurso_.filas() == 0) return;
    enCurso_.agregada = canal_.esperar();
    if (enCurso_.agregada.size() < enCurso_.filas()) {
        // El hilo dejó de escribir en la primera fila sin resultado: ésa falló.
        const bool deshecha = enFlujo_;  // la tanda en curso es siempre de la última sentencia
        const int64_t filaFallida = enCurso_.indices[enCurso_.agregada.size()];
        cerrarSentencia();
        enCurso_.fallo = true;
        enCurso_.errores = erroresHilo_;
        if (enCurso_.errores.vacia()) enCurso_.errores.agregar(FallaSinDescripcion());
        // La sentencia de flujo no dejó nada: sus filas van de nuevo, una por una. Si la falla
        // deshizo la transacción entera, no hay a qué volver (como con una sentencia por fila).
        if (deshecha && transaccionViva_) repetirSentencia(filaFallida);
        for (Tanda& t : escritas_) reciclar(t);
        escritas_.clear();
    }
    // Queda hecha, por decir; la anterior ya se dijo (se dice antes de encargar otra).
    std::swap(hecha_, enCurso_);
}

void EscrituraEmbebida::repetirSentencia(int64_t filaFallida) {
    std::vector<SentenciaPreparada::ValorListo> valores(5);
    valores[2].entero = numeroSentencia_;
    valores[2].esEntero = true;
    auto escribir = [&](const Tanda& t, std::size_t i, ListaErrores& errores) {
        UbicarFila(valores, &t.valores[i * kColumnasTanda]);
        return fila_->ejecutarListos(valores, errores);
    };
    enCurso_.agregada.clear();
    enCurso_.errores.Clear();
    enCurso_.fallo = false;
    // Las de las tandas ya dichas dan lo que dieron: la base está como al empezar la sentencia,
    // con el mismo bloqueo, y las filas son las mismas, en el mismo orden.
    for (const Tanda& t : escritas_) {
        for (std::size_t i = 0; i < t.filas(); ++i) {
            ListaErrores errores;
            const int64_t r = escribir(t, i, errores);
            if (r >= 0 && (r > 0) == (t.agregada[i] != 0)) continue;
            enCurso_.fallo = true;
            enCurso_.errores.agregar(
                {QStringLiteral("Una falla en la fila %1 deshizo las filas escritas desde la %2, y al "
                                "escribirlas de nuevo la "
                                "fila %3 no dio lo mismo%4. Desde la fila %3 no quedó guardada ninguna.")
                     .arg(filaFallida)
                     .arg(escritas_.front().indices.front())
                     .arg(t.indices[i])
                     .arg(errores.vacia() ? QString()
                                          : QStringLiteral(" (") + errores.Item(0).descripcion + ')'),
                 Errores::ProveedorFallo,
                 QStringLiteral("Proveedor de SQLite"),
                 {}});
            return;
        }
    }
    for (std::size_t i = 0; i < enCurso_.filas(); ++i) {
        ListaErrores errores;
        const int64_t r = escribir(enCurso_, i, errores);
        if (r < 0) {
            enCurso_.fallo = true;
            enCurso_.errores = errores;
            if (enCurso_.errores.vacia()) enCurso_.errores.agregar(FallaSinDescripcion());
            return;
        }
        enCurso_.agregada.push_back(r > 0 ? 1 : 0);
    }
}

bool EscrituraEmbebida::entregarTanda() {
    if (detenida_) return false;
    const std::size_t hechas = hecha_.agregada.size();
    for (std::size_t i = 0; i < hechas; ++i)
        alResultado_({hecha_.indices[i],
                      hecha_.agregada[i] ? ResultadoFila::Agregada : ResultadoFila::YaGuardada,
                      {}});
    if (!hecha_.fallo) {
        // Las de la sentencia de flujo abierta se guardan hasta que termine bien.
        if (sentenciaAbierta_ && enFlujo_ && hecha_.sentencia == sentencia_)
            escritas_.push_back(std::move(hecha_));
        reciclar(hecha_);
        return true;
    }
    // La falla queda en la lista de la conexión, como la de una sentencia en este hilo.
    c_.Errors().Clear();
    for (int i = 0; i < hecha_.errores.Count(); ++i) c_.Errors().agregar(hecha_.errores.Item(i));
    const int64_t indice = hecha_.indices[hechas];
    reciclar(hecha_);
    return fallo(indice, descripcionFalla());
}
