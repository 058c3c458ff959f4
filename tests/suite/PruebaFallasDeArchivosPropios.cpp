// Los archivos que el programa escribe por su cuenta (BASES.TXT, QZERR.LOG, el archivo de filas no
// importadas), con cada llamada al sistema de su escritura hecha fallar por turno (la costura de
// ArchivoPropio). Después de cada falla el archivo está como estaba o entero con lo nuevo, nunca
// con una línea a medias ni con una que se dio por no escrita, no quedan temporales, y la falla se
// dijo; la escritura siguiente, sin fallas, queda bien.
#include <errno.h>

#include <QDir>
#include <functional>

#include "comun/BaseServicios.h"
#include "connections/ArchivoBases.h"
#include "import/ArchivoCsv.h"
#include "platform/ArchivoPropio.h"
#include "platform/Cp1252.h"
#include "platform/Proceso.h"
#include "suite/AvisoError.h"

namespace {

// La costura: cuenta las llamadas y hace fallar la N-ésima (una vez, o desde ella) con error_.
struct Fallas {
    static inline long llamadas = 0;
    static inline long fallarEn = 0;  // 0: ninguna
    static inline bool siempre = false;
    static inline int error = EIO;
    static int Costura(ArchivoPropio::Llamada) {
        const long n = ++llamadas;
        return fallarEn > 0 && (n == fallarEn || (siempre && n > fallarEn)) ? error : 0;
    }
    static void Poner(long n, bool desdeAhi, int e) {
        llamadas = 0;
        fallarEn = n;
        siempre = desdeAhi;
        error = e;
        ArchivoPropio::FijarCostura(&Costura);
    }
    static void Quitar() { ArchivoPropio::FijarCostura(nullptr); }
};

class FallasDeArchivos : public BaseServicios {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(BaseServicios::SetUp()); }
    void TearDown() override {
        Fallas::Quitar();
        BaseServicios::TearDown();
    }
    // Los archivos de una carpeta cuyo nombre contiene el dado (también los temporales ocultos).
    static QStringList Archivos(const QString& carpeta, const QString& nombre) {
        return QDir(carpeta).entryList({'*' + nombre + '*'}, QDir::Files | QDir::Hidden, QDir::Name);
    }

    // Escribe con la costura puesta en cada N (de 1 a las que hace sin fallas), con cada error y de
    // una vez o desde ahí; revisar(bien, desdeAhi) mira el archivo después: bien es lo que dijo la
    // escritura.
    void cadaLlamada(const std::function<void()>& preparar, const std::function<bool()>& escribir,
                     const std::function<void(bool bien, bool desdeAhi)>& revisar) {
        preparar();
        Fallas::Poner(0, false, 0);
        ASSERT_TRUE(escribir()) << "sin fallas no debe fallar";
        Fallas::Quitar();
        const long total = Fallas::llamadas;
        ASSERT_GT(total, 1);
        for (const int error : {EIO, ENOSPC}) {
            for (const bool desdeAhi : {false, true}) {
                for (long n = 1; n <= total; ++n) {
                    SCOPED_TRACE(QStringLiteral("llamada %1 de %2, error %3%4")
                                     .arg(n)
                                     .arg(total)
                                     .arg(error)
                                     .arg(desdeAhi ? ", desde ahí" : "")
                                     .toStdString());
                    preparar();
                    Fallas::Poner(n, desdeAhi, error);
                    const bool bien = escribir();
                    Fallas::Quitar();
                    revisar(bien, desdeAhi);
                    if (HasFailure()) return;
                }
            }
        }
    }
};

