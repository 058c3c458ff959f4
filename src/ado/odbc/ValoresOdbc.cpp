#include "ado/odbc/ValoresOdbc.h"

#include <QDate>
#include <QDateTime>
#include <cstring>

#include "ado/odbc/DiagnosticosOdbc.h"
#include "platform/ErrorEjecucion.h"

namespace {

[[noreturn]] void Fallar(SQLHSTMT st, const QString& contexto, const QString& origen) {
    const auto registros = LeerDiagnosticos(SQL_HANDLE_STMT, st, origen);
    const QString detalle = TextoDeRegistros(registros);
    throw ErrorEjecucion(NumeroDeFalla(registros),
                         detalle.isEmpty() ? contexto : contexto + QStringLiteral(": ") + detalle, origen);
}

bool EsEntero(SQLSMALLINT t) {
    return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_TINYINT || t == SQL_BIGINT;
}
bool EsDecimal(SQLSMALLINT t) {
    return t == SQL_REAL || t == SQL_FLOAT || t == SQL_DOUBLE || t == SQL_DECIMAL || t == SQL_NUMERIC;
}
bool EsBinario(SQLSMALLINT t) { return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY; }
// Tipos propios de SQL Server que el controlador informa con números fuera del estándar.
constexpr SQLSMALLINT kHoraSqlServer = -154;  // time
constexpr SQLSMALLINT kXmlSqlServer = -152;
constexpr SQLSMALLINT kVarianteSqlServer = -150;

// Lee un valor largo por partes: SQLGetData devuelve 01004 mientras quedan datos.
QByteArray LeerPorPartes(SQLHSTMT st, SQLUSMALLINT n, SQLSMALLINT tipoC, const QString& origen, bool* nulo) {
    // Con SQL_C_WCHAR cada parte termina en un carácter nulo que no es dato.
    const std::size_t terminador = tipoC == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 0;
    QByteArray todo;
    char parte[8192];
    *nulo = false;
    for (;;) {
        SQLLEN indicador = 0;
        const SQLRETURN rc = SQLGetData(st, n, tipoC, parte, sizeof parte, &indicador);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) Fallar(st, QStringLiteral("No se pudo leer la columna %1").arg(n), origen);
        if (indicador == SQL_NULL_DATA) {
            *nulo = true;
            return {};
        }
        const std::size_t capacidad = sizeof parte - terminador;
        const bool quedan = indicador == SQL_NO_TOTAL || static_cast<std::size_t>(indicador) > capacidad;
        const std::size_t leidos = quedan ? capacidad : static_cast<std::size_t>(indicador);
        todo.append(parte, static_cast<qsizetype>(leidos));
        if (!quedan) break;
    }
    return todo;
}

template <typename T>
bool LeerFijo(SQLHSTMT st, SQLUSMALLINT n, SQLSMALLINT tipoC, T* valor, const QString& origen) {
    SQLLEN indicador = 0;
    const SQLRETURN rc = SQLGetData(st, n, tipoC, valor, sizeof(T), &indicador);
    if (!SQL_SUCCEEDED(rc)) Fallar(st, QStringLiteral("No se pudo leer la columna %1").arg(n), origen);
    return indicador != SQL_NULL_DATA;
}

QString LeerTexto(SQLHSTMT st, SQLUSMALLINT n, const QString& origen, bool* nulo) {
    const QByteArray b = LeerPorPartes(st, n, SQL_C_WCHAR, origen, nulo);
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
}

}  // namespace

std::vector<ColumnaOdbc> DescribirColumnas(SQLHSTMT st, const QString& origen) {
    SQLSMALLINT cuantas = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(st, &cuantas)))
        Fallar(st, QStringLiteral("No se pudieron contar las columnas"), origen);
    std::vector<ColumnaOdbc> columnas;
    for (SQLUSMALLINT i = 1; i <= cuantas; ++i) {
        SQLWCHAR nombre[512];
        SQLSMALLINT largo = 0, nulos = 0;
        ColumnaOdbc c;
        if (!SQL_SUCCEEDED(
                SQLDescribeColW(st, i, nombre, 512, &largo, &c.tipo, &c.tamano, &c.decimales, &nulos))) {
            Fallar(st, QStringLiteral("No se pudo describir la columna %1").arg(i), origen);
        }
        c.nombre = DeAncho(nombre, std::clamp<qsizetype>(largo, 0, 511));
        columnas.push_back(std::move(c));
    }
    return columnas;
}

