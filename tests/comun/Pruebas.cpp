#include "comun/Pruebas.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "platform/Proceso.h"

namespace {

QString NombreCuadro(const QString& titulo, const QString& texto) {
    return QStringLiteral("\"%1\": \"%2\"")
        .arg(titulo, QString(texto).replace(QLatin1Char('\n'), QLatin1String(" / ")));
}

QString NombreRespuesta(int respuesta) {
    static const char* nombres[] = {"?",          "Aceptar", "Cancelar", "Abortar",
                                    "Reintentar", "Omitir",  "Sí",       "No"};
    return respuesta >= 1 && respuesta <= 7 ? QString::fromUtf8(nombres[respuesta])
                                            : QString::number(respuesta);
}

QString NombresJuego(int estilo) {
    QStringList n;
    for (int r : RespuestasDelJuego(estilo)) n << NombreRespuesta(r);
    return n.join('/');
}

// Los archivos y carpetas bajo una carpeta, con su ruta relativa (las carpetas terminan en "/").
QStringList ArchivosBajo(const QString& carpeta) {
    QStringList archivos;
    QDirIterator it(carpeta, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        archivos << QDir(carpeta).relativeFilePath(it.filePath()) +
                        (it.fileInfo().isDir() ? QStringLiteral("/") : QString());
    }
    archivos.sort();
    return archivos;
}

// Los archivos que el programa escribe junto a su ejecutable cuando puede (copia portátil).
const char* const kJuntoAlEjecutable[] = {"BASES.TXT", "consultas.ntw", "QZERR.LOG", "garantias.svg"};

// Después de cada prueba, mira si dejó algo en el HOME de las pruebas o, junto a los ejecutables de
// prueba, un archivo de los que escribe el programa: lo nombra, lo borra y lo cuenta como falla al
// final (un evento de fin de prueba ya no puede hacerla fallar).
class VigiaDeHome : public ::testing::EmptyTestEventListener {
  public:
    explicit VigiaDeHome(QString home)
        : home_(std::move(home)), ejecutables_(QCoreApplication::applicationDirPath()) {
        for (const char* nombre : kJuntoAlEjecutable) {
            if (QFileInfo::exists(ejecutables_ + '/' + nombre)) previos_ << nombre;
        }
    }
    void OnTestEnd(const ::testing::TestInfo& prueba) override {
        QStringList dejados;
        for (const QString& d : ArchivosBajo(home_)) dejados << QStringLiteral("$HOME/") + d;
        for (const char* nombre : kJuntoAlEjecutable) {
            const QString ruta = ejecutables_ + '/' + nombre;
            if (!previos_.contains(nombre) && QFileInfo::exists(ruta)) {
                dejados << ruta;
                QFile::remove(ruta);
            }
        }
        if (dejados.isEmpty()) return;
        fuera_ += dejados.size();
        std::fprintf(stderr, "FALLA: %s.%s escribió fuera de su carpeta temporal: %s\n",
                     prueba.test_suite_name(), prueba.name(), qPrintable(dejados.join(", ")));
        QDir(home_).removeRecursively();
        QDir().mkpath(home_);
    }
    int fuera() const { return fuera_; }

  private:
    QString home_;
    QString ejecutables_;
    QStringList previos_;
    int fuera_ = 0;
};

}  // namespace

