// La base embebida por dentro: lo que nunca se reescribe, los restos de creaciones cortadas, el
// paso de una base hecha antes al esquema que leen otras herramientas y los permisos.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "ado/Recordset.h"
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
    sqlite3_open_v2(QFile::encodeName(archivo).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                    nullptr);
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
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                v << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
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
        AlmacenEmbebido::FijarAvisoCreacion(
            [this](const QString& nombre, const QString& archivo) { creadas_ << nombre + "=" + archivo; });
    }
    void TearDown() override {
        AlmacenEmbebido::FijarAvisoCreacion([](const QString&, const QString&) {});
    }

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

// Una base como las hacía el programa antes: colaciones propias en el esquema.
const char* const kEsquemaAnterior = R"(
CREATE TABLE AUX_GARANTIA (modelo TEXT COLLATE ESPANOL_CI, serie TEXT COLLATE ESPANOL_CI NOT NULL,
    nroTransmision INTEGER, eca1 TEXT COLLATE ESPANOL_CI, activacion TEXT COLLATE ESPANOL_CI);
CREATE UNIQUE INDEX AUX_GARANTIA_serie ON AUX_GARANTIA (serie);
CREATE INDEX AUX_GARANTIA_nroTransmision ON AUX_GARANTIA (nroTransmision);
CREATE TABLE MV_TRANSMISIONES (TIPO TEXT COLLATE ESPANOL_CI NOT NULL DEFAULT 'S', Transmision INTEGER NOT NULL,
    Fecha TEXT COLLATE FECHA_DMY, Hora TEXT, Responsable_envio TEXT COLLATE ESPANOL_CI, Anulado INTEGER NOT NULL DEFAULT 0);
CREATE UNIQUE INDEX MV_TRANSMISIONES_Transmision ON MV_TRANSMISIONES (Transmision);
CREATE INDEX MV_TRANSMISIONES_Fecha ON MV_TRANSMISIONES (TIPO, Fecha, Hora);
CREATE TABLE TA_USUARIOS (NOMBRE TEXT COLLATE ESPANOL_CI NOT NULL, SISTEMA TEXT COLLATE ESPANOL_CI NOT NULL,
    Password TEXT, gUsuarioClave TEXT);
CREATE UNIQUE INDEX TA_USUARIOS_NOMBRE ON TA_USUARIOS (NOMBRE, SISTEMA);
CREATE TABLE TA_CONFIGURACION (Grupo TEXT COLLATE ESPANOL_CI, Clave TEXT COLLATE ESPANOL_CI NOT NULL, Valor TEXT,
    PoliticaNegocio INTEGER NOT NULL DEFAULT 0, ValorAux TEXT);
CREATE INDEX TA_CONFIGURACION_Clave ON TA_CONFIGURACION (Clave);
CREATE TABLE TA_TAREAS (USUARIO TEXT COLLATE ESPANOL_CI NOT NULL, TAREA TEXT COLLATE ESPANOL_CI NOT NULL);
CREATE TABLE TA_MENU (Clave TEXT COLLATE ESPANOL_CI NOT NULL, Proceso TEXT COLLATE ESPANOL_CI, Nombre TEXT COLLATE ESPANOL_CI);
CREATE TABLE Control_Acceso (Maquina TEXT, Usuario TEXT, Formulario TEXT, Tarea TEXT, Ingreso TEXT, NombreUsuario TEXT);
CREATE TABLE AUX_ERR (Proceso TEXT, fecha TEXT, Error INTEGER, Descripcion TEXT, SQL TEXT, PC TEXT, Usuario TEXT);
INSERT INTO AUX_GARANTIA VALUES ('M1','ÑANDÚ-1',1,'E1','A1'), ('M2','s2',1,'E2','A2');
INSERT INTO MV_TRANSMISIONES VALUES ('S',1,'02/01/2026','10:00','op',0), ('S',2,'31/12/2025','09:00','op',0);
PRAGMA journal_mode=WAL;
)";

}  // namespace

