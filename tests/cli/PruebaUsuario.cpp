#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "cli/ProgramaCli.h"

namespace {

using Salida = ResultadoCli;

// Corre garantias-cli usuario con la entrada dada, desde la carpeta temporal de la prueba.
Salida Usuario(const QStringList& argumentos, const QByteArray& entrada, const QString& carpeta) {
    return ProgramaCli(carpeta).correr(QStringList{"usuario"} + argumentos, entrada);
}

const QString kBase =
    "@server=; @dbname= demo; @usuario= demo; @Password= demo; @ParametroAdicional=; @Caja=1;orva@";

QString Como(const QString& usuario, const QString& clave) {
    return QStringLiteral("@server=; @dbname= demo; @usuario= %1; @Password= %2;").arg(usuario, clave);
}

}  // namespace

TEST(UsuarioCli, AltaListaIngresoYBaja) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString datos = dir.path();

    Salida s = Usuario({"alta", "o'brien", "--conexion", kBase}, "Clave1\n", datos);
    ASSERT_EQ(s.codigo, 0) << qPrintable(s.errores);
    EXPECT_TRUE(s.salida.contains("o'brien")) << qPrintable(s.salida);
    s = Usuario({"alta", "o'brien", "--conexion", kBase}, "otra\n", datos);
    EXPECT_EQ(s.codigo, 1);
    EXPECT_TRUE(s.errores.contains("ya existe")) << qPrintable(s.errores);

    // El nuevo usuario entra con su clave (sin distinguir mayúsculas), y sólo con ella.
    s = Usuario({"lista", "--conexion", Como("o'brien", "CLAVE1")}, {}, datos);
    ASSERT_EQ(s.codigo, 0) << qPrintable(s.errores);
    EXPECT_EQ(s.salida, "o'brien\tORVA\n");
    s = Usuario({"lista", "--conexion", Como("o'brien", "mala")}, {}, datos);
    EXPECT_EQ(s.codigo, 1);
    EXPECT_TRUE(s.errores.contains("El usuario o clave en la base de datos es incorrecto!"))
        << qPrintable(s.errores);
    s = Usuario({"lista", "--conexion", Como("x' OR '1'='1", "x")}, {}, datos);
    EXPECT_EQ(s.codigo, 1);

    s = Usuario({"baja", "o'brien", "--conexion", kBase}, {}, datos);
    EXPECT_EQ(s.codigo, 0) << qPrintable(s.errores);
    s = Usuario({"baja", "o'brien", "--conexion", kBase}, {}, datos);
    EXPECT_EQ(s.codigo, 1);
    EXPECT_TRUE(s.errores.contains("no existe"));
}

TEST(UsuarioCli, ErroresDeUso) {
    QTemporaryDir dir;
    EXPECT_EQ(Usuario({"alta"}, {}, dir.path()).codigo, 2);
    EXPECT_EQ(Usuario({"alta", "x"}, "c\n", dir.path()).codigo, 2);  // sin cadena de lanzamiento
    EXPECT_EQ(Usuario({"borrar", "x", "--conexion", kBase}, {}, dir.path()).codigo, 2);
    // Sin línea en la entrada no hay clave.
    const Salida s = Usuario({"alta", "x", "--conexion", kBase}, {}, dir.path());
    EXPECT_EQ(s.codigo, 1);
    EXPECT_TRUE(s.errores.contains("No se recibió la clave"));
}
