#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cerrno>
#include <cstring>

#include "ado/sqlite/ProveedorSqlite.h"
#include "platform/ArchivoPropio.h"

namespace {

void FuncionGetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    const QByteArray t =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toUtf8();
    sqlite3_result_text(ctx, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
}

// Largo sin los blancos finales, como compara SQL Server.
int SinBlancosFinales(const char* s, int n) {
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

int ColacionEspanolCi(void*, int n1, const void* v1, int n2, const void* v2) {
    const auto* a = static_cast<const unsigned char*>(v1);
    const auto* b = static_cast<const unsigned char*>(v2);
    n1 = SinBlancosFinales(reinterpret_cast<const char*>(a), n1);
    n2 = SinBlancosFinales(reinterpret_cast<const char*>(b), n2);
    // Camino rápido: mientras ambos sean ASCII se compara byte a byte sin mayúsculas.
    const int m = n1 < n2 ? n1 : n2;
    int i = 0;
    for (; i < m; ++i) {
        unsigned char x = a[i], y = b[i];
        if ((x | y) & 0x80) break;
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return x < y ? -1 : 1;
    }
    if (i == m) return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
    const QString qa = QString::fromUtf8(reinterpret_cast<const char*>(a + i), n1 - i).toCaseFolded();
    const QString qb = QString::fromUtf8(reinterpret_cast<const char*>(b + i), n2 - i).toCaseFolded();
    const int c = qa.compare(qb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// dd/mm/yyyy (o dd/mm/yy) -> yyyymmdd para comparar; -1 si no es una fecha así.
long long ClaveFecha(const unsigned char* s, int n) {
    int partes[3] = {0, 0, 0};
    int digitos[3] = {0, 0, 0};
    int p = 0;
    int i = 0;
    for (; i < n && p < 3; ++i) {
        const unsigned char c = s[i];
        if (c >= '0' && c <= '9') {
            partes[p] = partes[p] * 10 + (c - '0');
            ++digitos[p];
        } else if ((c == '/' || c == '-' || c == '.') && p < 2 && digitos[p] > 0) {
            ++p;
        } else {
            break;
        }
    }
    if (p != 2 || digitos[2] == 0 || digitos[0] > 2 || digitos[1] > 2 || digitos[2] > 4) return -1;
    int anio = partes[2];
    if (digitos[2] <= 2) anio += anio < 30 ? 2000 : 1900;
    return static_cast<long long>(anio) * 10000 + partes[1] * 100 + partes[0];
}

int ColacionFechaDmy(void*, int n1, const void* v1, int n2, const void* v2) {
    const auto* a = static_cast<const unsigned char*>(v1);
    const auto* b = static_cast<const unsigned char*>(v2);
    const long long ka = ClaveFecha(a, n1), kb = ClaveFecha(b, n2);
    if (ka >= 0 && kb >= 0 && ka != kb) return ka < kb ? -1 : 1;
    if ((ka >= 0) != (kb >= 0)) return ka < 0 ? -1 : 1;  // lo que no es fecha va antes
    const int c = std::memcmp(a, b, static_cast<std::size_t>(n1 < n2 ? n1 : n2));
    if (c != 0) return c < 0 ? -1 : 1;
    return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
}

// Los textos de la base de la suite: dos fechas dd/mm/yyyy distintas, en orden cronológico (lo
// que no es fecha va antes); el resto, como ESPANOL_CI. Dos textos son iguales sólo si lo son
// para ESPANOL_CI, así que el orden por fecha no cambia ninguna comparación por igualdad.
int ColacionSuite(void* p, int n1, const void* v1, int n2, const void* v2) {
    const long long ka = ClaveFecha(static_cast<const unsigned char*>(v1), n1);
    const long long kb = ClaveFecha(static_cast<const unsigned char*>(v2), n2);
    if ((ka >= 0) != (kb >= 0)) return ka < 0 ? -1 : 1;
    if (ka >= 0 && ka != kb) return ka < kb ? -1 : 1;
    return ColacionEspanolCi(p, n1, v1, n2, v2);
}

// clave_serie(x): la clave de una serie, la misma que calcula la columna serie_clave de
// AUX_GARANTIA con funciones propias de SQLite (sql/esquema_suite.sql): sin los blancos finales,
// las mayúsculas acentuadas de la lista y las A-Z pasadas a minúsculas.
void FuncionClaveSerie(sqlite3_context* ctx, int, sqlite3_value** v) {
    if (sqlite3_value_type(v[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray clave =
        ClaveSerie(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v[0])))).toUtf8();
    sqlite3_result_text(ctx, clave.constData(), static_cast<int>(clave.size()), SQLITE_TRANSIENT);
}

}  // namespace

char16_t LetraDeClaveSerie(char16_t u) {
    static const QString acentuadas =
        QStringLiteral("ÁÉÍÓÚÜÑÀÈÌÒÙÂÊÎÔÛÃÕÇÄËÏÖÅ");  // cada una a 32 de su minúscula
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && acentuadas.contains(QChar(u))))
        return static_cast<char16_t>(u + 32);
    return u;
}

QString ClaveSerie(const QString& serie) {
    qsizetype n = serie.size();
    while (n > 0 && serie[n - 1] == ' ') --n;
    QString clave = serie.left(n);
    for (QChar& c : clave) c = QChar(LetraDeClaveSerie(c.unicode()));
    return clave;
}

void RegistrarExtensiones(sqlite3* db, bool suite) {
    sqlite3_create_function_v2(db, "getdate", 0, SQLITE_UTF8, nullptr, FuncionGetDate, nullptr, nullptr,
                               nullptr);
    sqlite3_create_function_v2(db, "clave_serie", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               FuncionClaveSerie, nullptr, nullptr, nullptr);
    sqlite3_create_collation_v2(db, "ESPANOL_CI", SQLITE_UTF8, nullptr, ColacionEspanolCi, nullptr);
    sqlite3_create_collation_v2(db, "FECHA_DMY", SQLITE_UTF8, nullptr, ColacionFechaDmy, nullptr);
    // En la base de la suite, NOCASE es la regla del programa (ver sql/esquema_suite.sql): ningún
    // índice la usa, así otra herramienta, con la NOCASE de SQLite, lee la misma base sin daño.
    if (suite) sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, ColacionSuite, nullptr);
}