TEST_F(Almacen, UnArchivoQueNoEsUnaBaseNuncaSeReescribe) {
    // Uno sin tablas: una base de SQLite que no es de la suite.
    const QString sinTablas = dir_.filePath("sintablas.db");
    ASSERT_EQ(Sqlite(sinTablas, "PRAGMA user_version=7; CREATE TABLE t(x); DROP TABLE t;"), "");
    EscribirArchivo(dir_.filePath("vacia.db"), {});
    EscribirArchivo(dir_.filePath("texto.db"), "garantías de otro programa\n");
    EscribirArchivo(dir_.filePath("destino-vacio"), {});
    ASSERT_EQ(::symlink(QFile::encodeName(dir_.filePath("destino-vacio")).constData(),
                        QFile::encodeName(dir_.filePath("enlace.db")).constData()),
              0);
    ASSERT_EQ(::symlink(QFile::encodeName(dir_.filePath("no-esta")).constData(),
                        QFile::encodeName(dir_.filePath("roto.db")).constData()),
              0);
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
    EXPECT_EQ(QDir(dir_.path()).entryList({"demo.db*"}, QDir::Files),
              (QStringList{"demo.db", "demo.db-shm", "demo.db-wal"}));
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

TEST_F(Almacen, UnaBaseHechaAntesPasaAlEsquemaQueLeenOtrasHerramientas) {
    const QString archivo = dir_.filePath("vieja.db");
    ASSERT_EQ(Sqlite(archivo, kEsquemaAnterior, true), "wal");
    ASSERT_TRUE(Sqlite(archivo, "SELECT * FROM AUX_GARANTIA WHERE serie='s2'")
                    .contains("no such collation sequence"));
    {
        auto d = conectar("vieja");
        ASSERT_TRUE(d->Conectado()) << qPrintable(d->UltimaFalla());
        // El programa sigue comparando como antes, y ordena las fechas por fecha.
        RecordsetPtr rs;
        d->AbrirRecordset("SELECT modelo FROM AUX_GARANTIA WHERE serie='ñandú-1 '", rs);
        ASSERT_FALSE(rs->EOF_());
        EXPECT_EQ(TextoValor(rs->Field(0)), "M1");
        d->CerrarRecordset(rs);
        d->AbrirRecordset("SELECT Transmision FROM MV_TRANSMISIONES ORDER BY FECHA DESC", rs);
        EXPECT_EQ(TextoValor(rs->Field(0)), "1");
        d->CerrarRecordset(rs);
        d->EjecutarSQL(
            "INSERT OR IGNORE INTO AUX_GARANTIA (modelo,serie,nroTransmision) VALUES ('x','S2',3)");
        EXPECT_EQ(d->conexion().Errors().Count(), 0);
    }
    // Otra herramienta la abre sin nada cargado; los datos están y la regla de la serie se cumple.
    EXPECT_EQ(
        Sqlite(archivo,
               "SELECT count(*) FROM sqlite_master WHERE sql LIKE '%ESPANOL_CI%' OR sql LIKE '%FECHA_DMY%'"),
        "0");
    EXPECT_EQ(Sqlite(archivo, "SELECT modelo, serie FROM AUX_GARANTIA ORDER BY serie"), "M2|s2\nM1|ÑANDÚ-1");
    EXPECT_EQ(Sqlite(archivo, "PRAGMA integrity_check"), "ok");
    EXPECT_TRUE(Sqlite(archivo, "INSERT INTO AUX_GARANTIA (modelo,serie) VALUES ('x','ñandú-1')")
                    .contains("UNIQUE constraint failed"));
    EXPECT_EQ(Sqlite(archivo, "SELECT serie FROM AUX_GARANTIA WHERE serie_clave='ñandú-1'"), "ÑANDÚ-1");
    // El diario de las importaciones, con sus índices, llegó antes que los índices del esquema.
    EXPECT_EQ(Sqlite(archivo, "SELECT count(*) FROM sqlite_master WHERE tbl_name='GARANTIAS_CORRIDAS'"), "4");
    EXPECT_EQ(creadas_, QStringList{});
    // Abrirla otra vez no cambia nada más.
    const QString esquema = Sqlite(archivo, "SELECT group_concat(sql) FROM sqlite_master");
    ASSERT_TRUE(conectar("vieja")->Conectado());
    EXPECT_EQ(Sqlite(archivo, "SELECT group_concat(sql) FROM sqlite_master"), esquema);
}

TEST_F(Almacen, LaClaveDeLaSerieEsLaMismaEnElProgramaYEnLaBase) {
    auto d = conectar("demo");
    ASSERT_TRUE(d->Conectado()) << qPrintable(d->UltimaFalla());
    d.reset();
    const QString archivo = dir_.filePath("demo.db");
    // La columna calculada (funciones de SQLite) y ClaveSerie (la que usa el programa al buscar).
    const QStringList series{"AB-123",       "cd-456  ", " EF", "ÑANDÚ",   "ÁÉÍÓÚÜÑÀÈÌÒÙÂÊÎÔÛÃÕÇÄËÏÖÅ",
                             "ÆØÐÞŠŒŽŸ ẞ Σ", "tab\t",    "ß",   "x\u00A0", ""};
    int i = 0;
    for (const QString& valor : series) {
        const QString literal = "'" + QString(valor).replace("'", "''") + "'";
        ASSERT_EQ(
            Sqlite(archivo,
                   QStringLiteral("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision) VALUES ('m',%1,%2)")
                       .arg(literal)
                       .arg(++i)),
            "");
        EXPECT_EQ(
            Sqlite(archivo,
                   QStringLiteral("SELECT serie_clave FROM AUX_GARANTIA WHERE nroTransmision=%1").arg(i)),
            ClaveSerie(valor))
            << qPrintable(valor);
    }
}

TEST_F(Almacen, BuscarPorSerieUsaElIndiceDeLaClave) {
    auto d = conectar("demo");
    ASSERT_TRUE(d->Conectado()) << qPrintable(d->UltimaFalla());
    d->EjecutarSQL("INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision) VALUES ('M1','ÑANDÚ-1',1)");
    // Las formas en que el programa busca una serie: la regla de la clave y su índice.
    const char* consultas[] = {
        "SELECT modelo FROM AUX_GARANTIA with(nolock) WHERE serie='ñandú-1  '",
        "SELECT a.modelo FROM AUX_GARANTIA a LEFT JOIN MV_TRANSMISIONES t ON t.Transmision=a.nroTransmision "
        "WHERE a.serie=N'Ñandú-1'",
        "SELECT CASE WHEN EXISTS (SELECT * FROM AUX_GARANTIA WHERE serie = 'ñANDÚ-1') THEN 'M1' END",
    };
    for (const char* c : consultas) {
        SCOPED_TRACE(c);
        RecordsetPtr rs;
        d->AbrirRecordset(c, rs);
        ASSERT_FALSE(rs->EOF_());
        EXPECT_EQ(TextoValor(rs->Field(0)), "M1");
        d->CerrarRecordset(rs);
        d->AbrirRecordset(QStringLiteral("EXPLAIN QUERY PLAN ") + c, rs);
        QStringList plan;
        for (; !rs->EOF_(); rs->MoveNext()) plan << TextoValor(rs->Field(3));
        d->CerrarRecordset(rs);
        EXPECT_TRUE(plan.join('\n').contains("AUX_GARANTIA_serie_clave")) << qPrintable(plan.join('\n'));
    }
    // Un SET no se toca: la serie se cambia en su columna.
    d->EjecutarSQL("UPDATE AUX_GARANTIA SET serie = 'NUEVA' WHERE serie = 'ñandú-1'");
    EXPECT_EQ(d->conexion().Errors().Count(), 0);
    EXPECT_TRUE(d->BuscarRegistro("AUX_GARANTIA", "nueva ", "serie"));
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
        EXPECT_EQ(Privado::EscribiblePorOtros(programa), c.abierto)
            << std::oct << c.carpeta << " " << c.programa;
    }
    ::chmod(QFile::encodeName(carpeta).constData(), 0700);
}

// Una base de antes del diario de las importaciones lo recibe al abrirse, con sus datos intactos.
TEST_F(Almacen, UnaBaseSinDiarioLoRecibeAlAbrirse) {
    ASSERT_TRUE(conectar("sindiario")->Conectado());
    const QString archivo = dir_.filePath("sindiario.db");
    ASSERT_EQ(
        Sqlite(archivo, "DROP TABLE GARANTIAS_CORRIDAS; INSERT INTO AUX_GARANTIA (serie) VALUES ('S1')"), "");
    auto d = conectar("sindiario");
    ASSERT_TRUE(d->Conectado()) << qPrintable(d->UltimaFalla());
    d.reset();
    EXPECT_EQ(
        Sqlite(archivo, "SELECT name FROM sqlite_master WHERE tbl_name='GARANTIAS_CORRIDAS' ORDER BY name"),
        "GARANTIAS_CORRIDAS\nGARANTIAS_CORRIDAS_Sha256\nGARANTIAS_CORRIDAS_Transmision\n"
        "sqlite_autoindex_GARANTIAS_CORRIDAS_1");
    EXPECT_EQ(Sqlite(archivo, "SELECT serie FROM AUX_GARANTIA"), "S1");
}
