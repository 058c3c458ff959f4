#include "data/EscrituraSqlServer.h"

#include <QSet>
#include <QThread>
#include <algorithm>

#include "platform/ErrorEjecucion.h"

QString EscrituraSqlServer::TextoLoteSqlServer(int filas) {
    QStringList valores;
    for (int i = 1; i <= filas; ++i) valores << QStringLiteral("(%1,?,?,?,?)").arg(i);
    return QStringLiteral(
               "DECLARE @contaba bit = CASE WHEN @@OPTIONS & 512 = 0 THEN 1 ELSE 0 END;\n"
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
               "END CATCH;\n"
               "IF @contaba = 1 SET NOCOUNT OFF;");
}

EscrituraSqlServer::FormaLote EscrituraSqlServer::FormaSqlServer() {
    return {{}, TextoLoteSqlServer(kFilasPorLote), {}};
}

EscrituraSqlServer::EscrituraSqlServer(Conexion& conexion, Transmision transmision, AlResultado alResultado,
                                       AlAviso alAviso, Modo modo, const FormaLote& forma)
    : EscrituraFilaPorFila(conexion, std::move(transmision), std::move(alResultado)),
      alAviso_(std::move(alAviso)) {
    if (modo == Modo::FilaPorFila) return;
    forzado_ = modo == Modo::Lotes;
    for (const QString& s : forma.antes) {
        auto p = c_.preparar(s);
        c_.ejecutar(*p, {});
        if (c_.Errors().Count() > 0) return;  // sin lotes: una sentencia por fila
    }
    lote_ = c_.preparar(forma.texto);
    if (!forma.leerAgregadas.isEmpty()) leerLote_ = c_.preparar(forma.leerAgregadas);
    lotes_ = true;
    pendientes_.reserve(kFilasPorLote);
}

void EscrituraSqlServer::agregar(int64_t indice, FilaGarantia fila) {
    if (detenida_) return;
    if (!lotes_) {
        unaFila({indice, std::move(fila)});
        return;
    }
    pendientes_.push_back({indice, std::move(fila)});
    if (static_cast<int>(pendientes_.size()) >= kFilasPorLote) mandarLote();
}

void EscrituraSqlServer::vaciar() {
    if (detenida_ || pendientes_.empty()) return;
    if (lotes_) {
        mandarLote();
        return;
    }
    // Quedaron filas de un lote que se dejó de usar: van una por una.
    auto filas = std::exchange(pendientes_, {});
    repetirFilaPorFila(filas);
}

namespace {

bool AlgunaNegativa(const std::vector<QVariant>& agregadas) {
    return std::any_of(agregadas.begin(), agregadas.end(),
                       [](const QVariant& n) { return n.toLongLong() < 0; });
}

}  // namespace

bool EscrituraSqlServer::mandarLote() {
    std::vector<Pendiente> filas = std::exchange(pendientes_, {});
    pendientes_.reserve(kFilasPorLote);
    std::vector<QVariant> valores;
    valores.reserve(2 + 4 * kFilasPorLote);
    int64_t r = -1;
    std::vector<QVariant> agregadas;
    int repetidos = 0;
    bool enGrupo = false;
    for (;;) {
        int32_t numero = 0;
        try {
            numero = transmision_.numero();
        } catch (const RegistroRechazado& rechazo) {
            return sinTransmision(filas.front().indice, rechazo);
        }
        // Dentro del grupo que todavía espera su primera fila (el número y el registro abiertos en
        // una transacción del programa).
        enGrupo = c_.enTransaccion();
        valores.clear();
        valores.push_back(numero);
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
        r = correr(*lote_, valores);
        agregadas.clear();
        if (leerLote_) {
            if (r >= 0) {
                r = c_.ejecutar(*leerLote_, {});
                agregadas = leerLote_->resultado();
            }
        } else {
            // Lo que el lote alcanzó a devolver, también si terminó con un error: el que atrapó
            // su CATCH viene con signo menos (y si deshizo la transacción del programa, el
            // servidor agrega el 266 por la cuenta de transacciones que cambió).
            agregadas = lote_->resultado();
        }
        if (r < 0 && enlaceCortado())
            return sinConfirmar(filas, enlacePerdido(static_cast<int>(filas.size())));
        if (r < 0 && Cortada(c_.Errors()))
            return perderSentencia(filas.front().indice, static_cast<int>(filas.size()), enGrupo);
        if (!AlgunaNegativa(agregadas)) break;
        // SQL Server atrapa la falla de una fila dentro del lote, lo deshace y devuelve el número
        // del error con signo menos.
        const auto nativo =
            static_cast<int32_t>(-std::find_if(agregadas.begin(), agregadas.end(), [](const QVariant& n) {
                                      return n.toLongLong() < 0;
                                  })->toLongLong());
        c_.Errors().Clear();
        c_.Errors().agregar({QStringLiteral("El servidor deshizo el lote por el error %1.").arg(nativo),
                             nativo,
                             QStringLiteral("Proveedor ODBC"),
                             {}});
        r = -1;
        // En el grupo abierto, el error pudo deshacer la transacción del programa entera.
        const bool grupoPerdido = enGrupo && transaccionesAbiertas() == 0;
        if (!DeshaceLaTransaccion(nativo) || repetidos >= kReintentosBloqueo) {
            if (grupoPerdido) olvidarGrupo();
            if (grupoPerdido || repetidos > 0) {
                return fallo(
                    filas.front().indice,
                    QStringLiteral("El servidor deshizo el lote %1 veces seguidas %2 (error %3): sus "
                                   "%4 filas no se guardaron%5.")
                        .arg(repetidos + 1)
                        .arg(PorQueSeDeshizo(nativo))
                        .arg(nativo)
                        .arg(filas.size())
                        .arg(grupoPerdido ? QStringLiteral(", ni el registro de la transmisión")
                                          : QString()));
            }
            break;
        }
        // Un bloqueo mutuo: se repite el lote; si se llevó el grupo, desde tomar el número.
        ++repetidos;
        if (grupoPerdido) olvidarGrupo();
        QThread::msleep(static_cast<unsigned long>(50 * repetidos));
    }
    if (r < 0) {
        // El lote es una transacción: no dejó nada. Si el servidor lo rechazó, o una de sus
        // filas falla, se repite fila por fila, que da el mismo resultado (y dice en qué fila
        // está la falla). Una conexión perdida o un bloqueo que no cede detienen la corrida.
        const QString d = descripcionFalla();
        if (forzado_ || reintentosHechos_ > 0) {
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
    if (enGrupo && !agregadas.empty() && !confirmarGrupo(filas)) return false;
    QSet<qlonglong> hechas;
    for (const QVariant& n : agregadas) hechas.insert(n.toLongLong());
    for (std::size_t i = 0; i < filas.size(); ++i) {
        const bool agregada = hechas.contains(static_cast<qlonglong>(i + 1));
        alResultado_({filas[i].indice, agregada ? ResultadoFila::Agregada : ResultadoFila::YaGuardada, {}});
    }
    return true;
}
