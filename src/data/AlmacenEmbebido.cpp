#include "data/AlmacenEmbebido.h"

#include <QCoreApplication>
#include <QDir>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include "ado/Conexion.h"
#include "ado/sqlite/ProveedorSqlite.h"
#include "ado/Proveedores.h"
#include "platform/ErrorEjecucion.h"

namespace AlmacenEmbebido {
namespace {

const char* const kEsquemaSuite =
#include "esquema_suite.inc"
    ;
const char* const kEsquemaEstadisticas =
#include "esquema_estadisticas.inc"
    ;

const QString kOrigen = QStringLiteral("Base embebida");

ErrorEjecucion Falla(const QString& descripcion) { return ErrorEjecucion(Errores::ProveedorFallo, descripcion, kOrigen); }

// Crea la base con su esquema en un archivo aparte y lo pone en su lugar al final, así un
// corte a mitad de camino no deja una base a medio hacer.
void Crear(const QString& archivo, const QString& nombre) {
    // Un nombre propio de este proceso: dos estaciones que crean la misma base a la vez no se pisan.
    const QString nuevo = archivo + QStringLiteral(".nuevo-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(nuevo);
    sqlite3* db = nullptr;
    const QByteArray ruta = QFile::encodeName(nuevo);
    int rc = sqlite3_open_v2(ruta.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    auto fallar = [&](const QString& causa) {
        const QString motor = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        QFile::remove(nuevo);
        return Falla(QStringLiteral("No se pudo crear la base \"%1\" en %2: %3 (%4).").arg(nombre, archivo, causa, motor));
    };
    if (rc != SQLITE_OK) throw fallar(QStringLiteral("no se puede escribir el archivo"));
    RegistrarExtensiones(db);
    const bool estadisticas = nombre.compare(kEstadisticas, Qt::CaseInsensitive) == 0;
    const QByteArray esquema = QByteArray("BEGIN;\n") + (estadisticas ? kEsquemaEstadisticas : kEsquemaSuite) + "\nCOMMIT;";
    rc = sqlite3_exec(db, esquema.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw fallar(QStringLiteral("no se pudieron crear las tablas"));
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    db = nullptr;
    // Otra estación pudo crearla en el mismo momento: gana la primera y esta copia se descarta.
    // link() no reemplaza nunca un archivo que ya está (un rename lo pisaría, con la base abierta).
    const QByteArray origen = QFile::encodeName(nuevo), destino = QFile::encodeName(archivo);
    const int r = ::link(origen.constData(), destino.constData());
    const int causa = errno;
    QFile::remove(nuevo);
    if (r != 0 && causa != EEXIST) {
        throw Falla(QStringLiteral("No se pudo crear la base \"%1\" en %2 (%3).").arg(nombre, archivo, QString::fromLocal8Bit(std::strerror(causa))));
    }
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
    const QStringList existentes = dir.entryList({QStringLiteral("*.db")}, QDir::Files);
    for (const QString& e : existentes) {
        if (QFileInfo(e).completeBaseName().compare(n, Qt::CaseInsensitive) == 0) return dir.filePath(e);
    }
    return dir.filePath(n + QStringLiteral(".db"));
}

bool Existe(const QString& carpeta, const QString& nombre) {
    return NombreValido(nombre) && QFileInfo(Archivo(carpeta, nombre)).isFile();
}

void Abrir(Conexion& conexion, const QString& carpeta, const QString& nombre) {
    if (!NombreValido(nombre)) {
        throw Falla(nombre.trimmed().isEmpty()
                        ? QStringLiteral("No se indicó el nombre de la base de datos.")
                        : QStringLiteral("\"%1\" no es un nombre de base de datos válido.").arg(nombre));
    }
    if (!QDir().mkpath(carpeta)) {
        throw Falla(QStringLiteral("No se pudo crear la carpeta de datos %1 (elija otra con GARANTIAS_DATOS).").arg(carpeta));
    }
    const QString archivo = Archivo(carpeta, nombre);
    if (!QFileInfo::exists(archivo)) {
        if (!QFileInfo(carpeta).isWritable()) {
            throw Falla(QStringLiteral("No se puede escribir en la carpeta de datos %1 (elija otra con GARANTIAS_DATOS).").arg(carpeta));
        }
        Crear(archivo, nombre.trimmed());
    }
    conexion.Open(TextoConexionSuite(archivo));
}

}  // namespace AlmacenEmbebido
