#include "data/AlmacenEmbebido.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "ado/Conexion.h"
#include "ado/Proveedores.h"
#include "ado/sqlite/ProveedorSqlite.h"
#include "platform/ArchivoPropio.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Privado.h"

namespace AlmacenEmbebido {
namespace {

const char* const kEsquemaSuite =
#include "esquema_suite.inc"
    ;
const char* const kEsquemaEstadisticas =
#include "esquema_estadisticas.inc"
    ;

const QString kOrigen = QStringLiteral("Base embebida");
const QString kNuevo = QStringLiteral(".nuevo-");

ErrorEjecucion Falla(const QString& descripcion, int numero = Errores::ProveedorFallo) {
    return ErrorEjecucion(numero, descripcion, kOrigen);
}

// La causa de una falla del sistema como la lee el operador.
QString Causa(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return QStringLiteral("disco lleno");
        case EACCES:
        case EPERM:
        case EROFS:
            return ArchivoPropio::Causa(error);
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

bool EsEstadisticas(const QString& nombre) { return nombre.compare(kEstadisticas, Qt::CaseInsensitive) == 0; }

std::function<void(const QString&, const QString&)>& AvisoCreacion() {
    static std::function<void(const QString&, const QString&)> aviso = [](const QString& nombre,
                                                                          const QString& archivo) {
        const QString programa =
            QCoreApplication::instance() ? QCoreApplication::applicationName() : QStringLiteral("garantias");
        const QByteArray texto = QStringLiteral("%1: se creó la base \"%2\" en %3 (no existía).\n")
                                     .arg(programa, nombre, archivo)
                                     .toUtf8();
        std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stderr);
        std::fflush(stderr);
    };
    return aviso;
}

// Una conexión propia con el archivo, para mirarlo antes de que lo abra el programa.
class Crudo {
  public:
    ~Crudo() { sqlite3_close_v2(db); }
    sqlite3* db = nullptr;
};

// Corre una sentencia; en falla, la descripción del motor con su causa.
bool Correr(sqlite3* db, const char* sql, QString& falla) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return true;
    falla = ErrorDeSqlite(db, rc).descripcion;
    return false;
}

// Las sentencias completas del esquema que elige el filtro, en su orden.
QList<QByteArray> Sentencias(const char* esquema, const std::function<bool(const QByteArray&)>& elegir) {
    QList<QByteArray> sentencias;
    QByteArray actual;
    for (const QByteArray& linea : QByteArray(esquema).split('\n')) {
        if (actual.isEmpty() && linea.trimmed().startsWith("--")) continue;
        actual += linea + '\n';
        if (!sqlite3_complete(actual.constData())) continue;
        if (elegir(actual)) sentencias << actual;
        actual.clear();
    }
    return sentencias;
}

// Las sentencias del esquema que crean un índice sólo si falta: las que una base anterior no tiene.
QList<QByteArray> IndicesNuevos(const char* esquema) {
    return Sentencias(esquema,
                      [](const QByteArray& s) { return s.trimmed().contains("INDEX IF NOT EXISTS"); });
}

// Las sentencias del esquema que nombran la tabla: su CREATE y sus índices.
QList<QByteArray> SentenciasDeTabla(const char* esquema, const QByteArray& tabla) {
    const QByteArray nombre = ' ' + tabla + ' ';
    return Sentencias(esquema, [&](const QByteArray& s) { return s.contains(nombre); });
}

// Las tablas propias del programa que una base hecha antes no tiene se agregan, cada una en su
// transacción. Si no se puede (base de sólo lectura, disco lleno), la base se sigue usando igual
// y el programa hace sin ellas lo que puede.
void AgregarTablasNuevas(sqlite3* db, const QString& archivo, const QStringList& tablas) {
    for (const char* const tabla : {"GARANTIAS_CORRIDAS"}) {
        if (tablas.contains(QString::fromLatin1(tabla))) continue;
        QString falla;
        bool bien = Correr(db, "BEGIN IMMEDIATE", falla);
        for (const QByteArray& sentencia : SentenciasDeTabla(kEsquemaSuite, tabla)) {
            if (bien) bien = Correr(db, sentencia.constData(), falla);
        }
        if (bien) bien = Correr(db, "COMMIT", falla);
        if (bien) continue;
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        const QByteArray texto =
            QStringLiteral("%1: no se pudo agregar la tabla %2 a la base %3: %4\n")
                .arg(QCoreApplication::applicationName(), QString::fromLatin1(tabla), archivo, falla)
                .toUtf8();
        std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stderr);
    }
}

