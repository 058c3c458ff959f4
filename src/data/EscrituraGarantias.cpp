#include "data/EscrituraGarantias.h"

#include <QSet>
#include <QThread>
#include <algorithm>

#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

namespace {

// Una fila por sentencia, en SQL Server: la base decide en la misma sentencia, con el bloqueo de
// rango sobre la serie.
const QString kInsertarFila = QStringLiteral(
    "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) SELECT ?,?,?,?,? "
    "WHERE NOT EXISTS (SELECT * FROM AUX_GARANTIA WITH (UPDLOCK, HOLDLOCK) WHERE serie=?)");
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

// El controlador ODBC de SQLite (el que hace de servidor en las pruebas) no corre T-SQL: el lote
// se escribe en una vista temporal cuyo disparador hace, fila por fila y en orden, lo mismo que el
// bucle del lote de SQL Server, y anota las filas que agregó.
const QString kPrepararLoteSqlite[] = {
    QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS garantias_lote_hechas (n INTEGER)"),
    QStringLiteral(
        "CREATE TEMP VIEW IF NOT EXISTS garantias_lote AS SELECT 0 AS n, 0 AS t, 0 AS total, '' AS modelo, "
        "'' AS serie, '' AS eca1, '' AS activacion WHERE 0"),
    QStringLiteral(
        "CREATE TEMP TRIGGER IF NOT EXISTS garantias_lote_fila INSTEAD OF INSERT ON garantias_lote BEGIN "
        "DELETE FROM garantias_lote_hechas WHERE NEW.n = 1; "
        "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) "
        "SELECT NEW.modelo, NEW.serie, NEW.t, NEW.eca1, NEW.activacion "
        "WHERE NEW.n <= NEW.total AND NOT EXISTS (SELECT * FROM AUX_GARANTIA WHERE serie = NEW.serie); "
        "INSERT INTO garantias_lote_hechas (n) SELECT NEW.n WHERE changes() > 0; "
        "END"),
};

QString TextoLoteSqlite(int filas) {
    QStringList valores;
    for (int i = 1; i <= filas; ++i) valores << QStringLiteral("(%1,?,?,?,?)").arg(i);
    return QStringLiteral(
               "INSERT INTO temp.garantias_lote (n,t,total,modelo,serie,eca1,activacion) "
               "SELECT v.column1, p.t, p.total, v.column2, v.column3, v.column4, v.column5 "
               "FROM (SELECT ? AS t, ? AS total) p, (VALUES ") +
           valores.join(',') + QStringLiteral(") v ORDER BY v.column1");
}

bool Contiene(const QString& motor, const char* nombre) {
    return motor.contains(QLatin1String(nombre), Qt::CaseInsensitive);
}

}  // namespace

QString EscrituraGarantias::TextoLoteSqlServer(int filas) {
    QStringList valores;
    for (int i = 1; i <= filas; ++i) valores << QStringLiteral("(%1,?,?,?,?)").arg(i);
    return QStringLiteral(
               "SET NOCOUNT ON;\n"
               "DECLARE @t int, @total int, @n int, @propia bit, @m nvarchar(max), @s nvarchar(max), @e "
               "nvarchar(max), @a nvarchar(max);\n"
               "DECLARE @f TABLE (n int NOT NULL PRIMARY KEY, modelo nvarchar(max) NULL, serie nvarchar(max) "
               "NULL,\n"
               "    eca1 nvarchar(max) NULL, activacion nvarchar(max) NULL, agregada bit NOT NULL DEFAULT "
               "0);\n"
               "SELECT @t = ?, @total = ?;\n"
               "INSERT INTO @f (n,modelo,serie,eca1,activacion) VALUES\n") +
           valores.join(QStringLiteral(",\n")) +
           QStringLiteral(
               ";\n"
               "SET @propia = CASE WHEN @@TRANCOUNT = 0 THEN 1 ELSE 0 END;\n"
               "IF @propia = 1 BEGIN TRANSACTION; ELSE SAVE TRANSACTION garantias_lote;\n"
               "BEGIN TRY\n"
               "    SET @n = 1;\n"
               "    WHILE @n <= @total\n"
               "    BEGIN\n"
               "        SELECT @m = modelo, @s = serie, @e = eca1, @a = activacion FROM @f WHERE n = @n;\n"
               "        INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion)\n"
               "            SELECT @m, @s, @t, @e, @a\n"
               "            WHERE NOT EXISTS (SELECT * FROM AUX_GARANTIA WITH (UPDLOCK, HOLDLOCK) WHERE "
               "serie = @s);\n"
               "        IF @@ROWCOUNT > 0 UPDATE @f SET agregada = 1 WHERE n = @n;\n"
               "        SET @n = @n + 1;\n"
               "    END;\n"
               "    IF @propia = 1 COMMIT TRANSACTION;\n"
               "    SELECT n FROM @f WHERE agregada = 1 ORDER BY n;\n"
               "END TRY\n"
               "BEGIN CATCH\n"
               "    IF XACT_STATE() = -1 OR (XACT_STATE() = 1 AND @propia = 1) ROLLBACK TRANSACTION;\n"
               "    ELSE IF XACT_STATE() = 1 ROLLBACK TRANSACTION garantias_lote;\n"
               "    SELECT -ERROR_NUMBER() AS n;\n"
               "END CATCH;");
}