TEST_F(FallasDeArchivos, BasesTxtQuedaComoEstabaOConLaLineaEntera) {
    const QByteArray antes = "DEMO /,demo,demo,x,\r\n";
    cadaLlamada([&] { EscribirArchivo(RutaBases(), antes); },
                [&] {
                    try {
                        GrabarBase("VENTAS / SRV", "ventas", "u", "clave", "srv");
                        return true;
                    } catch (const ErrorEjecucion& e) {
                        EXPECT_TRUE(e.descripcion().contains(RutaBases())) << qPrintable(e.descripcion());
                        return false;
                    }
                },
                [&](bool bien, bool desdeAhi) {
                    // Escrita, entera; dada por no escrita, no queda (si el disco deja deshacerla).
                    const QByteArray ahora = LeerArchivo(RutaBases());
                    if (bien)
                        EXPECT_TRUE(ahora.startsWith(antes + "VENTAS / SRV,") && ahora.endsWith(",srv\r\n"));
                    if (!bien && !desdeAhi) EXPECT_EQ(ahora, antes);
                    EXPECT_TRUE(ahora == antes || ahora.endsWith("\r\n")) << ahora.constData();
                    EXPECT_EQ(Archivos(QFileInfo(RutaBases()).absolutePath(), "BASES"),
                              QStringList{"BASES.TXT"});
                });
    // Sin fallas, la línea se agrega entera.
    GrabarBase("VENTAS / SRV", "ventas", "u", "clave", "srv");
    EXPECT_TRUE(LeerArchivo(RutaBases()).startsWith(antes + "VENTAS / SRV,ventas,u,"));
}

TEST_F(FallasDeArchivos, QzerrLogNoGuardaLineasAMedias) {
    const QString ruta = tmp_.filePath("QZERR.LOG");
    const QByteArray antes = "12-01-2026 10:00:00 Aviso algo\r\n";
    cadaLlamada(
        [&] { EscribirArchivo(ruta, antes); },
        [&] {
            // El aviso dice la falla por la salida de errores; aquí, que la línea no quedó.
            AnotarAviso(QStringLiteral("la base no contesta"));
            return LeerArchivo(ruta) != antes;
        },
        [&](bool bien, bool desdeAhi) {
            const QByteArray ahora = LeerArchivo(ruta);
            if (bien) EXPECT_TRUE(ahora.startsWith(antes) && ahora.endsWith("Aviso la base no contesta\r\n"));
            if (!bien && !desdeAhi) EXPECT_EQ(ahora, antes);
            EXPECT_TRUE(ahora.endsWith("\r\n"));
        });
    mensajes_->responder(RespuestaMensaje::Aceptar);
    AvisoError(ErrorEjecucion(5, "x", "garantias"), Botones::Aceptar, QString("Rutina"));
    EXPECT_TRUE(Cp1252::Decodificar(LeerArchivo(ruta)).contains("Rutina: - Rutina Mensaje Ha ocurrido"));
}

TEST_F(FallasDeArchivos, ElArchivoDeRechazosApareceEnteroONoAparece) {
    const QString ruta = tmp_.filePath("rechazos/r.csv");
    QDir().mkpath(tmp_.filePath("rechazos"));
    const QByteArray antes = "de otra corrida\r\n";
    cadaLlamada([&] { EscribirArchivo(ruta, antes); },
                [&] {
                    try {
                        ArchivoCsv csv(ruta, ArchivoCsv::Codificacion::Utf8,
                                       QStringLiteral("de filas no importadas"));
                        for (int i = 0; i < 3000; ++i)
                            csv.linea({QStringLiteral("E"), QStringLiteral("S%1").arg(i)});
                        csv.terminar();
                        return true;
                    } catch (const ErrorEjecucion& e) {
                        EXPECT_TRUE(e.descripcion().startsWith(
                            "No se puede escribir el archivo de filas no importadas \"" + ruta + "\": "))
                            << qPrintable(e.descripcion());
                        return false;
                    }
                },
                [&](bool bien, bool) {
                    const QByteArray ahora = LeerArchivo(ruta);
                    EXPECT_FALSE(bien) << "la falla no se dijo";
                    EXPECT_EQ(ahora, antes) << ahora.size();
                    EXPECT_EQ(Archivos(tmp_.filePath("rechazos"), "r.csv"), QStringList{"r.csv"});
                });
}

}  // namespace