// La definición de la columna serie_clave de AUX_GARANTIA, como la escribe el esquema.
QByteArray ColumnaClaveSerie() {
    const QByteArray esquema(kEsquemaSuite);
    const qsizetype desde = esquema.indexOf("serie_clave     TEXT GENERATED");
    const qsizetype hasta = esquema.indexOf("VIRTUAL", desde);
    return desde < 0 || hasta < 0 ? QByteArray() : esquema.mid(desde, hasta + 7 - desde);
}

bool TieneColumna(sqlite3* db, const char* tabla, const char* columna) {
    sqlite3_stmt* st = nullptr;
    bool tiene = false;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM pragma_table_xinfo(?) WHERE name=?", -1, &st, nullptr) ==
        SQLITE_OK) {
        sqlite3_bind_text(st, 1, tabla, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 2, columna, -1, SQLITE_STATIC);
        tiene = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
    }
    sqlite3_finalize(st);
    return tiene;
}

// Las bases hechas antes declaraban las colaciones propias del programa (ESPANOL_CI, FECHA_DMY),
// que otra herramienta no tiene: no podía ni leerlas. Se pasan al esquema de hoy en una sola
// transacción: fuera los índices que las usaban; la clave calculada de la serie y los índices
// nuevos; y las columnas declaradas NOCASE (un cambio del texto del esquema: los datos guardados
// no cambian). Si algo falla, la base queda como estaba y el programa la sigue usando igual.
void Migrar(sqlite3* db, const QString& archivo, const QString& nombre) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                       "(sql LIKE '%COLLATE ESPANOL_CI%' OR sql LIKE '%COLLATE FECHA_DMY%')",
                       -1, &st, nullptr);
    const bool vieja = st && sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) > 0;
    sqlite3_finalize(st);
    if (!vieja) return;
    QString falla;
    bool bien = Correr(db, "BEGIN IMMEDIATE", falla);
    if (bien) {
        bien = Correr(db,
                      "DROP INDEX IF EXISTS AUX_GARANTIA_serie; DROP INDEX IF EXISTS MV_TRANSMISIONES_Fecha;"
                      "DROP INDEX IF EXISTS TA_USUARIOS_NOMBRE; DROP INDEX IF EXISTS TA_CONFIGURACION_Clave;"
                      "DROP INDEX IF EXISTS TA_TAREAS_USUARIO; DROP INDEX IF EXISTS TA_MENU_Clave;",
                      falla);
        const QByteArray clave = ColumnaClaveSerie();
        if (bien && !EsEstadisticas(nombre) && !clave.isEmpty() &&
            !TieneColumna(db, "AUX_GARANTIA", "serie_clave")) {
            bien = Correr(db, QByteArray("ALTER TABLE AUX_GARANTIA ADD COLUMN " + clave).constData(), falla);
        }
        for (const QByteArray& indice :
             IndicesNuevos(EsEstadisticas(nombre) ? kEsquemaEstadisticas : kEsquemaSuite)) {
            if (bien) bien = Correr(db, indice.constData(), falla);
        }
        int version = 0;
        if (bien && sqlite3_prepare_v2(db, "PRAGMA schema_version", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            version = sqlite3_column_int(st, 0);
        }
        sqlite3_finalize(st);
        if (bien) {
            sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 0, nullptr);
            const QByteArray cambio =
                "PRAGMA writable_schema=ON;"
                "UPDATE sqlite_master SET sql=replace(replace(sql,'COLLATE ESPANOL_CI','COLLATE "
                "NOCASE'),'COLLATE FECHA_DMY','COLLATE NOCASE') "
                "WHERE type='table';"
                "PRAGMA schema_version=" +
                QByteArray::number(version + 1) + ";PRAGMA writable_schema=OFF;";
            bien = Correr(db, cambio.constData(), falla);
        }
        if (bien) bien = Correr(db, "COMMIT", falla);
        if (!bien) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (!bien) {
        const QByteArray texto =
            QStringLiteral("%1: la base %2 queda con su esquema anterior (sólo este programa la lee): %3\n")
                .arg(QCoreApplication::applicationName(), archivo, falla)
                .toUtf8();
        std::fwrite(texto.constData(), 1, static_cast<size_t>(texto.size()), stderr);
    }
}

