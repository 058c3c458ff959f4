#include "data/DiarioCorridas.h"

#include <QCoreApplication>
#include <QUuid>
#include <cerrno>
#include <csignal>

#include "ado/Valores.h"
#include "data/CuentaTransmision.h"
#include "data/Dll_Datos.h"
#include "platform/Dll_Sistema.h"
#include "platform/ErrorEjecucion.h"

namespace {

const QString kFormatoFecha = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// SQL Server: el usuario no tiene el permiso que la sentencia pide sobre el objeto.
constexpr int32_t kPermisoDenegado = 229;

const QString kColumnas = QStringLiteral(
    "Corrida, Transmision, Archivo, Ruta, Tamano, Modificado, Sha256, Tabla, Clase, Leidas, Agregadas, "
    "YaGuardadas, SinSerie, Fallidas, Inicio, Fin, Resultado, Estacion, Usuario, Proceso, Anulada, "
    "AnuladaPor");

qint64 Entero(const QVariant& v) { return static_cast<qint64>(NumeroValor(v)); }

// Si el proceso de esta estación sigue vivo (kill con la señal 0 sólo pregunta).
bool ProcesoVivo(qint64 pid) {
    if (pid <= 0) return false;
    if (pid == QCoreApplication::applicationPid()) return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// La falta del diario se dice una vez por proceso, no una por corrida.
bool& FaltaDicha() {
    static bool dicha = false;
    return dicha;
}

}  // namespace

void DiarioCorridas::OlvidarAvisos() { FaltaDicha() = false; }

DiarioCorridas::DiarioCorridas(Dll_Datos& datos, std::function<QDateTime()> reloj,
                               std::function<void(const QString&)> aviso)
    : datos_(datos), reloj_(std::move(reloj)), aviso_(std::move(aviso)) {}

QString DiarioCorridas::TextoFecha(const QDateTime& fecha) {
    return fecha.isValid() ? fecha.toString(kFormatoFecha) : QString();
}

QDateTime DiarioCorridas::FechaDeTexto(const QString& texto) {
    return QDateTime::fromString(texto, kFormatoFecha);
}

QString DiarioCorridas::texto(const QString& valor) const {
    return valor.isNull() ? QStringLiteral("NULL") : datos_.FormatearValor(valor, QStringLiteral("'"));
}

bool DiarioCorridas::disponible() {
    if (disponible_) return *disponible_;
    // Una consulta que no trae filas: sólo falla si la tabla no está.
    try {
        RecordsetPtr rs;
        datos_.AbrirRecordset(QStringLiteral("SELECT Corrida FROM GARANTIAS_CORRIDAS WHERE 1=0"), rs, nullptr,
                              0, 1, -1, true);
        datos_.CerrarRecordset(rs);
        disponible_ = true;
    } catch (const ErrorEjecucion& e) {
        disponible_ = false;
        if (!FaltaDicha() && aviso_) {
            FaltaDicha() = true;
            // Sin permiso para leerla (229) la tabla está: lo que falta es el permiso, no la tabla.
            const bool sinPermiso = e.numero() == kPermisoDenegado;
            QString causa = e.descripcion().trimmed();
            if (causa.endsWith(u'.')) causa.chop(1);
            aviso_(
                QStringLiteral("%1: se importa igual, sin aviso de archivo repetido y sin poder anular (%2).")
                    .arg(sinPermiso ? QStringLiteral("El usuario de la base no tiene permiso para leer el "
                                                     "diario de importaciones (GARANTIAS_CORRIDAS)")
                                    : QStringLiteral("La base no tiene el diario de importaciones "
                                                     "(GARANTIAS_CORRIDAS)"),
                         causa));
        }
    }
    return *disponible_;
}

bool DiarioCorridas::escribir(const QString& sentencia) {
    Conexion& c = datos_.conexion();
    QString falla;
    try {
        datos_.EjecutarSQL(sentencia);
        if (c.Errors().Count() > 0) falla = c.Errors().Item(0).descripcion;
    } catch (const ErrorEjecucion& e) {
        falla = e.descripcion();
    }
    if (falla.isEmpty()) return true;
    if (!fallaAnotada_ && aviso_) {
        fallaAnotada_ = true;
        aviso_(QStringLiteral("No se pudo escribir en el diario de importaciones (la importación sigue): %1")
                   .arg(falla));
    }
    return false;
}

bool DiarioCorridas::empezar(CorridaDiario& corrida) {
    corrida.id.clear();
    if (!disponible()) return false;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    corrida.inicio = reloj_();
    corrida.estacion = Dll_Sistema().NombreEquipo();
    corrida.proceso = QCoreApplication::applicationPid();
    corrida.resultado = ResultadoCorrida::kEnCurso;
    const QString sentencia =
        QStringLiteral(
            "INSERT INTO GARANTIAS_CORRIDAS (Corrida, Archivo, Ruta, Tamano, Modificado, Sha256, Tabla, "
            "Clase, Inicio, Resultado, Estacion, Usuario, Proceso) VALUES (") +
        texto(id) + ',' + texto(corrida.archivo) + ',' + texto(corrida.ruta) + ',' +
        (corrida.tamano < 0 ? QStringLiteral("NULL") : QString::number(corrida.tamano)) + ',' +
        texto(TextoFecha(corrida.modificado)) + ',' +
        texto(corrida.sha256.isEmpty() ? QString() : corrida.sha256) + ',' + texto(corrida.tabla) + ',' +
        texto(corrida.clase) + ',' + texto(TextoFecha(corrida.inicio)) + ',' + texto(corrida.resultado) +
        ',' + texto(corrida.estacion) + ',' + texto(corrida.usuario) + ',' +
        QString::number(corrida.proceso) + ')';
    if (datos_.conexion().enTransaccion() || !escribir(sentencia)) return false;
    corrida.id = id;
    return true;
}

QString DiarioCorridas::cuentas(const CorridaDiario& c) const {
    return QStringLiteral("Transmision=%1, Leidas=%2, Agregadas=%3, YaGuardadas=%4, SinSerie=%5, Fallidas=%6")
        .arg(c.transmision > 0 ? QString::number(c.transmision) : QStringLiteral("NULL"))
        .arg(c.leidas)
        .arg(c.agregadas)
        .arg(c.yaGuardadas)
        .arg(c.sinSerie)
        .arg(c.fallidas);
}

void DiarioCorridas::actualizar(const CorridaDiario& corrida) {
    if (corrida.id.isEmpty()) return;
    const QString sentencia = QStringLiteral("UPDATE GARANTIAS_CORRIDAS SET ") + cuentas(corrida) +
                              QStringLiteral(" WHERE Corrida=") + texto(corrida.id);
    // Dentro de la transacción de las filas no: quedaría atada a ella. La próxima lleva las cuentas.
    if (!datos_.conexion().enTransaccion()) escribir(sentencia);
}

void DiarioCorridas::terminar(CorridaDiario& corrida, const QString& resultado) {
    if (corrida.id.isEmpty()) return;
    corrida.fin = reloj_();
    corrida.resultado = resultado;
    if (datos_.conexion().enTransaccion()) return;  // queda "en curso": el próximo inicio la marca
    escribir(QStringLiteral("UPDATE GARANTIAS_CORRIDAS SET ") + cuentas(corrida) + QStringLiteral(", Fin=") +
             texto(TextoFecha(corrida.fin)) + QStringLiteral(", Resultado=") + texto(resultado) +
             QStringLiteral(" WHERE Corrida=") + texto(corrida.id));
}

int DiarioCorridas::marcarInterrumpidas() {
    if (!disponible()) return 0;
    std::vector<CorridaDiario> enCurso;
    try {
        enCurso = leer(QStringLiteral("Resultado=") + texto(ResultadoCorrida::kEnCurso) +
                       QStringLiteral(" AND Estacion=") + texto(Dll_Sistema().NombreEquipo()));
    } catch (const ErrorEjecucion& e) {
        if (aviso_)
            aviso_(QStringLiteral("No se pudo leer el diario de importaciones: %1").arg(e.descripcion()));
        return 0;
    }
    int marcadas = 0;
    for (const CorridaDiario& c : enCurso) {
        if (ProcesoVivo(c.proceso)) continue;
        // Las filas que quedaron son las que la base tiene bajo su transmisión: el proceso pudo
        // morir después de confirmar una sentencia y antes de anotarla.
        QString agregadas;
        if (c.transmision > 0) {
            try {
                agregadas = QStringLiteral(", Agregadas=%1").arg(FilasDeTransmision(datos_, c.transmision));
            } catch (const ErrorEjecucion&) {
            }
        }
        // Sólo si sigue "en curso": otro inicio pudo marcarla en el mismo momento.
        if (escribir(QStringLiteral("UPDATE GARANTIAS_CORRIDAS SET Resultado=") +
                     texto(ResultadoCorrida::kInterrumpida) + agregadas + QStringLiteral(" WHERE Corrida=") +
                     texto(c.id) + QStringLiteral(" AND Resultado=") + texto(ResultadoCorrida::kEnCurso)))
            ++marcadas;
    }
    return marcadas;
}

std::vector<CorridaDiario> DiarioCorridas::leer(const QString& donde) {
    std::vector<CorridaDiario> corridas;
    RecordsetPtr rs;
    datos_.AbrirRecordset(QStringLiteral("SELECT ") + kColumnas + QStringLiteral(" FROM GARANTIAS_CORRIDAS") +
                              (donde.isEmpty() ? QString() : QStringLiteral(" WHERE ") + donde) +
                              QStringLiteral(" ORDER BY Inicio, Corrida"),
                          rs, nullptr, 0, 1, -1, true);
    for (; !rs->EOF_(); rs->MoveNext()) {
        CorridaDiario c;
        int i = 0;
        c.id = TextoValor(rs->Field(i++));
        c.transmision = static_cast<int32_t>(Entero(rs->Field(i++)));
        c.archivo = TextoValor(rs->Field(i++));
        c.ruta = TextoValor(rs->Field(i++));
        const QVariant& tamano = rs->Field(i++);
        c.tamano = tamano.isNull() ? -1 : Entero(tamano);
        c.modificado = FechaDeTexto(TextoValor(rs->Field(i++)));
        c.sha256 = TextoValor(rs->Field(i++));
        c.tabla = TextoValor(rs->Field(i++));
        c.clase = TextoValor(rs->Field(i++));
        c.leidas = Entero(rs->Field(i++));
        c.agregadas = Entero(rs->Field(i++));
        c.yaGuardadas = Entero(rs->Field(i++));
        c.sinSerie = Entero(rs->Field(i++));
        c.fallidas = Entero(rs->Field(i++));
        c.inicio = FechaDeTexto(TextoValor(rs->Field(i++)));
        c.fin = FechaDeTexto(TextoValor(rs->Field(i++)));
        c.resultado = TextoValor(rs->Field(i++));
        c.estacion = TextoValor(rs->Field(i++));
        c.usuario = TextoValor(rs->Field(i++));
        c.proceso = Entero(rs->Field(i++));
        c.anulada = FechaDeTexto(TextoValor(rs->Field(i++)));
        c.anuladaPor = TextoValor(rs->Field(i++));
        corridas.push_back(std::move(c));
    }
    datos_.CerrarRecordset(rs);
    return corridas;
}

std::optional<CorridaDiario> DiarioCorridas::repetida(const CorridaDiario& archivo) {
    if (!disponible()) return std::nullopt;
    QString mismo;
    if (!archivo.sha256.isEmpty()) {
        mismo = QStringLiteral("Sha256=") + texto(archivo.sha256);
    } else {
        mismo = QStringLiteral("Archivo=") + texto(archivo.archivo) + QStringLiteral(" AND Tamano=") +
                QString::number(archivo.tamano) + QStringLiteral(" AND Modificado=") +
                texto(TextoFecha(archivo.modificado));
    }
    // Las filas de una transmisión anulada ya no están: sus bytes se pueden importar de nuevo.
    const auto corridas = leer(mismo + QStringLiteral(" AND Agregadas > 0 AND Anulada IS NULL"));
    if (corridas.empty()) return std::nullopt;
    return corridas.back();
}

std::vector<CorridaDiario> DiarioCorridas::historial(const FiltroHistorial& filtro) {
    if (!disponible()) return {};
    QStringList condiciones;
    if (filtro.desde.isValid())
        condiciones << QStringLiteral("Inicio >= ") +
                           texto(filtro.desde.toString(QStringLiteral("yyyy-MM-dd")));
    QStringList archivo;
    if (!filtro.sha256.isEmpty()) archivo << QStringLiteral("Sha256=") + texto(filtro.sha256);
    if (!filtro.ruta.isEmpty()) archivo << QStringLiteral("Ruta=") + texto(filtro.ruta);
    if (filtro.sha256.isEmpty() && !filtro.archivo.isEmpty())
        archivo << QStringLiteral("Archivo=") + texto(filtro.archivo);
    if (!archivo.isEmpty()) condiciones << '(' + archivo.join(QStringLiteral(" OR ")) + ')';
    return leer(condiciones.join(QStringLiteral(" AND ")));
}

std::optional<CorridaDiario> DiarioCorridas::deTransmision(int32_t numero) {
    if (!disponible()) return std::nullopt;
    const auto corridas = leer(QStringLiteral("Transmision=") + QString::number(numero));
    if (corridas.empty()) return std::nullopt;
    return corridas.back();
}

QString DiarioCorridas::sentenciaAnular(int32_t numero, const QDateTime& cuando,
                                        const QString& usuario) const {
    return QStringLiteral("UPDATE GARANTIAS_CORRIDAS SET Anulada=") + texto(TextoFecha(cuando)) +
           QStringLiteral(", AnuladaPor=") + texto(usuario) + QStringLiteral(" WHERE Transmision=") +
           QString::number(numero);
}
