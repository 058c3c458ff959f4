#include "platform/Senales.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <atomic>
#include <csignal>

#include "platform/Proceso.h"

namespace Senales {
namespace {

volatile std::sig_atomic_t g_senal = 0;
std::atomic<bool> g_terminando{false};
int g_tubo[2] = {-1, -1};
char g_nombre[64] = "garantias";  // el nombre del programa, listo para el manejador

// Dos lugares para la despedida: se escribe en el que el manejador no lee y después se cambia cuál
// lee, de una vez.
constexpr std::size_t kLargoDespedida = 512;
char g_despedidas[2][kLargoDespedida] = {{0}, {0}};
std::atomic<int> g_despedida{0};

const char* NombreSenal(int senal) { return senal == SIGINT ? "SIGINT" : "SIGTERM"; }

void EscribirError(const char* texto) {
    std::size_t n = 0;
    while (texto[n]) ++n;
    const ssize_t r = ::write(2, texto, n);
    (void)r;
}

extern "C" void Manejador(int senal) {
    if (g_senal != 0 || !Proceso::HayAvisos()) {
        // Nada que conservar (o ya se pidió una vez): termina ya. Lo que estaba a medio escribir
        // en la base lo deshace la base.
        EscribirError(g_nombre);
        EscribirError(": terminado por ");
        EscribirError(NombreSenal(senal));
        EscribirError(".");
        const char* despedida = g_despedidas[g_despedida.load()];
        if (despedida[0]) {
            EscribirError(" ");
            EscribirError(despedida);
        }
        EscribirError("\n");
        ::_exit(128 + senal);
    }
    g_senal = senal;
    if (g_tubo[1] >= 0) {
        const char c = static_cast<char>(senal);
        const ssize_t r = ::write(g_tubo[1], &c, 1);
        (void)r;
    }
}

}  // namespace

void Instalar() {
    if (QCoreApplication::instance()) {
        const QByteArray nombre =
            QCoreApplication::applicationName().toUtf8().left(static_cast<int>(sizeof g_nombre) - 1);
        std::copy(nombre.begin(), nombre.end(), g_nombre);
        g_nombre[nombre.size()] = 0;
    }
    if (g_tubo[0] < 0 && ::pipe2(g_tubo, O_CLOEXEC | O_NONBLOCK) != 0) g_tubo[0] = g_tubo[1] = -1;
    struct sigaction sa {};
    sa.sa_handler = Manejador;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    if (QCoreApplication::instance() && g_tubo[0] >= 0) {
        auto* aviso = new QSocketNotifier(g_tubo[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(aviso, &QSocketNotifier::activated, [] {
            char c;
            while (::read(g_tubo[0], &c, 1) > 0) {
            }
            AtenderPendiente();
        });
    }
}

int Pendiente() { return g_senal; }

bool Terminando() { return g_terminando.load(); }

void AtenderPendiente() {
    const int senal = g_senal;
    if (senal == 0) return;
    g_senal = 0;
    g_terminando = true;
    QByteArray texto =
        QByteArray(g_nombre) + ": " + NombreSenal(senal) + ": se termina después de confirmar lo escrito.";
    // Lo que quedó lo dice la despedida si no hay trabajo abierto; si lo hay, su aviso al terminar.
    if (!Proceso::HayAvisos() && g_despedidas[g_despedida.load()][0])
        texto += QByteArray(" ") + g_despedidas[g_despedida.load()];
    EscribirError((texto + "\n").constData());
    Proceso::Terminar(128 + senal);
}

void FijarDespedida(const QString& frase) {
    const int libre = 1 - g_despedida.load();
    const QByteArray bytes = frase.toUtf8().left(static_cast<int>(kLargoDespedida) - 1);
    std::copy(bytes.begin(), bytes.end(), g_despedidas[libre]);
    g_despedidas[libre][bytes.size()] = 0;
    g_despedida.store(libre);
}

void Simular(int senal) { g_senal = senal; }

}  // namespace Senales
