#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <limits>
#include <vector>

#include "comun/Pruebas.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "platform/Rutina.h"
#include "platform/Sha256Archivo.h"

namespace {
ErrorEjecucion Falla(int n) { return ErrorEjecucion(n, QStringLiteral("falla %1").arg(n)); }
}  // namespace

TEST(Rutina, LaTrampaRepiteSaltaOAbandona) {
    std::vector<int> hechos;
    int intentos = 0;
    Rutina r([&](const ErrorEjecucion& e) {
        if (e.numero() == 1) return Respuesta::Repetir;
        if (e.numero() == 2) return Respuesta::Saltar;
        return Respuesta::Abandonar;
    });
    r.paso([&] {
         if (++intentos < 3) throw Falla(1);
         hechos.push_back(1);
     })
        .paso([&] { throw Falla(2); })
        .paso([&] { hechos.push_back(3); })
        .paso([&] { throw Falla(9); })
        .paso([&] { hechos.push_back(5); });
    EXPECT_FALSE(r.correr());
    EXPECT_EQ(intentos, 3);
    EXPECT_EQ(hechos, (std::vector<int>{1, 3}));
}

TEST(Rutina, SaltosYFinDesdeUnPaso) {
    std::vector<int> hechos;
    Rutina r(TrampaOmitir());
    std::size_t destino = 0;
    r.paso([&] { r.irA(destino); }).paso([&] { hechos.push_back(1); });
    destino = r.cantidad();
    r.paso([&] { hechos.push_back(2); }).paso([&] { r.terminar(); }).paso([&] { hechos.push_back(3); });
    EXPECT_TRUE(r.correr());
    EXPECT_EQ(hechos, (std::vector<int>{2}));
}

TEST(Rutina, LoQueNoEsUnaFallaDelProgramaNoPasaPorLaTrampa) {
    FinObservable fin;
    int llamadas = 0;
    Rutina r([&](const ErrorEjecucion&) {
        ++llamadas;
        return Respuesta::Saltar;
    });
    r.paso([] { Proceso::Terminar(3); });
    try {
        r.correr();
        FAIL();
    } catch (const Proceso::FinDelProceso& f) {
        EXPECT_EQ(f.codigo, 3);
    }
    EXPECT_EQ(llamadas, 0);
}

TEST(Proceso, LosAvisosCorrenAntesDelFinDelUltimoAlPrimero) {
    FinObservable fin;
    QString orden;
    // Como en una importación: el grupo de filas se anota antes que la escritura que lo llena, y
    // la escritura tiene que vaciarse antes de que el grupo se confirme.
    const int grupo = Proceso::AlTerminar([&] { orden += "grupo;"; });
    const int escritura = Proceso::AlTerminar([&] { orden += "escritura;"; });
    EXPECT_THROW(Proceso::Terminar(0), Proceso::FinDelProceso);
    EXPECT_EQ(orden, "escritura;grupo;");
    Proceso::QuitarAvisoAlTerminar(escritura);
    Proceso::QuitarAvisoAlTerminar(grupo);
    EXPECT_THROW(Proceso::Terminar(0), Proceso::FinDelProceso);
    EXPECT_EQ(orden, "escritura;grupo;");
}

// Root puede escribir en /usr/bin: lo que decide si los archivos del programa van junto al
// ejecutable es si la copia está instalada (share/garantias/ junto a su bin/), no el permiso.
TEST(Proceso, UnaCopiaInstaladaEscribeEnLaCarpetaDelUsuarioAunquePuedaJuntoAlEjecutable) {
    QTemporaryDir prefijo;
    ASSERT_TRUE(QDir(prefijo.path()).mkpath("bin"));
    const QString bin = prefijo.filePath("bin") + '/';
    Proceso::FijarCarpetaEjecutable(bin);
    EXPECT_FALSE(Proceso::CopiaInstalada());
    EXPECT_EQ(Proceso::CarpetaAplicacion(), bin);

    ASSERT_TRUE(QDir(prefijo.path()).mkpath("share/garantias/sql"));
    EXPECT_TRUE(Proceso::CopiaInstalada());
    const QString delUsuario = Proceso::CarpetaAplicacion();
    Proceso::FijarCarpetaEjecutable({});
    EXPECT_EQ(delUsuario, QDir::homePath() + "/.local/share/garantias/");
    EXPECT_TRUE(QFileInfo(delUsuario).isDir());
    QDir(QDir::homePath() + "/.local").removeRecursively();
}

TEST(Regional, FormatosFijosSeaCualSeaElIdiomaDeLaMaquina) {
    const QDateTime t(QDate(2026, 12, 9), QTime(10, 5, 30));
    struct Caso {
        const char* patron;
        const char* esperado;
    };
    const Caso casos[] = {
        {"DD/MM/YYYY", "09/12/2026"},
        {"HH:MM", "10:05"},
        {"dd/mm/yy hh:mm", "09/12/26 10:05"},
        {"mm-dd-yyyy", "12-09-2026"},
        {"hh:mm:ss", "10:05:30"},
        {"dd/mm/yyyy hh:nn:ss", "09/12/2026 10:05:30"},
    };
    for (const auto& c : casos) EXPECT_EQ(Regional::Formato(t, c.patron), c.esperado) << c.patron;
    EXPECT_EQ(Regional::TextoFechaHora(t), "09/12/2026 10:05:30");
    EXPECT_EQ(Regional::TextoFechaHora(QDateTime(QDate(2026, 1, 2), QTime(0, 0))), "02/01/2026");
}