// Mira un archivo que ya está antes de usarlo como base: nunca se reescribe uno que no es una
// base de la suite (vacío, de otra cosa, sin tablas, un enlace a nada), cualquiera sea su tamaño.
// De paso pasa al esquema de hoy una base hecha antes.
void Revisar(const QString& archivo, const QString& nombre) {
    const QFileInfo info(archivo);
    auto noSeToca = [&](const QString& por) {
        return Falla(
            QStringLiteral("No se puede usar %1: la base está dañada (%2). El archivo no se toca: "
                           "restáurelo de una copia o quítelo para que el programa cree una base nueva.")
                .arg(archivo, por),
            824);
    };
    if (info.isSymLink() && !info.exists())
        throw noSeToca(QStringLiteral("es un enlace a un archivo que no existe"));
    if (!info.isFile()) throw noSeToca(QStringLiteral("no es un archivo"));
    if (info.size() == 0) throw noSeToca(QStringLiteral("el archivo está vacío"));
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly)) {
        throw Falla(QStringLiteral("No se puede leer %1: %2.").arg(archivo, f.errorString()));
    }
    if (f.read(16) != QByteArray("SQLite format 3", 16))
        throw noSeToca(QStringLiteral("no es una base SQLite"));
    f.close();

    Crudo c;
    const QByteArray ruta = QFile::encodeName(archivo);
    PrepararMotorSqlite();
    int rc = sqlite3_open_v2(ruta.constData(), &c.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        throw Falla(QStringLiteral("No se pudo abrir la base \"%1\": %2")
                        .arg(nombre, ErrorDeSqlite(c.db, rc).descripcion));
    sqlite3_extended_result_codes(c.db, 1);
    sqlite3_busy_timeout(c.db, 5000);
    RegistrarExtensiones(c.db, true);
    sqlite3_stmt* st = nullptr;
    const QStringList hacen = EsEstadisticas(nombre) ? QStringList{QStringLiteral("TA_CONFIGURACION")}
                                                     : QStringList{QStringLiteral("AUX_GARANTIA"),
                                                                   QStringLiteral("MV_TRANSMISIONES")};
    QStringList tablas;
    rc = sqlite3_prepare_v2(c.db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            tablas << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toUpper();
        }
    }
    if (rc != SQLITE_DONE) {
        const QString descripcion = ErrorDeSqlite(c.db, rc).descripcion;
        sqlite3_finalize(st);
        throw Falla(QStringLiteral("No se pudo abrir la base \"%1\": %2").arg(nombre, descripcion));
    }
    sqlite3_finalize(st);
    for (const QString& t : hacen) {
        if (!tablas.contains(t)) {
            throw noSeToca(tablas.isEmpty() ? QStringLiteral("no tiene tablas")
                                            : QStringLiteral("le falta la tabla %1").arg(t));
        }
    }
    if (sqlite3_db_readonly(c.db, "main")) return;
    // Antes de migrar: la migración crea los índices del esquema, también los de estas tablas.
    if (!EsEstadisticas(nombre)) AgregarTablasNuevas(c.db, archivo, tablas);
    Migrar(c.db, archivo, nombre);
}

// Restos de creaciones cortadas ("demo.db.nuevo-1234", con sus -wal y -shm): los de un proceso
// que ya no corre en esta máquina, o viejos. Los de una creación en curso no se tocan.
void LimpiarRestos(const QString& carpeta) {
    const QDir dir(carpeta);
    const QDateTime ahora = QDateTime::currentDateTimeUtc();
    for (const QFileInfo& e : dir.entryInfoList({QStringLiteral("*.db") + kNuevo + '*'},
                                                QDir::Files | QDir::Hidden | QDir::System)) {
        const QString nombre = e.fileName();
        const QString cola = nombre.mid(nombre.lastIndexOf(kNuevo) + kNuevo.size());
        bool esNumero = false;
        const qint64 pid = cola.section('-', 0, 0).toLongLong(&esNumero);
        if (!esNumero || pid <= 0) continue;
        if (pid == QCoreApplication::applicationPid()) continue;
        const qint64 edad = e.lastModified().toUTC().secsTo(ahora);
        const bool muerto = ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if ((muerto && edad >= 5) || edad >= 3600) QFile::remove(e.absoluteFilePath());
    }
}