CasaDePrueba::CasaDePrueba() : dir_(QDir::tempPath() + QStringLiteral("/garantias-home-XXXXXX")) {
    if (!dir_.isValid()) {
        std::fprintf(stderr, "no se pudo crear el HOME de las pruebas\n");
        std::exit(1);
    }
    qputenv("HOME", dir_.path().toUtf8());
    for (const char* v : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(v);
}

namespace {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kConSanitizador = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kConSanitizador = true;
#else
constexpr bool kConSanitizador = false;
#endif
#else
constexpr bool kConSanitizador = false;
#endif

long g_topeMiB = 0;

// Sin esto, una prueba que pasa el tope muestra sólo "std::bad_alloc".
void AlPasarElTope() {
    std::fprintf(stderr, "la prueba pidió más memoria que el tope de %ld MiB (GARANTIAS_TOPE_MEMORIA)\n",
                 g_topeMiB);
    throw std::bad_alloc();
}
}  // namespace

void TopeDeMemoria() {
    if (kConSanitizador) return;
    long mib = kTopeMemoriaPruebasMiB;
    if (const char* v = std::getenv("GARANTIAS_TOPE_MEMORIA"); v && *v) {
        char* fin = nullptr;
        mib = std::strtol(v, &fin, 10);
        if (*fin != '\0' || mib < 0) {
            std::fprintf(stderr,
                         "GARANTIAS_TOPE_MEMORIA debe ser un número de MiB (0: sin tope), no \"%s\"\n", v);
            std::exit(2);
        }
    }
    if (mib == 0) return;
    rlimit tope{};
    if (::getrlimit(RLIMIT_AS, &tope) != 0) {
        std::perror("getrlimit(RLIMIT_AS)");
        std::exit(2);
    }
    // Sólo baja el tope: uno que ya venía más bajo (ulimit -v) queda como estaba.
    rlim_t bytes = static_cast<rlim_t>(mib) * 1024 * 1024;
    if (tope.rlim_max != RLIM_INFINITY) bytes = std::min(bytes, tope.rlim_max);
    if (tope.rlim_cur == RLIM_INFINITY || tope.rlim_cur > bytes) {
        tope.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_AS, &tope) != 0) {
            std::perror("setrlimit(RLIMIT_AS)");
            std::exit(2);
        }
    }
    g_topeMiB = static_cast<long>(tope.rlim_cur / (1024 * 1024));
    std::set_new_handler(AlPasarElTope);
}

int CorrerPruebas(int argc, char** argv, const CasaDePrueba& casa) {
    ::testing::InitGoogleTest(&argc, argv);
    auto* vigia = new VigiaDeHome(casa.ruta());
    ::testing::UnitTest::GetInstance()->listeners().Append(vigia);  // GoogleTest lo libera

    // Sin un guion instalado por la prueba, cualquier cuadro es una falla.
    auto anterior = InstalarServicioMensajes(std::make_unique<MensajesGuionados>());
    int resultado = RUN_ALL_TESTS();
    InstalarServicioMensajes(std::move(anterior));
    if (vigia->fuera() > 0) resultado = 1;
    return resultado;
}

QString Muestra(const QString& relativa) {
    const QString ruta = QStringLiteral(GARANTIAS_MUESTRAS "/") + relativa;
    if (QFileInfo::exists(ruta)) return ruta;
    if (HayMuestras() || MuestrasObligatorias())
        ADD_FAILURE() << "falta la muestra pública " << qPrintable(ruta);
    return {};
}

bool HayMuestras() { return QFileInfo(QStringLiteral(GARANTIAS_MUESTRAS)).isDir(); }

bool MuestrasObligatorias() {
    return QFileInfo(QFileInfo(QStringLiteral(GARANTIAS_MUESTRAS)).absolutePath()).isDir();
}

void EscribirArchivo(const QString& ruta, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        throw std::runtime_error("no se pudo escribir " + ruta.toStdString() + ": " +
                                 f.errorString().toStdString());
    }
}

