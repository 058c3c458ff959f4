// Los archivos propios del programa nunca se escriben a través de un enlace ni en un archivo
// ajeno, y un archivo que no quedó escrito es una falla que lo dice.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

#include "comun/Pruebas.h"
#include "platform/ArchivoPropio.h"
#include "platform/ErrorEjecucion.h"

namespace {

QByteArray Nombre(const QString& ruta) { return QFile::encodeName(ruta); }

class ArchivoPropioPrueba : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString ruta(const QString& nombre) const { return dir_.filePath(nombre); }
    // Lo que hay en la carpeta, salvo lo que la prueba puso.
    QStringList carpeta() const {
        return QDir(dir_.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(ArchivoPropioPrueba, UnEnlaceOUnArchivoAjenoSeRechazanConSuRuta) {
    const QString victima = ruta("victima.txt");
    EscribirArchivo(victima, "de otro\n");
    ASSERT_TRUE(QDir().mkpath(ruta("carpeta")));
    struct Lugar {
        const char* nombre;
        std::function<bool(const QString&)> poner;  // deja en la ruta lo que el caso dice
        const char* causa;
        bool soloRoot = false;
    };
    const Lugar lugares[] = {
        {"enlace a un archivo",
         [&](const QString& r) { return ::symlink(Nombre(victima).constData(), Nombre(r).constData()) == 0; },
         "es un enlace simbólico"},
        {"enlace a un archivo que no existe",
         [&](const QString& r) {
             return ::symlink(Nombre(ruta("nuevo.txt")).constData(), Nombre(r).constData()) == 0;
         },
         "es un enlace simbólico"},
        {"enlace a una carpeta",
         [&](const QString& r) {
             return ::symlink(Nombre(ruta("carpeta")).constData(), Nombre(r).constData()) == 0;
         },
         "es un enlace simbólico"},
        {"carpeta", [](const QString& r) { return QDir().mkpath(r); }, "es una carpeta"},
        {"FIFO", [](const QString& r) { return ::mkfifo(Nombre(r).constData(), 0600) == 0; },
         "no es un archivo común"},
        {"archivo de otro usuario",
         [](const QString& r) {
             EscribirArchivo(r, "de otro\n");
             return ::chown(Nombre(r).constData(), 65534, 65534) == 0;
         },
         "es de otro usuario", true},
    };
    struct Operacion {
        const char* nombre;
        std::function<void(const QString&)> hacer;
    };
    const Operacion operaciones[] = {
        {"agregar (BASES.TXT, QZERR.LOG)",
         [](const QString& r) { ArchivoPropio::Agregar(r, "linea\r\n", 0600); }},
        {"reemplazar (acceso directo, rechazos)",
         [](const QString& r) { ArchivoPropio::Reemplazar(r, "todo\n", 0644); }},
        {"abrir para leer y escribir (catálogo)",
         [](const QString& r) { ::close(ArchivoPropio::Abrir(r, O_RDWR | O_CREAT, 0666)); }},
    };
    for (const Lugar& l : lugares) {
        if (l.soloRoot && ::geteuid() != 0) {
            std::printf("[ SALTADA  ] %s: sólo root puede dar un archivo a otro usuario\n", l.nombre);
            continue;
        }
        for (const Operacion& o : operaciones) {
            SCOPED_TRACE(std::string(l.nombre) + " / " + o.nombre);
            const QString propio = ruta("propio.txt");
            ASSERT_TRUE(l.poner(propio));
            const QStringList antes = carpeta();
            try {
                o.hacer(propio);
                ADD_FAILURE() << "escribió";
            } catch (const ErrorEjecucion& e) {
                EXPECT_TRUE(e.descripcion().contains(propio) && e.descripcion().contains(l.causa))
                    << qPrintable(e.descripcion());
            }
            EXPECT_EQ(LeerArchivo(victima), "de otro\n");
            EXPECT_FALSE(QFileInfo::exists(ruta("nuevo.txt")));
            EXPECT_EQ(QDir(ruta("carpeta")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                      QStringList{});
            EXPECT_EQ(carpeta(), antes);  // ni un temporal olvidado
            QFile::remove(propio);
            QDir(propio).removeRecursively();
        }
    }
}

TEST_F(ArchivoPropioPrueba, AgregaYReemplazaLosSuyos) {
    const QString propio = ruta("BASES.TXT");
    ArchivoPropio::Agregar(propio, "uno\r\n", 0600);
    ArchivoPropio::Agregar(propio, "dos\r\n", 0600);
    EXPECT_EQ(LeerArchivo(propio), "uno\r\ndos\r\n");
    EXPECT_EQ(QFileInfo(propio).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);
    ArchivoPropio::Reemplazar(propio, "otro\n", 0600);
    EXPECT_EQ(LeerArchivo(propio), "otro\n");
    EXPECT_EQ(carpeta(), QStringList{"BASES.TXT"});
}

TEST_F(ArchivoPropioPrueba, UnaEscrituraQueNoEntraEsUnaFallaYNoDejaNada) {
    // El disco "se llena" a los 4 KiB: un límite de tamaño de archivo (vale también para root).
    const QString propio = ruta("r.csv");
    EscribirArchivo(propio, "lo de antes\n");
    struct rlimit antes {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &antes), 0);
    const auto senal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit chico = antes;
    chico.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &chico), 0);
    QString falla;
    try {
        ArchivoPropio::Nuevo nuevo(propio, 0644);
        for (int i = 0; i < 100; ++i) nuevo.escribir(QByteArray(1000, 'x'));
        nuevo.terminar();
    } catch (const ErrorEjecucion& e) {
        falla = e.descripcion();
    }
    QString fallaAgregar;
    try {
        ArchivoPropio::Agregar(ruta("QZERR.LOG"), QByteArray(10000, 'x'), 0600);
    } catch (const ErrorEjecucion& e) {
        fallaAgregar = e.descripcion();
    }
    ::setrlimit(RLIMIT_FSIZE, &antes);
    std::signal(SIGXFSZ, senal);
    EXPECT_TRUE(falla.contains(propio) && falla.contains("disco lleno")) << qPrintable(falla);
    EXPECT_TRUE(fallaAgregar.contains("QZERR.LOG") && fallaAgregar.contains("disco lleno"))
        << qPrintable(fallaAgregar);
    EXPECT_EQ(LeerArchivo(propio), "lo de antes\n");  // el de antes queda entero
    EXPECT_EQ(carpeta(), (QStringList{"QZERR.LOG", "r.csv"}));
}