bool SinComparacion(const ColumnaOdbc& c) {
    return EsBinario(c.tipo) || c.tipo == SQL_LONGVARCHAR || c.tipo == SQL_WLONGVARCHAR ||
           c.tipo == kXmlSqlServer || c.tipo == kVarianteSqlServer;
}

QVariant LeerValorOdbc(SQLHSTMT st, SQLUSMALLINT n, const ColumnaOdbc& c, const QString& origen) {
    const SQLSMALLINT t = c.tipo;
    const bool enteroExacto = (t == SQL_DECIMAL || t == SQL_NUMERIC) && c.decimales == 0 && c.tamano <= 18;
    if (EsEntero(t) || enteroExacto) {
        SQLBIGINT v = 0;
        return LeerFijo(st, n, SQL_C_SBIGINT, &v, origen) ? QVariant(static_cast<qlonglong>(v)) : QVariant();
    }
    if (EsDecimal(t)) {
        SQLDOUBLE v = 0;
        return LeerFijo(st, n, SQL_C_DOUBLE, &v, origen) ? QVariant(static_cast<double>(v)) : QVariant();
    }
    if (t == SQL_BIT) {
        SQLCHAR v = 0;
        return LeerFijo(st, n, SQL_C_BIT, &v, origen) ? QVariant(v != 0) : QVariant();
    }
    if (t == SQL_TYPE_DATE || t == SQL_DATE) {
        SQL_DATE_STRUCT v{};
        if (!LeerFijo(st, n, SQL_C_TYPE_DATE, &v, origen)) return {};
        return QDate(v.year, v.month, v.day);
    }
    if (t == SQL_TYPE_TIMESTAMP || t == SQL_TIMESTAMP) {
        SQL_TIMESTAMP_STRUCT v{};
        if (!LeerFijo(st, n, SQL_C_TYPE_TIMESTAMP, &v, origen)) return {};
        return QDateTime(QDate(v.year, v.month, v.day),
                         QTime(v.hour, v.minute, v.second, static_cast<int>(v.fraction / 1000000)));
    }
    bool nulo = false;
    if (EsBinario(t)) {
        QByteArray b = LeerPorPartes(st, n, SQL_C_BINARY, origen, &nulo);
        return nulo ? QVariant() : QVariant(b);
    }
    QString texto = LeerTexto(st, n, origen, &nulo);
    if (nulo) return {};
    // Una hora se muestra hh:mm:ss, sin las fracciones que trae el tipo time de SQL Server.
    if (t == SQL_TYPE_TIME || t == SQL_TIME || t == kHoraSqlServer) return texto.left(8);
    return texto;
}

namespace {
// El largo declarado de un parámetro de texto: el mayor nvarchar que no es (max).
constexpr qsizetype kCaracteresTexto = 4000;
}  // namespace