// "sin permiso de escritura", y por qué cuando es el sistema de archivos el que no deja.
static QString SinPermiso(const char* archivo) {
    if (archivo && *archivo && ArchivoPropio::SoloLectura(QString::fromUtf8(archivo)))
        return QStringLiteral("sin permiso de escritura: el sistema de archivos es de sólo lectura");
    return QStringLiteral("sin permiso de escritura");
}

// Una escritura que falló sin decir por qué: si no queda lugar (en el disco, o el archivo llegó al
// tamaño máximo que el sistema le deja al proceso), la causa es ésa.
static bool SinLugar(const char* archivo) {
    if (!archivo || !*archivo) return false;
    struct stat st {};
    struct rlimit limite {};
    if (::stat(archivo, &st) == 0 && ::getrlimit(RLIMIT_FSIZE, &limite) == 0 &&
        limite.rlim_cur != RLIM_INFINITY && static_cast<rlim_t>(st.st_size) + (1 << 20) >= limite.rlim_cur) {
        return true;
    }
    const QByteArray carpeta = QFile::encodeName(QFileInfo(QString::fromUtf8(archivo)).absolutePath());
    struct statvfs fs {};
    return ::statvfs(carpeta.constData(), &fs) == 0 &&
           static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize < (4ull << 20);
}

