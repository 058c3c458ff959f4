// La cadena de lanzamiento: de los argumentos o del archivo de la estación, y la clave tapada en lo
// que muestra ps.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cstring>
#include <string>
#include <vector>

#include "comun/Pruebas.h"
#include "platform/CadenaLanzamiento.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kCadena = "@Server=; @dbname= demo; @usuario= demo; @Password= demo; @Caja=1;orva@";

QString Falla(const QStringList& argumentos) {
    try {
        CadenaLanzamiento::DeArgumentos(argumentos);
    } catch (const ErrorEjecucion& e) {
        return e.descripcion();
    }
    return {};
}
}  // namespace

TEST(CadenaLanzamiento, DeLosArgumentosODelArchivoDeLaEstacion) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // En la línea de comandos, como la pasa la suite: los argumentos unidos por un blanco.
    EXPECT_EQ(CadenaLanzamiento::DeArgumentos(kCadena.split(' ')), kCadena);
    EXPECT_EQ(CadenaLanzamiento::DeArgumentos({}), "");

    // Del archivo: la primera línea que no está en blanco ni es un comentario, sin blancos a los lados.
    const QString archivo = dir.filePath("lanzamiento");
    EscribirArchivo(archivo, ("# comentario\n\n   \n  # otro\n  " + kCadena + "  \r\notra\n").toUtf8());
    EXPECT_EQ(CadenaLanzamiento::DeArgumentos({"--lanzamiento", archivo}), kCadena);

    struct Caso {
        const char* nombre;
        QStringList argumentos;
        const char* dice;
    };
    const QString comentarios = dir.filePath("comentarios");
    EscribirArchivo(comentarios, "# sólo comentarios\n\n");
    const QString grande = dir.filePath("grande");
    EscribirArchivo(grande, QByteArray(70 * 1024, '#'));
    const Caso casos[] = {
        {"no existe", {"--lanzamiento", dir.filePath("no")}, "no existe."},
        {"una carpeta", {"--lanzamiento", dir.path()}, "no es un archivo."},
        {"sin cadena", {"--lanzamiento", comentarios}, "no tiene una cadena"},
        {"demasiado grande", {"--lanzamiento", grande}, "demasiado grande"},
        {"sin archivo", {"--lanzamiento"}, "lleva el nombre de un archivo"},
        {"de más", {"--lanzamiento", archivo, "x"}, "lleva el nombre de un archivo"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        const QString falla = Falla(c.argumentos);
        EXPECT_TRUE(falla.contains(QString::fromUtf8(c.dice))) << qPrintable(falla);
        if (c.argumentos.size() == 2) EXPECT_TRUE(falla.contains(c.argumentos[1])) << qPrintable(falla);
    }
}

TEST(CadenaLanzamiento, TaparClavesBorraLaClaveDeLoQueMuestraPs) {
    struct Caso {
        std::vector<std::string> argumentos;
        std::vector<std::string> quedan;
    };
    const Caso casos[] = {
        // El nombre del programa no se toca; cada clave, hasta su ";" o el fin, sin importar mayúsculas.
        {{"@Password=x", "@Server=; @Password= secreta; @Caja=1"},
         {"@Password=x", "@Server=; @Password=********; @Caja=1"}},
        {{"p", "@PASSWORD=abc;", "@password=;", "@Password="},
         {"p", "@PASSWORD=***;", "@password=;", "@Password="}},
        {{"p", "--conexion", "@Server=h; @Password=a;b @password=c"},
         {"p", "--conexion", "@Server=h; @Password=*;b @password=*"}},
        {{"p", "sin clave @Pass=1"}, {"p", "sin clave @Pass=1"}},
        // Sin comillas, la cadena llega partida en los blancos: la clave sigue hasta su ";".
        {{"p", "@Server=;", "@Password=", "se", "creta;", "@Caja=1;"},
         {"p", "@Server=;", "@Password=", "**", "*****;", "@Caja=1;"}},
    };
    for (const Caso& c : casos) {
        std::vector<std::vector<char>> memoria;
        std::vector<char*> argv;
        for (const std::string& a : c.argumentos) memoria.emplace_back(a.c_str(), a.c_str() + a.size() + 1);
        for (auto& m : memoria) argv.push_back(m.data());
        CadenaLanzamiento::TaparClaves(static_cast<int>(argv.size()), argv.data());
        for (std::size_t i = 0; i < argv.size(); ++i) {
            EXPECT_EQ(std::string(argv[i]), c.quedan[i]);
            EXPECT_EQ(std::strlen(argv[i]), c.argumentos[i].size());  // en el lugar, del mismo largo
        }
    }
}