QByteArray LeerArchivo(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

MensajesGuionados::~MensajesGuionados() {
    if (guion_.empty()) return;
    QStringList sobran;
    for (int r : guion_) sobran << NombreRespuesta(r);
    ADD_FAILURE() << "quedaron respuestas guionadas sin cuadro: " << qPrintable(sobran.join(", "));
}

void MensajesGuionados::responder(int respuesta, int veces) {
    for (int i = 0; i < veces; ++i) guion_.push_back(respuesta);
}

int MensajesGuionados::mostrar(const QString& texto, int estilo, const QString& titulo) {
    const auto posibles = RespuestasDelJuego(estilo);
    const auto i = static_cast<std::size_t>(Botones::porDefecto(estilo));
    int respuesta = i < posibles.size() ? posibles[i] : posibles.front();
    if (guion_.empty()) {
        ADD_FAILURE() << "cuadro sin respuesta guionada: " << qPrintable(NombreCuadro(titulo, texto));
    } else {
        const int guionada = guion_.front();
        guion_.pop_front();
        if (std::find(posibles.begin(), posibles.end(), guionada) == posibles.end()) {
            ADD_FAILURE() << "el cuadro " << qPrintable(NombreCuadro(titulo, texto)) << " (botones "
                          << qPrintable(NombresJuego(estilo)) << ") no puede contestar "
                          << qPrintable(NombreRespuesta(guionada));
        } else {
            respuesta = guionada;
        }
    }
    cuadros_.push_back({texto, estilo, titulo, respuesta});
    // Para escribir el guion de una prueba: GARANTIAS_TRAZA_CUADROS=1 muestra cada cuadro.
    if (qEnvironmentVariableIsSet("GARANTIAS_TRAZA_CUADROS")) {
        std::fprintf(stderr, "CUADRO %s [%s] -> %s\n", qPrintable(NombreCuadro(titulo, texto)),
                     qPrintable(NombresJuego(estilo)), qPrintable(NombreRespuesta(respuesta)));
    }
    return respuesta;
}

QStringList MensajesGuionados::textos() const {
    QStringList t;
    for (const auto& c : cuadros_) t << c.texto;
    return t;
}

MensajesDePrueba::MensajesDePrueba() {
    auto guion = std::make_unique<MensajesGuionados>();
    guion_ = guion.get();
    anterior_ = InstalarServicioMensajes(std::move(guion));
}

// Al reponer el servicio anterior, el guion se destruye y avisa las respuestas que sobraron.
MensajesDePrueba::~MensajesDePrueba() { InstalarServicioMensajes(std::move(anterior_)); }

FinObservable::FinObservable() {
    Proceso::FijarTerminador([](int codigo) { throw Proceso::FinDelProceso{codigo}; });
}

FinObservable::~FinObservable() { Proceso::FijarTerminador({}); }

void AbrirATodos(const QString& carpeta, bool escribir) {
    QFile::Permissions p = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                           QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                           QFileDevice::ExeOther;
    if (escribir) p |= QFileDevice::WriteGroup | QFileDevice::WriteOther;
    QFile::setPermissions(carpeta, p);
}

void SinPrivilegios(const std::function<QString()>& caso) {
    if (geteuid() != 0) {
        const QString falla = caso();
        EXPECT_TRUE(falla.isEmpty()) << qPrintable(falla);
        return;
    }
    int tubo[2];
    ASSERT_EQ(pipe(tubo), 0);
    std::fflush(nullptr);
    const pid_t hijo = fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
        close(tubo[0]);
        QString falla;
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) {
            falla = QStringLiteral("no se pudo dejar de ser root");
        } else {
            try {
                falla = caso();
            } catch (const std::exception& e) {
                falla = QString::fromUtf8(e.what());
            } catch (...) {
                falla = QStringLiteral("excepción");
            }
        }
        const QByteArray bytes = falla.toUtf8();
        if (!bytes.isEmpty()) (void)!write(tubo[1], bytes.constData(), bytes.size());
        close(tubo[1]);
        _exit(0);
    }
    close(tubo[1]);
    QByteArray leido;
    char bufer[4096];
    for (ssize_t n; (n = read(tubo[0], bufer, sizeof bufer)) > 0;) leido.append(bufer, n);
    close(tubo[0]);
    int estado = 0;
    waitpid(hijo, &estado, 0);
    EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0) << "el proceso sin privilegios terminó mal";
    EXPECT_TRUE(leido.isEmpty()) << leido.constData();
}
