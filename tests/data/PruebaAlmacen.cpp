// La base embebida por dentro: lo que nunca se reescribe, los restos de creaciones cortadas y los
// permisos.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ado/Valores.h"
#include "ado/sqlite/ProveedorSqlite.h"
#include "comun/Pruebas.h"
#include "data/AlmacenEmbebido.h"
#include "data/Dll_Datos.h"
#include "platform/Privado.h"

namespace {

int Modo(const QString& ruta) {
    struct stat st {};
    if (::lstat(QFile::encodeName(ruta).constData(), &st) != 0) return -1;
    return static_cast<int>(st.st_mode & 07777);
}

// Corre SQL en el archivo con una conexión de SQLite sin nada registrado (como otra herramienta).
QString Sqlite(const QString& archivo, const QString& sql, bool extensiones = false) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(archivo).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (extensiones) RegistrarExtensiones(db, false);
    QStringList filas;
    sqlite3_stmt* st = nullptr;
    const QByteArray texto = sql.toUtf8();
    const char* resto = texto.constData();
    QString falla;
    while (resto && *resto && falla.isEmpty()) {
        if (sqlite3_prepare_v2(db, resto, -1, &st, &resto) != SQLITE_OK) {
            falla = QString::fromUtf8(sqlite3_errmsg(db));
            break;
        }
        if (!st) break;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            QStringList v;
            for (int i = 0; i < sqlite3_column_count(st); ++i) v << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            filas << v.join('|');
        }
        if (rc != SQLITE_DONE) falla = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
    }
    sqlite3_close_v2(db);
    return falla.isEmpty() ? filas.join('\n') : QStringLiteral("ERROR: ") + falla;
}

class Almacen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        AlmacenEmbebido::FijarAvisoCreacion([this](const QString& nombre, const QString& archivo) { creadas_ << nombre + "=" + archivo; });
    }
    void TearDown() override { AlmacenEmbebido::FijarAvisoCreacion([](const QString&, const QString&) {}); }

    std::unique_ptr<Dll_Datos> conectar(const QString& base, const QString& carpeta = {}) {
        auto d = std::make_unique<Dll_Datos>();
        d->ParametroConexion = carpeta.isEmpty() ? dir_.path() : carpeta;
        d->NombreBase = d->NombreUsuario = d->ClaveUsuario = base;
        d->Conectar(true, 3, {}, true, true);
        return d;
    }

    QTemporaryDir dir_;
    QStringList creadas_;
};

}  // namespace

TEST_F(Almacen, UnArchivoQueNoEsUnaBaseNuncaSeReescribe) {
    // Uno sin tablas: una base de SQLite que no es de la suite.
    const QString sinTablas = dir_.filePath("sintablas.db");
    ASSERT_EQ(Sqlite(sinTablas, "PRAGMA user_version=7; CREATE TABLE t(x); DROP TABLE t;"), "");
    EscribirArchivo(dir_.filePath("vacia.db"), {});
    EscribirArchivo(dir_.filePath("texto.db"), "garantías de otro programa\n");
    EscribirArchivo(dir_.filePath("destino-vacio"), {});
    ASSERT_EQ(::symlink(QFile::encodeName(dir_.filePath("destino-vacio")).constData(), QFile::encodeName(dir_.filePath("enlace.db")).constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(dir_.filePath("no-esta")).constData(), QFile::encodeName(dir_.filePath("roto.db")).constData()), 0);
    struct Caso {
        const char* base;
        const char* archivo;  // el que no debe cambiar
        const char* causa;
    };
    const Caso casos[] = {
        {"vacia", "vacia.db", "el archivo está vacío"},
        {"sintablas", "sintablas.db", "no tiene tablas"},
        {"texto", "texto.db", "no es una base SQLite"},
        {"enlace", "destino-vacio", "el archivo está vacío"},
        {"roto", "roto.db", "un enlace a un archivo que no existe"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.base);
        const QString archivo = dir_.filePath(c.archivo);
        const QByteArray antes = LeerArchivo(archivo);
        const QDateTime cambio = QFileInfo(archivo).lastModified();
        auto d = conectar(c.base);
        EXPECT_FALSE(d->Conectado());
        EXPECT_TRUE(d->UltimaFalla().contains("la base está dañada")) << qPrintable(d->UltimaFalla());
        EXPECT_TRUE(d->UltimaFalla().contains(QString::fromUtf8(c.causa))) << qPrintable(d->UltimaFalla());
        EXPECT_TRUE(d->UltimaFalla().contains(dir_.path())) << qPrintable(d->UltimaFalla());
        EXPECT_EQ(LeerArchivo(archivo), antes);
        EXPECT_EQ(QFileInfo(archivo).lastModified(), cambio);
    }
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath("no-esta")));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath("vacia.db-wal")));
    EXPECT_TRUE(creadas_.isEmpty()) << qPrintable(creadas_.join(", "));
}

