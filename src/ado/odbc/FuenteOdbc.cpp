#include "ado/odbc/FuenteOdbc.h"

#include <QRegularExpression>
#include <QStringList>

#include "ado/odbc/DiagnosticosOdbc.h"

namespace {
QString Identificador(const QString& nombre) {
    return '[' + QString(nombre).replace(']', QLatin1String("]]")) + ']';
}
}  // namespace

QString TablaActualizable(const QString& sql) {
    static const QRegularExpression patron(
        QStringLiteral(
            R"re(\bFROM\s+((?:\[[^\]]+\]|"[^"]+"|[A-Za-z_#@][\w$#@]*)(?:\s*\.\s*(?:\[[^\]]+\]|"[^"]+"|[A-Za-z_#@][\w$#@]*))*))re"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = patron.match(sql);
    return m.hasMatch() ? m.captured(1) : QString();
}

FuenteOdbc::FuenteOdbc(std::shared_ptr<EnlaceOdbc> enlace, SQLHSTMT st, QString tabla)
    : enlace_(std::move(enlace)), st_(st), tabla_(std::move(tabla)) {
    try {
        columnas_ = DescribirColumnas(st_, enlace_->origen());
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_STMT, st_);
        throw;
    }
    enlace_->registrar(this);
}

FuenteOdbc::~FuenteOdbc() { soltarSentencia(); }

void FuenteOdbc::soltarSentencia(bool leerFin) {
    if (!st_) return;
    // Un resultado cerrado antes de su fin le cuesta al controlador una atención, otra ida y
    // vuelta para cancelarlo. Si no le quedan filas (la lectura de una fila, cerrada después de
    // leerla), se lee hasta el hecho que lo termina, que ya llegó con él.
    if (leerFin && SQLFetch(st_) == SQL_NO_DATA) SQLMoreResults(st_);
    SQLCloseCursor(st_);
    SQLFreeHandle(SQL_HANDLE_STMT, st_);
    st_ = SQL_NULL_HSTMT;
    enlace_->retirar(this);
}

bool FuenteOdbc::leerDeLaSentencia(std::vector<QVariant>& fila) {
    if (!st_) return false;
    const SQLRETURN rc = SQLFetch(st_);
    if (rc == SQL_NO_DATA) {
        SQLMoreResults(st_);
        soltarSentencia(false);  // terminado: la conexión queda libre para otras sentencias
        return false;
    }
    if (!SQL_SUCCEEDED(rc)) {
        const auto registros = enlace_->diagnosticos(SQL_HANDLE_STMT, st_);
        soltarSentencia(false);
        const QString detalle = TextoDeRegistros(registros);
        throw ErrorEjecucion(
            NumeroDeFalla(registros),
            detalle.isEmpty() ? QStringLiteral("No se pudo leer la fila siguiente.") : detalle,
            enlace_->origen());
    }
    fila.resize(columnas_.size());
    try {
        for (std::size_t i = 0; i < columnas_.size(); ++i) {
            fila[i] = LeerValorOdbc(st_, static_cast<SQLUSMALLINT>(i + 1), columnas_[i], enlace_->origen());
        }
    } catch (...) {
        soltarSentencia(false);
        throw;
    }
    return true;
}

bool FuenteOdbc::siguiente(std::vector<QVariant>& fila) {
    bool hay = false;
    if (!retenidas_.empty()) {
        fila = std::move(retenidas_.front());
        retenidas_.pop_front();
        hay = true;
    } else if (fallaRetenida_) {
        const ErrorEjecucion e = *fallaRetenida_;
        fallaRetenida_.reset();
        throw e;
    } else {
        hay = leerDeLaSentencia(fila);
    }
    hayActual_ = hay;
    if (hay && actualizable()) actual_ = fila;
    return hay;
}

void FuenteOdbc::retener() {
    try {
        std::vector<QVariant> fila;
        while (leerDeLaSentencia(fila)) retenidas_.push_back(std::move(fila));
    } catch (const ErrorEjecucion& e) {
        fallaRetenida_ = e;  // se lanza cuando el programa llegue a esa fila
    }
}

int FuenteOdbc::indiceDe(const QString& nombre) const {
    for (std::size_t i = 0; i < columnas_.size(); ++i) {
        if (columnas_[i].nombre.compare(nombre, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    }
    return -1;
}

void FuenteOdbc::guardar(const std::vector<std::pair<QString, QVariant>>& cambios, bool nueva) {
    if (!actualizable()) FuenteFilas::guardar(cambios, nueva);
    if (!nueva && !hayActual_) {
        throw ErrorEjecucion(3021, QStringLiteral("No hay fila actual para cambiar."), enlace_->origen());
    }
    // Los parámetros con la columna que describe su tipo (los nulos lo toman de ella).
    std::vector<ParametroOdbc> parametros;
    parametros.reserve(cambios.size() + columnas_.size());
    QStringList nombres, marcas, criterios;
    for (const auto& [nombre, valor] : cambios) {
        const int i = indiceDe(nombre);
        const ColumnaOdbc columna = i >= 0 ? columnas_[static_cast<std::size_t>(i)] : ColumnaOdbc{};
        parametros.emplace_back(valor, columna);
        nombres << Identificador(i >= 0 ? columna.nombre : nombre);
        marcas << QStringLiteral("?");
    }
    QString sql;
    if (nueva) {
        sql = nombres.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(tabla_)
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(tabla_, nombres.join(','), marcas.join(','));
    } else {
        QStringList asignaciones;
        for (const QString& n : nombres) asignaciones << n + QStringLiteral("=?");
        // La fila se ubica por todos sus valores originales, como un cursor de cliente de ADO;
        // los textos y binarios largos no se pueden comparar y quedan fuera.
        for (std::size_t i = 0; i < columnas_.size(); ++i) {
            if (SinComparacion(columnas_[i])) continue;
            const QVariant& original = actual_[i];
            if (!original.isValid() || original.isNull()) {
                criterios << Identificador(columnas_[i].nombre) + QStringLiteral(" IS NULL");
            } else {
                criterios << Identificador(columnas_[i].nombre) + QStringLiteral("=?");
                parametros.emplace_back(original, columnas_[i]);
            }
        }
        if (criterios.isEmpty()) {
            throw ErrorEjecucion(
                3251,
                QStringLiteral(
                    "No se puede ubicar la fila de %1 para cambiarla: ninguna columna se puede comparar.")
                    .arg(tabla_),
                enlace_->origen());
        }
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                  .arg(tabla_, asignaciones.join(','), criterios.join(QStringLiteral(" AND ")));
    }

    SQLHSTMT st = enlace_->nuevaSentencia();  // retiene antes las filas que quedan por leer
    struct Liberar {
        SQLHSTMT st;
        ~Liberar() { SQLFreeHandle(SQL_HANDLE_STMT, st); }
    } liberar{st};
    for (std::size_t k = 0; k < parametros.size(); ++k) {
        if (!SQL_SUCCEEDED(parametros[k].ligar(st, static_cast<SQLUSMALLINT>(k + 1)))) {
            enlace_->fallar(SQL_HANDLE_STMT, st,
                            QStringLiteral("No se pudo pasar el valor %1 a la sentencia").arg(k + 1));
        }
    }
    QString texto = sql;
    const SQLRETURN rc = SQLExecDirectW(st, Ancho(texto), static_cast<SQLINTEGER>(texto.size()));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) enlace_->fallar(SQL_HANDLE_STMT, st, QString());
    if (!nueva) {
        // ODBC 3 contesta SQL_NO_DATA a un UPDATE que no alcanzó ninguna fila.
        SQLLEN filas = -1;
        if (rc == SQL_NO_DATA || (SQL_SUCCEEDED(SQLRowCount(st, &filas)) && filas == 0)) {
            // El número de ADO para "no se encontró la fila para actualizar".
            throw ErrorEjecucion(
                -2147217864,
                QStringLiteral(
                    "No se encontró la fila de %1 para cambiarla: otro usuario la cambió o la borró.")
                    .arg(tabla_),
                enlace_->origen());
        }
        for (const auto& [nombre, valor] : cambios) {
            const int i = indiceDe(nombre);
            if (i >= 0) actual_[static_cast<std::size_t>(i)] = valor;
        }
    }
}