// Crea la base con su esquema en un archivo nuevo de este proceso y lo pone en su lugar al final,
// así un corte a mitad de camino no deja una base a medio hacer. El archivo nace 0600: guarda las
// claves de los usuarios.
void Crear(const QString& archivo, const QString& nombre) {
    // Un nombre propio de este proceso: dos estaciones que crean la misma base a la vez no se pisan.
    const QString nuevo = archivo + kNuevo + QString::number(QCoreApplication::applicationPid());
    const QByteArray ruta = QFile::encodeName(nuevo);
    ::unlink(ruta.constData());  // uno con este número es de un proceso que ya terminó
    const int fd = ::open(ruta.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        throw Falla(
            QStringLiteral("No se pudo crear la base \"%1\" en %2: %3.").arg(nombre, archivo, Causa(errno)));
    }
    ::close(fd);
    sqlite3* db = nullptr;
    PrepararMotorSqlite();
    int rc = sqlite3_open_v2(ruta.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    auto fallar = [&]() {
        const QString motor = ErrorDeSqlite(db, rc).descripcion;
        sqlite3_close_v2(db);
        for (const char* cola : {"", "-wal", "-shm", "-journal"}) QFile::remove(nuevo + QLatin1String(cola));
        return Falla(QStringLiteral("No se pudo crear la base \"%1\" en %2: %3").arg(nombre, archivo, motor));
    };
    if (rc != SQLITE_OK) throw fallar();
    sqlite3_extended_result_codes(db, 1);
    RegistrarExtensiones(db, true);
    const QByteArray esquema = QByteArray("BEGIN;\n") +
                               (EsEstadisticas(nombre) ? kEsquemaEstadisticas : kEsquemaSuite) + "\nCOMMIT;";
    rc = sqlite3_exec(db, esquema.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw fallar();
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw fallar();
    sqlite3_close_v2(db);
    db = nullptr;
    // Otra estación pudo crearla en el mismo momento: gana la primera y esta copia se descarta.
    // link() no reemplaza nunca un archivo que ya está (un rename lo pisaría, con la base abierta).
    const QByteArray destino = QFile::encodeName(archivo);
    const int r = ::link(ruta.constData(), destino.constData());
    const int causa = errno;
    for (const char* cola : {"", "-wal", "-shm"}) QFile::remove(nuevo + QLatin1String(cola));
    if (r != 0 && causa != EEXIST) {
        throw Falla(
            QStringLiteral("No se pudo crear la base \"%1\" en %2: %3.").arg(nombre, archivo, Causa(causa)));
    }
    if (r == 0) AvisoCreacion()(nombre, archivo);
}

}  // namespace

bool NombreValido(const QString& nombre) {
    const QString n = nombre.trimmed();
    if (n.isEmpty() || n == QLatin1String(".") || n.contains(QLatin1String(".."))) return false;
    for (const QChar c : n) {
        if (c == '/' || c == '\\' || c == ':' || c.category() == QChar::Other_Control) return false;
    }
    return n.size() <= 128;
}

QString Archivo(const QString& carpeta, const QString& nombre) {
    const QString n = nombre.trimmed();
    const QDir dir(carpeta);
    const QStringList existentes = dir.entryList({QStringLiteral("*.db")}, QDir::Files | QDir::System);
    for (const QString& e : existentes) {
        if (QFileInfo(e).completeBaseName().compare(n, Qt::CaseInsensitive) == 0) return dir.filePath(e);
    }
    return dir.filePath(n + QStringLiteral(".db"));
}

bool Existe(const QString& carpeta, const QString& nombre) {
    if (!NombreValido(nombre)) return false;
    const QFileInfo info(Archivo(carpeta, nombre));
    return info.isFile() || info.isSymLink();
}

void FijarAvisoCreacion(std::function<void(const QString& nombre, const QString& archivo)> aviso) {
    AvisoCreacion() = std::move(aviso);
}

void Abrir(Conexion& conexion, const QString& carpeta, const QString& nombre) {
    if (!NombreValido(nombre)) {
        throw Falla(nombre.trimmed().isEmpty()
                        ? QStringLiteral("No se indicó el nombre de la base de datos.")
                        : QStringLiteral("\"%1\" no es un nombre de base de datos válido.").arg(nombre));
    }
    if (!Privado::CrearCarpeta(carpeta)) {
        throw Falla(
            QStringLiteral("No se pudo crear la carpeta de datos %1: %2 (elija otra con GARANTIAS_DATOS).")
                .arg(carpeta, Causa(errno)));
    }
    LimpiarRestos(carpeta);
    const QString archivo = Archivo(carpeta, nombre);
    const QFileInfo info(archivo);
    if (!info.exists() && !info.isSymLink()) {
        if (::access(QFile::encodeName(carpeta).constData(), W_OK) != 0) {
            throw Falla(QStringLiteral("No se puede crear la base \"%1\" en la carpeta de datos %2: %3 "
                                       "(elija otra con GARANTIAS_DATOS).")
                            .arg(nombre.trimmed(), carpeta, Causa(errno)));
        }
        Crear(archivo, nombre.trimmed());
    }
    // La que está (o la que otra estación puso en su lugar en el mismo momento).
    Revisar(archivo, nombre.trimmed());
    conexion.Open(TextoConexionSuite(archivo));
}

}  // namespace AlmacenEmbebido