TEST_F(Almacen, LosRestosDeUnaCreacionCortadaSeQuitanAlEmpezar) {
    // Un proceso que ya no corre (el número más alto posible no está en uso) y uno que sí (éste).
    const QString muerto = dir_.filePath("demo.db.nuevo-2147483646");
    const QString muertoWal = muerto + "-wal";
    const QString vivo = dir_.filePath("otra.db.nuevo-1");  // init: corre siempre
    for (const QString& r : {muerto, muertoWal, vivo}) {
        EscribirArchivo(r, "a medio hacer");
        QFile f(r);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    }
    auto d = conectar("demo");
    ASSERT_TRUE(d->Conectado()) << qPrintable(d->UltimaFalla());
    EXPECT_FALSE(QFileInfo::exists(muerto));
    EXPECT_FALSE(QFileInfo::exists(muertoWal));
    EXPECT_TRUE(QFileInfo::exists(vivo));
    EXPECT_EQ(QDir(dir_.path()).entryList({"demo.db*"}, QDir::Files), (QStringList{"demo.db", "demo.db-shm", "demo.db-wal"}));
}

TEST_F(Almacen, UnaBaseNuevaNacePrivadaYSeAvisa) {
    const mode_t anterior = ::umask(022);
    const QString carpeta = dir_.filePath("nueva/datos");
    auto d = conectar("Ventas", carpeta);
    ::umask(anterior);
    ASSERT_TRUE(d->Conectado()) << qPrintable(d->UltimaFalla());
    EXPECT_EQ(Modo(dir_.filePath("nueva")), 0700);
    EXPECT_EQ(Modo(carpeta), 0700);
    EXPECT_EQ(Modo(carpeta + "/Ventas.db"), 0600);
    EXPECT_EQ(creadas_, QStringList{"Ventas=" + carpeta + "/Ventas.db"});
    // Las de la conexión abierta (-wal, -shm) siguen a la base.
    EXPECT_EQ(Modo(carpeta + "/Ventas.db-wal"), 0600);
    conectar("Ventas", carpeta);
    EXPECT_EQ(creadas_.size(), 1);
}

TEST_F(Almacen, SinLugarEnElDiscoLaBaseNoSeCreaYSeDiceLaCausa) {
    // Un límite de tamaño de archivo hace de disco lleno, también para root.
    struct rlimit antes {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &antes), 0);
    auto* const senal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit chico = antes;
    chico.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &chico), 0);
    auto d = conectar("llena");
    ::setrlimit(RLIMIT_FSIZE, &antes);
    std::signal(SIGXFSZ, senal);
    EXPECT_FALSE(d->Conectado());
    EXPECT_TRUE(d->UltimaFalla().contains("disco lleno")) << qPrintable(d->UltimaFalla());
    EXPECT_TRUE(d->UltimaFalla().contains(dir_.filePath("llena.db"))) << qPrintable(d->UltimaFalla());
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{});
}

TEST(Privado, UnProgramaQueOtrosPuedenCambiarNoSeEjecuta) {
    // Sólo mira dueños y permisos: vale igual para root.
    QTemporaryDir dir;
    const QString carpeta = dir.filePath("programa");
    ASSERT_TRUE(QDir().mkpath(carpeta));
    const QString programa = carpeta + "/ODBC.exe";
    EscribirArchivo(programa, "#!/bin/sh\n");
    struct Caso {
        mode_t carpeta, programa;
        bool abierto;
    };
    const Caso casos[] = {{0755, 0755, false}, {0700, 0700, false}, {0757, 0755, true}, {0775, 0755, true},
                          {0755, 0777, true},  {0755, 0775, true},  {01777, 0755, true}};
    for (const Caso& c : casos) {
        ::chmod(QFile::encodeName(carpeta).constData(), c.carpeta);
        ::chmod(QFile::encodeName(programa).constData(), c.programa);
        EXPECT_EQ(Privado::EscribiblePorOtros(programa), c.abierto) << std::oct << c.carpeta << " " << c.programa;
    }
    ::chmod(QFile::encodeName(carpeta).constData(), 0700);
}