ErrorAdo ErrorDeSqlite(sqlite3* db, int codigo, const QString& sentencia) {
    const int extendido = db ? sqlite3_extended_errcode(db) : codigo;
    const QString motor =
        db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(codigo));
    const char* nombreArchivo = db ? sqlite3_db_filename(db, "main") : nullptr;
    const QString archivo = nombreArchivo && *nombreArchivo
                                ? QStringLiteral("la base %1").arg(QString::fromUtf8(nombreArchivo))
                                : QStringLiteral("la base");
    ErrorAdo e;
    e.origen = QStringLiteral("SQLite");
    const int primario = extendido & 0xFF;
    switch (extendido) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            e.nativo = 2627;
            e.descripcion = QStringLiteral(
                                "Infracción de la restricción de clave única: no se puede insertar una clave "
                                "duplicada (%1).")
                                .arg(motor);
            return e;
        case SQLITE_CONSTRAINT_FOREIGNKEY:
        case SQLITE_CONSTRAINT_CHECK:
            e.nativo = 547;
            e.descripcion =
                QStringLiteral("La instrucción entró en conflicto con una restricción (%1).").arg(motor);
            return e;
        case SQLITE_CONSTRAINT_NOTNULL:
            e.nativo = 515;
            e.descripcion =
                QStringLiteral("No se puede insertar el valor NULL en la columna (%1).").arg(motor);
            return e;
        default:
            break;
    }
    switch (primario) {
        case SQLITE_ERROR:
            if (motor.startsWith(QLatin1String("no such table"))) {
                e.nativo = 208;
                e.descripcion = QStringLiteral("El nombre de objeto no es válido: %1.")
                                    .arg(motor.mid(motor.indexOf(':') + 1).trimmed());
            } else if (motor.startsWith(QLatin1String("no such column")) ||
                       motor.contains(QLatin1String("has no column named"))) {
                e.nativo = 207;
                e.descripcion = QStringLiteral("El nombre de columna no es válido (%1).").arg(motor);
            } else if (motor.contains(QLatin1String("syntax error")) ||
                       motor.contains(QLatin1String("incomplete input"))) {
                e.nativo = 102;
                e.descripcion = QStringLiteral("Sintaxis incorrecta en la instrucción (%1).").arg(motor);
            } else {
                e.nativo = 50000;
                e.descripcion = QStringLiteral("La base rechazó la instrucción (%1).").arg(motor);
            }
            break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            e.nativo = 1222;
            e.descripcion =
                QStringLiteral(
                    "Se superó el tiempo de espera en %1: la base está en uso por otra estación (%2).")
                    .arg(archivo, motor);
            break;
        case SQLITE_READONLY:
        case SQLITE_PERM:
            e.nativo = 3906;
            e.descripcion = QStringLiteral("No se puede escribir en %1: %2 (%3).")
                                .arg(archivo, SinPermiso(nombreArchivo), motor);
            break;
        case SQLITE_FULL:
            e.nativo = 1105;
            e.descripcion =
                QStringLiteral("No hay lugar para escribir %1: disco lleno (%2).").arg(archivo, motor);
            break;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            e.nativo = 824;
            e.descripcion =
                QStringLiteral("No se puede usar %1: la base está dañada o no es una base de datos (%2).")
                    .arg(archivo, motor);
            break;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN: {
            // El error del sistema dice la causa de fondo.
            const int sistema = db ? sqlite3_system_errno(db) : 0;
            const bool escritura = extendido == SQLITE_IOERR_WRITE || extendido == SQLITE_IOERR_TRUNCATE ||
                                   extendido == SQLITE_IOERR_FSYNC;
            if (sistema == ENOSPC || sistema == EDQUOT || sistema == EFBIG ||
                (escritura && sistema == 0 && SinLugar(nombreArchivo))) {
                e.nativo = 1105;
                e.descripcion =
                    QStringLiteral("No hay lugar para escribir %1: disco lleno (%2).").arg(archivo, motor);
            } else if (sistema == EACCES || sistema == EPERM || sistema == EROFS ||
                       ArchivoPropio::SoloLectura(QString::fromUtf8(nombreArchivo ? nombreArchivo : ""))) {
                // En un sistema de archivos de sólo lectura SQLite no crea el -shm del WAL, y lo dice
                // como un error de lectura: también una lectura (transmisiones) lo nombra.
                e.nativo = 3906;
                e.descripcion = QStringLiteral("No se puede escribir en %1: %2 (%3).")
                                    .arg(archivo, SinPermiso(nombreArchivo), motor);
            } else {
                e.nativo = 823;
                e.descripcion =
                    QStringLiteral("Error de lectura o escritura en %1 (%2).").arg(archivo, motor);
            }
            break;
        }
        case SQLITE_TOOBIG:
            e.nativo = 8152;
            e.descripcion = QStringLiteral("El valor es demasiado largo (%1).").arg(motor);
            break;
        case SQLITE_CONSTRAINT:
            e.nativo = 547;
            e.descripcion =
                QStringLiteral("La instrucción entró en conflicto con una restricción (%1).").arg(motor);
            break;
        default:
            e.nativo = primario != 0 ? primario : 50000;
            e.descripcion = QStringLiteral("Error de la base (%1).").arg(motor);
    }
    Q_UNUSED(sentencia);
    return e;
}

int LigarListo(sqlite3_stmt* st, int indice, const SentenciaPreparada::ValorListo& v) {
    if (v.esEntero) return sqlite3_bind_int64(st, indice, v.entero);
    return sqlite3_bind_text(st, indice, v.texto.data() ? v.texto.data() : "",
                             static_cast<int>(v.texto.size()), SQLITE_STATIC);
}