ParametroOdbc::ParametroOdbc(const QVariant& valor, const ColumnaOdbc& columna) {
    if (!valor.isValid() || valor.isNull()) {
        tipoSql_ = columna.tipo == SQL_UNKNOWN_TYPE ? SQL_WVARCHAR : columna.tipo;
        tamano_ = columna.tamano > 0 ? columna.tamano : kCaracteresTexto;
        decimales_ = columna.decimales;
        indicador_ = SQL_NULL_DATA;
        return;
    }
    auto fijo = [&](SQLSMALLINT tipoC, SQLSMALLINT tipoSql, SQLULEN tamano, SQLSMALLINT decimales,
                    const void* dato, std::size_t bytes) {
        tipoC_ = tipoC;
        tipoSql_ = tipoSql;
        tamano_ = tamano;
        decimales_ = decimales;
        datos_ = QByteArray(static_cast<const char*>(dato), static_cast<qsizetype>(bytes));
        indicador_ = static_cast<SQLLEN>(bytes);
    };
    switch (valor.typeId()) {
        case QMetaType::Bool: {
            const SQLCHAR v = valor.toBool() ? 1 : 0;
            fijo(SQL_C_BIT, SQL_BIT, 1, 0, &v, sizeof v);
            return;
        }
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong: {
            const SQLBIGINT v = valor.toLongLong();
            fijo(SQL_C_SBIGINT, SQL_BIGINT, 19, 0, &v, sizeof v);
            return;
        }
        case QMetaType::Float:
        case QMetaType::Double: {
            const SQLDOUBLE v = valor.toDouble();
            fijo(SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &v, sizeof v);
            return;
        }
        case QMetaType::QDate: {
            const QDate d = valor.toDate();
            SQL_DATE_STRUCT v{static_cast<SQLSMALLINT>(d.year()), static_cast<SQLUSMALLINT>(d.month()),
                              static_cast<SQLUSMALLINT>(d.day())};
            fijo(SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0, &v, sizeof v);
            return;
        }
        case QMetaType::QDateTime: {
            const QDateTime f = valor.toDateTime();
            SQL_TIMESTAMP_STRUCT v{static_cast<SQLSMALLINT>(f.date().year()),
                                   static_cast<SQLUSMALLINT>(f.date().month()),
                                   static_cast<SQLUSMALLINT>(f.date().day()),
                                   static_cast<SQLUSMALLINT>(f.time().hour()),
                                   static_cast<SQLUSMALLINT>(f.time().minute()),
                                   static_cast<SQLUSMALLINT>(f.time().second()),
                                   static_cast<SQLUINTEGER>(f.time().msec()) * 1000000u};
            // 23 caracteres con 3 decimales: el datetime de SQL Server.
            fijo(SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, &v, sizeof v);
            return;
        }
        case QMetaType::QByteArray: {
            const QByteArray b = valor.toByteArray();
            tipoC_ = SQL_C_BINARY;
            tipoSql_ = b.size() > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY;
            tamano_ = static_cast<SQLULEN>(std::max<qsizetype>(b.size(), 1));
            datos_ = b;
            indicador_ = static_cast<SQLLEN>(b.size());
            return;
        }
        default: {
            const QString s = valor.toString();
            tipoC_ = SQL_C_WCHAR;
            // nvarchar llega hasta 4000 caracteres; más largo, nvarchar(max). Se declara siempre
            // nvarchar(4000), no el largo del valor: la misma sentencia con otros valores tiene
            // la misma declaración, y el servidor (y el controlador) la preparan una sola vez.
            tipoSql_ = s.size() > kCaracteresTexto ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
            tamano_ = static_cast<SQLULEN>(std::max<qsizetype>(s.size(), kCaracteresTexto));
            datos_ = QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
            indicador_ = static_cast<SQLLEN>(datos_.size());
        }
    }
}

void ParametroOdbc::reservar(qsizetype bytes) {
    if (bytes <= datos_.size()) return;
    QByteArray mayor(bytes, '\0');
    std::memcpy(mayor.data(), datos_.constData(), static_cast<std::size_t>(datos_.size()));
    datos_ = mayor;
}

bool ParametroOdbc::tomarValor(const ParametroOdbc& otro) {
    if (otro.tipoC_ != tipoC_ || otro.tipoSql_ != tipoSql_ || otro.tamano_ != tamano_ ||
        otro.decimales_ != decimales_ || otro.bytes() > datos_.size())
        return false;
    if (otro.bytes() > 0)
        std::memcpy(datos_.data(), otro.datos_.constData(), static_cast<std::size_t>(otro.bytes()));
    indicador_ = otro.indicador_;
    return true;
}

SQLRETURN ParametroOdbc::ligar(SQLHSTMT st, SQLUSMALLINT n) {
    // Un búfer vacío necesita una dirección válida igual: datos_ siempre tiene su terminador.
    return SQLBindParameter(st, n, SQL_PARAM_INPUT, tipoC_, tipoSql_, tamano_, decimales_, datos_.data(),
                            static_cast<SQLLEN>(datos_.size()), &indicador_);
}