EscrituraGarantias::Modo EscrituraGarantias::ModoConfigurado() {
    const QString v = qEnvironmentVariable("GARANTIAS_LOTES").trimmed().toLower();
    if (v == QLatin1String("no") || v == QLatin1String("0")) return Modo::FilaPorFila;
    if (v == QLatin1String("si") || v == QLatin1String("sí") || v == QLatin1String("1")) return Modo::Lotes;
    return Modo::Automatico;
}

EscrituraGarantias::EscrituraGarantias(Conexion& conexion, Transmision transmision, bool embebida,
                                       std::function<void(const ResultadoFila&)> alResultado,
                                       std::function<void(const QString&)> alAviso, Modo modo)
    : c_(conexion),
      transmision_(std::move(transmision)),
      embebida_(embebida),
      alResultado_(std::move(alResultado)),
      alAviso_(std::move(alAviso)) {
    fila_ = c_.preparar(embebida_ ? kInsertarFilaEmbebida : kInsertarFila);
    if (embebida_ && modo != Modo::FilaPorFila) {
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
    if (embebida_ || modo == Modo::FilaPorFila) return;
    const QString motor = c_.proveedor() ? c_.proveedor()->motor() : QString();
    sqlite_ = motor.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0;
    if (!Contiene(motor, "SQL Server") && !sqlite_) return;
    forzado_ = modo == Modo::Lotes;
    if (sqlite_) {
        for (const QString& s : kPrepararLoteSqlite) {
            auto p = c_.preparar(s);
            c_.ejecutar(*p, {});
            if (c_.Errors().Count() > 0) return;  // sin lotes: una sentencia por fila
        }
        lote_ = c_.preparar(TextoLoteSqlite(kFilasPorLote));
        leerLote_ = c_.preparar(QStringLiteral("SELECT n FROM temp.garantias_lote_hechas ORDER BY n"));
    } else {
        lote_ = c_.preparar(TextoLoteSqlServer(kFilasPorLote));
    }
    lotes_ = true;
    pendientes_.reserve(kFilasPorLote);
}

EscrituraGarantias::~EscrituraGarantias() {
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

bool EscrituraGarantias::agregar(int64_t indice, FilaGarantia fila) {
    if (hilo_) {
        if (fallaEntregada_) return false;
        pendiente_.agregar(indice, fila);
        return static_cast<int>(pendiente_.filas()) < kFilasPorTanda || despacharTanda();
    }
    if (!lotes_) return unaFila({indice, std::move(fila)});
    pendientes_.push_back({indice, std::move(fila)});
    return static_cast<int>(pendientes_.size()) < kFilasPorLote || mandarLote();
}

bool EscrituraGarantias::vaciar() {
    if (hilo_) return despacharTanda() && sincronizar();
    if (!lotes_) {
        if (pendientes_.empty()) return true;
        // Quedaron filas de un lote que se dejó de usar: van una por una.
        auto filas = std::exchange(pendientes_, {});
        return repetirFilaPorFila(filas);
    }
    return pendientes_.empty() || mandarLote();
}

QString EscrituraGarantias::descripcionFalla() const {
    return c_.Errors().Count() > 0 ? c_.Errors().Item(0).descripcion : QStringLiteral("La sentencia falló.");
}

bool EscrituraGarantias::fallo(int64_t indice, const QString& descripcion) {
    alResultado_({indice, ResultadoFila::Fallo, descripcion});
    return false;
}

int64_t EscrituraGarantias::correr(SentenciaPreparada& s, const std::vector<QVariant>& valores) {
    reintentosHechos_ = 0;
    for (;;) {
        const int64_t filas = c_.ejecutar(s, valores);
        if (filas >= 0 || c_.enTransaccion() || reintentosHechos_ >= kReintentosBloqueo) return filas;
        bool bloqueo = false;
        for (int i = 0; i < c_.Errors().Count(); ++i)
            bloqueo = bloqueo || FallasMotor::EsBloqueoMutuo(c_.Errors().Item(i));
        if (!bloqueo) return filas;
        ++reintentosHechos_;
        QThread::msleep(static_cast<unsigned long>(50 * reintentosHechos_));
    }
}

bool EscrituraGarantias::unaFila(const Pendiente& p) {
    const auto numero = transmision_.numero();
    if (!numero) {
        sinNumero_ = true;
        return false;
    }
    std::vector<QVariant> valores{p.fila.modelo, p.fila.serie, *numero, p.fila.eca1, p.fila.activacion};
    if (!embebida_) valores.push_back(p.fila.serie);
    const int64_t filas = correr(*fila_, valores);
    if (filas < 0) {
        QString d = descripcionFalla();
        if (reintentosHechos_ > 0) {
            d = QStringLiteral(
                    "La base deshizo la fila %1 veces seguidas por un bloqueo mutuo con otra estación: %2")
                    .arg(reintentosHechos_ + 1)
                    .arg(d);
        }
        return fallo(p.indice, d);
    }
    alResultado_({p.indice, filas > 0 ? ResultadoFila::Agregada : ResultadoFila::YaGuardada, {}});
    return true;
}

bool EscrituraGarantias::repetirFilaPorFila(const std::vector<Pendiente>& filas) {
    for (const Pendiente& p : filas) {
        if (!unaFila(p)) return false;
    }
    return true;
}

void EscrituraGarantias::Tanda::agregar(int64_t indice, const FilaGarantia& f) {
    indices.push_back(indice);
    for (const QString* v : {&f.modelo, &f.serie, &f.eca1, &f.activacion}) {
        AgregarUtf8(texto, *v);
        fines.push_back(texto.size());
    }
}

void EscrituraGarantias::Tanda::armarValores() {
    // El texto ya no crece: los valores lo miran en su lugar.
    valores.resize(fines.size());
    qsizetype desde = 0;
    for (std::size_t i = 0; i < fines.size(); ++i) {
        valores[i].texto = QByteArrayView(texto.constData() + desde, fines[i] - desde);
        desde = fines[i];
    }
}

void EscrituraGarantias::Tanda::limpiar() {
    indices.clear();
    texto.resize(0);
    fines.clear();
    valores.clear();
    agregada.clear();
    fallo = false;
    errores.Clear();
    sentencia = 0;
}

void EscrituraGarantias::reciclar(Tanda& t) {
    t.limpiar();
    if (t.indices.capacity() > 0) libres_.push_back(std::move(t));
    t = {};
}

bool EscrituraGarantias::sincronizar() {
    if (!hilo_) return true;
    terminarTanda();
    cerrarSentencia();
    return entregarTanda();
}

bool EscrituraGarantias::despacharTanda() {
    terminarTanda();
    if (fallaEntregada_ || hecha_.fallo || pendiente_.filas() == 0) return entregarTanda();
    // Mientras el hilo espera: el grupo que ya dura mucho se confirma (con lo hecho contado) y
    // se pide el número para la tanda nueva.
    if (transmision_.largo && transmision_.largo()) {
        cerrarSentencia();
        if (!entregarTanda()) return false;
        if (transmision_.cerrar) transmision_.cerrar();
    }
    const auto numero = transmision_.numero();
    if (!numero) {
        cerrarSentencia();
        entregarTanda();
        sinNumero_ = true;
        return false;
    }
    if (sentenciaAbierta_ &&
        (*numero != numeroSentencia_ || static_cast<int>(escritas_.size()) >= kTandasPorSentencia))
        cerrarSentencia();
    if (!sentenciaAbierta_) abrirSentencia(*numero);
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

void EscrituraGarantias::abrirSentencia(int32_t numero) {
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

void EscrituraGarantias::cerrarSentencia() {
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

void EscrituraGarantias::escribirSentencia(int32_t numero, bool enFlujo) {
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

void EscrituraGarantias::terminarTanda() {
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

void EscrituraGarantias::repetirSentencia(int64_t filaFallida) {
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

bool EscrituraGarantias::entregarTanda() {
    if (fallaEntregada_) return false;
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
    fallaEntregada_ = true;
    c_.Errors().Clear();
    for (int i = 0; i < hecha_.errores.Count(); ++i) c_.Errors().agregar(hecha_.errores.Item(i));
    const int64_t indice = hecha_.indices[hechas];
    reciclar(hecha_);
    return fallo(indice, descripcionFalla());
}

bool EscrituraGarantias::mandarLote() {
    std::vector<Pendiente> filas = std::exchange(pendientes_, {});
    pendientes_.reserve(kFilasPorLote);
    const auto numero = transmision_.numero();
    if (!numero) {
        sinNumero_ = true;
        return false;
    }
    std::vector<QVariant> valores;
    valores.reserve(2 + 4 * kFilasPorLote);
    valores.push_back(*numero);
    valores.push_back(static_cast<int>(filas.size()));
    for (int i = 0; i < kFilasPorLote; ++i) {
        if (i < static_cast<int>(filas.size())) {
            const FilaGarantia& f = filas[static_cast<std::size_t>(i)].fila;
            valores.insert(valores.end(), {f.modelo, f.serie, f.eca1, f.activacion});
        } else {
            valores.insert(valores.end(), 4,
                           QVariant());  // el lote se completa con filas vacías que no se miran
        }
    }
    int64_t r = correr(*lote_, valores);
    std::vector<QVariant> agregadas;
    if (r >= 0) {
        if (leerLote_) {
            r = c_.ejecutar(*leerLote_, {});
            agregadas = leerLote_->resultado();
        } else {
            agregadas = lote_->resultado();
        }
    }
    // SQL Server atrapa la falla de una fila dentro del lote, lo deshace y devuelve el número
    // del error con signo menos.
    const auto conError = std::find_if(agregadas.begin(), agregadas.end(),
                                       [](const QVariant& n) { return n.toLongLong() < 0; });
    if (r >= 0 && conError != agregadas.end()) {
        const auto nativo = static_cast<int32_t>(-conError->toLongLong());
        c_.Errors().Clear();
        c_.Errors().agregar({QStringLiteral("El servidor deshizo el lote por el error %1.").arg(nativo),
                             nativo,
                             QStringLiteral("Proveedor ODBC"),
                             {}});
        r = -1;
        // Un bloqueo mutuo fuera de una transacción del programa se reintenta como cualquier otro.
        for (; r < 0 && nativo == FallasMotor::BloqueoMutuo && !c_.enTransaccion() &&
               reintentosHechos_ < kReintentosBloqueo;) {
            ++reintentosHechos_;
            QThread::msleep(static_cast<unsigned long>(50 * reintentosHechos_));
            r = c_.ejecutar(*lote_, valores);
            agregadas = lote_->resultado();
            if (r >= 0 && std::any_of(agregadas.begin(), agregadas.end(),
                                      [](const QVariant& n) { return n.toLongLong() < 0; }))
                r = -1;
        }
    }
    if (r < 0) {
        // El lote es una transacción: no dejó nada. Si el servidor lo rechazó, o una de sus
        // filas falla, se repite fila por fila, que da el mismo resultado (y dice en qué fila
        // está la falla). Una conexión perdida o un bloqueo que no cede detienen la corrida.
        const QString d = descripcionFalla();
        bool perdida = false;
        for (int i = 0; i < c_.Errors().Count(); ++i)
            perdida = perdida || FallasMotor::EsPerdidaDeConexion(c_.Errors().Item(i));
        if (perdida || forzado_ || reintentosHechos_ > 0) {
            const QString texto = reintentosHechos_ > 0
                                      ? QStringLiteral(
                                            "La base deshizo el lote %1 veces seguidas por un bloqueo "
                                            "mutuo con otra estación: %2")
                                            .arg(reintentosHechos_ + 1)
                                            .arg(d)
                                      : d;
            return fallo(filas.front().indice, texto);
        }
        if (transmision_.cerrar) transmision_.cerrar();
        if (!repetirFilaPorFila(filas)) return false;
        // Todas sus filas pasaron una por una: lo que el servidor rechazó fue la sentencia del
        // lote. El resto de la corrida va fila por fila.
        lotes_ = false;
        if (alAviso_) {
            alAviso_(
                QStringLiteral(
                    "El servidor rechazó la sentencia de varias filas (%1); la importación sigue con una "
                    "sentencia por fila.")
                    .arg(d));
        }
        return true;
    }
    QSet<qlonglong> hechas;
    for (const QVariant& n : agregadas) hechas.insert(n.toLongLong());
    for (std::size_t i = 0; i < filas.size(); ++i) {
        const bool agregada = hechas.contains(static_cast<qlonglong>(i + 1));
        alResultado_({filas[i].indice, agregada ? ResultadoFila::Agregada : ResultadoFila::YaGuardada, {}});
    }
    return true;
}