TEST(Regional, NumerosConComaDecimalSinExponente) {
    EXPECT_EQ(Regional::TextoNumero(3.0), "3");
    EXPECT_EQ(Regional::TextoNumero(1234.5), "1234,5");
    EXPECT_EQ(Regional::TextoNumero(-0.25), "-0,25");
    EXPECT_EQ(Regional::TextoNumero(12345678901.0), "12345678901");
    EXPECT_EQ(Regional::TextoNumero(0.1 + 0.2), "0,3");
    // Desde 2^53 las últimas cifras de un doble no son de nadie: 15 cifras y exponente.
    EXPECT_EQ(Regional::TextoNumero(9007199254740991.0), "9007199254740991");
    EXPECT_EQ(Regional::TextoNumero(8954031234567890123.0), "8,95403123456789E+18");
    EXPECT_EQ(Regional::TextoNumero(-9007199254740992.0), "-9,00719925474099E+15");
    EXPECT_EQ(Regional::TextoNumero(1e20), "1E+20");
}

TEST(Regional, EnterosConPuntoDeMiles) {
    const std::pair<qint64, const char*> casos[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1.000"},
        {1234, "1.234"},
        {1234567, "1.234.567"},
        {-1234, "-1.234"},
        {-999, "-999"},
        {std::numeric_limits<qint64>::min(), "-9.223.372.036.854.775.808"}};
    for (const auto& [numero, texto] : casos) EXPECT_EQ(Regional::TextoMiles(numero), texto) << numero;
}

// La huella de los bytes: la de un vector conocido, la de un archivo vacío, y nada si no se lee.
TEST(Sha256Archivo, HuellaDeLosBytesONadaSiNoSeLee) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString abc = dir.filePath("abc.txt"), vacio = dir.filePath("vacio");
    EscribirArchivo(abc, "abc");
    EscribirArchivo(vacio, "");
    EXPECT_EQ(Sha256DeArchivo(abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256DeArchivo(vacio), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256DeArchivo(dir.filePath("no-esta")), std::nullopt);
    EXPECT_EQ(Sha256DeArchivo(dir.path()), std::nullopt);  // una carpeta no se lee
}

TEST(Regional, LeeFechasDelSistemaYDeLaBase) {
    EXPECT_EQ(Regional::LeerFechaHora("31/12/2026 23:59:58"),
              QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
    EXPECT_EQ(Regional::LeerFechaHora("2026-12-31 23:59:58.997"),
              QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
    EXPECT_EQ(Regional::LeerFechaHora("05/01/26"), QDateTime(QDate(2026, 1, 5), QTime(0, 0)));
    EXPECT_FALSE(Regional::LeerFechaHora("31/02/2026").has_value());
    EXPECT_FALSE(Regional::LeerFechaHora("hola").has_value());
}

TEST(Mensajes, ElGuionContestaYRegistra) {
    MensajesDePrueba mensajes;
    mensajes->responder(RespuestaMensaje::Reintentar);
    mensajes->responder(RespuestaMensaje::No);
    EXPECT_EQ(MsgBox("a", Botones::AbortarReintentarOmitir | Botones::IconoCritico, "t"),
              RespuestaMensaje::Reintentar);
    EXPECT_EQ(MsgBox("b", Botones::SiNo | Botones::SegundoPorDefecto), RespuestaMensaje::No);
    ASSERT_EQ(mensajes->cuadros().size(), 2u);
    EXPECT_EQ(mensajes->cuadros()[0].titulo, "t");
    EXPECT_EQ(Botones::icono(mensajes->cuadros()[0].estilo), Botones::IconoCritico);
    EXPECT_EQ(mensajes->cuadros()[1].titulo, TituloAplicacion());
    EXPECT_EQ(mensajes->cuadros()[1].respuesta, RespuestaMensaje::No);
}

// El guion es estricto: lo que un cuadro real no puede dar, un cuadro que nadie esperaba y las
// respuestas que sobran hacen fallar la prueba.
TEST(Mensajes, ElGuionEsEstricto) {
    {
        MensajesDePrueba mensajes;
        mensajes->responder(RespuestaMensaje::Cancelar);
        int respuesta = 0;
        EXPECT_NONFATAL_FAILURE(respuesta = MsgBox("x", Botones::AbortarReintentarOmitir, "t"),
                                "no puede contestar Cancelar");
        EXPECT_EQ(respuesta, RespuestaMensaje::Abortar);  // el botón por defecto, no lo imposible
        EXPECT_NONFATAL_FAILURE(respuesta = MsgBox("y", Botones::SiNo | Botones::SegundoPorDefecto, "t"),
                                "cuadro sin respuesta guionada: \"t\": \"y\"");
        EXPECT_EQ(respuesta, RespuestaMensaje::No);
        EXPECT_EQ(mensajes->cuadros().size(), 2u);
    }
    // Fuera de un guion de la prueba, el del ejecutable: ningún cuadro está esperado.
    EXPECT_NONFATAL_FAILURE(MsgBox("suelto", Botones::Aceptar, "t"), "cuadro sin respuesta guionada");
    // Las respuestas que quedan sin cuadro se avisan al quitar el guion.
    EXPECT_NONFATAL_FAILURE(
        {
            MensajesDePrueba mensajes;
            mensajes->responder(RespuestaMensaje::Aceptar);
            mensajes->responder(RespuestaMensaje::Si, 2);
            EXPECT_EQ(MsgBox("uno", Botones::Aceptar, "t"), RespuestaMensaje::Aceptar);
        },
        "quedaron respuestas guionadas sin cuadro: Sí, Sí");
}
