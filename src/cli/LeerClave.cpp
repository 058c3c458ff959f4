#include "cli/LeerClave.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/ErrorEjecucion.h"

namespace {
// Mientras vive, la terminal no muestra lo que se escribe.
class SinEco {
  public:
    SinEco() {
        if (::tcgetattr(STDIN_FILENO, &antes_) != 0) return;
        termios sinEco = antes_;
        sinEco.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        sinEco.c_lflag |= ECHONL;
        activo_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &sinEco) == 0;
    }
    ~SinEco() {
        if (activo_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &antes_);
    }

  private:
    termios antes_{};
    bool activo_ = false;
};

bool LeerLinea(std::string& linea) {
    linea.clear();
    int c;
    bool algo = false;
    while ((c = std::fgetc(stdin)) != EOF) {
        algo = true;
        if (c == '\n') return true;
        linea.push_back(static_cast<char>(c));
    }
    return algo;
}
}  // namespace

QString LeerClave(const QString& pedido) {
    std::string linea;
    bool leida = false;
    if (::isatty(STDIN_FILENO)) {
        std::fputs(pedido.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        SinEco sinEco;
        leida = LeerLinea(linea);
    } else {
        leida = LeerLinea(linea);
    }
    if (!leida) throw ErrorEjecucion(62, QStringLiteral("No se recibió la clave: la entrada terminó antes."));
    if (!linea.empty() && linea.back() == '\r') linea.pop_back();
    return QString::fromLocal8Bit(linea.data(), static_cast<qsizetype>(linea.size()));
}
