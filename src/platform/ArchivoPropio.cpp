#include "platform/ArchivoPropio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#include "platform/ErrorEjecucion.h"

namespace ArchivoPropio {
namespace {
constexpr int32_t kErrorAcceso = 75;  // error de acceso a la ruta o al archivo
constexpr qsizetype kTrozo = 64 * 1024;

Costura g_costura = nullptr;

// La falla que la costura de las pruebas pide para la llamada (0: ninguna).
int FallaPedida(Llamada llamada) { return g_costura ? g_costura(llamada) : 0; }

int SistemaAbrir(const char* ruta, int banderas, mode_t modo) {
    if (const int e = FallaPedida(Llamada::Abrir)) return errno = e, -1;
    return ::open(ruta, banderas, modo);
}
ssize_t SistemaEscribir(int fd, const char* p, size_t n) {
    if (const int e = FallaPedida(Llamada::Escribir)) return errno = e, -1;
    return ::write(fd, p, n);
}
int SistemaSincronizar(int fd) {
    if (const int e = FallaPedida(Llamada::Sincronizar)) return errno = e, -1;
    return ::fsync(fd);
}
// El descriptor se cierra siempre (como close() con EIO): la falla sólo se informa.
int SistemaCerrar(int fd) {
    const int e = FallaPedida(Llamada::Cerrar);
    const int r = ::close(fd);
    if (e) return errno = e, -1;
    return r;
}
int SistemaRenombrar(const char* de, const char* a) {
    if (const int e = FallaPedida(Llamada::Renombrar)) return errno = e, -1;
    return ::rename(de, a);
}
int SistemaTruncar(int fd, off_t largo) {
    if (const int e = FallaPedida(Llamada::Truncar)) return errno = e, -1;
    return ::ftruncate(fd, largo);
}

[[noreturn]] void Fallar(const QString& ruta, const QString& causa) {
    throw ErrorEjecucion(kErrorAcceso, QStringLiteral("No se puede escribir \"%1\": %2.").arg(ruta, causa));
}

// Por qué un archivo abierto (o visto por lstat) no es uno propio; vacío si lo es.
QString Ajeno(const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return QStringLiteral("es un enlace simbólico (no se escribe a través de él)");
    if (S_ISDIR(st.st_mode)) return QStringLiteral("es una carpeta");
    if (!S_ISREG(st.st_mode)) return QStringLiteral("no es un archivo común");
    if (st.st_uid != ::geteuid()) return QStringLiteral("es de otro usuario (uid %1)").arg(st.st_uid);
    return {};
}
}  // namespace

void FijarCostura(Costura costura) { g_costura = costura; }

bool SoloLectura(const QString& ruta) {
    if (ruta.isEmpty()) return false;
    QString r = ruta;
    struct statvfs vfs {};
    for (int i = 0; i < 64 && !r.isEmpty(); ++i) {
        if (::statvfs(QFile::encodeName(r).constData(), &vfs) == 0) return (vfs.f_flag & ST_RDONLY) != 0;
        const QString madre = QFileInfo(r).absolutePath();
        if (madre == r) break;
        r = madre;
    }
    return false;
}

QString Causa(int error, const QString& ruta) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("disco lleno");
        case EFBIG:
            return QStringLiteral("disco lleno (el archivo pasa del tamaño permitido)");
        case EROFS:
            return QStringLiteral("sin permiso de escritura: el sistema de archivos es de sólo lectura");
        case EACCES:
        case EPERM:
            if (SoloLectura(ruta))
                return QStringLiteral("sin permiso de escritura: el sistema de archivos es de sólo lectura");
            return QStringLiteral("sin permiso de escritura");
        case ELOOP:
            return QStringLiteral("es un enlace simbólico (no se escribe a través de él)");
        case EIO:
            return QStringLiteral("error de entrada o salida del disco");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

int AbrirParaAgregar(const QString& ruta, mode_t modo) {
    return Abrir(ruta, O_WRONLY | O_APPEND | O_CREAT, modo);
}

int Abrir(const QString& ruta, int banderas, mode_t modo) {
    const QByteArray r = QFile::encodeName(ruta);
    // O_NONBLOCK: una FIFO puesta en lugar del archivo no deja al programa esperando (se rechaza
    // después, por no ser un archivo común).
    const int fd =
        SistemaAbrir(r.constData(), banderas | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, modo);
    if (fd < 0) {
        const int error = errno;
        struct stat st {};
        if (::lstat(r.constData(), &st) == 0 && !Ajeno(st).isEmpty()) Fallar(ruta, Ajeno(st));
        Fallar(ruta, Causa(error, ruta));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !Ajeno(st).isEmpty()) {
        const QString causa = Ajeno(st).isEmpty() ? Causa(errno, ruta) : Ajeno(st);
        ::close(fd);
        Fallar(ruta, causa);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

void EscribirTodo(int fd, const QByteArray& bytes, const QString& ruta) {
    const char* p = bytes.constData();
    qsizetype falta = bytes.size();
    while (falta > 0) {
        const ssize_t n = SistemaEscribir(fd, p, static_cast<size_t>(falta));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fallar(ruta, Causa(errno, ruta));
        }
        if (n == 0) Fallar(ruta, Causa(ENOSPC, ruta));
        p += n;
        falta -= n;
    }
}

void Cerrar(int fd, const QString& ruta, bool sincronizar) {
    int error = 0;
    if (sincronizar && SistemaSincronizar(fd) != 0 && errno != EINVAL && errno != EROFS) error = errno;
    if (SistemaCerrar(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    if (error) Fallar(ruta, Causa(error, ruta));
}

void AgregarEn(int fd, const QByteArray& bytes, const QString& ruta, bool sincronizar) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) Fallar(ruta, Causa(errno, ruta));
    try {
        EscribirTodo(fd, bytes, ruta);
        if (sincronizar && SistemaSincronizar(fd) != 0 && errno != EINVAL && errno != EROFS)
            Fallar(ruta, Causa(errno, ruta));
    } catch (...) {
        // Lo que llegó a escribirse se quita: el archivo queda como estaba, como dice la falla. Si
        // ni eso se puede, queda lo escrito (la falla ya se dice igual).
        if (SistemaTruncar(fd, st.st_size) == 0) SistemaSincronizar(fd);
        throw;
    }
}

void Agregar(const QString& ruta, const QByteArray& bytes, mode_t modo) {
    const int fd = AbrirParaAgregar(ruta, modo);
    try {
        AgregarEn(fd, bytes, ruta, true);
    } catch (...) {
        ::close(fd);
        throw;
    }
    // Lo agregado ya pasó a disco: un cierre que falla no lo deshace, y decir que falló haría
    // repetir una línea que está.
    SistemaCerrar(fd);
}

void Reemplazar(const QString& ruta, const QByteArray& bytes, mode_t modo) {
    Nuevo archivo(ruta, modo);
    archivo.escribir(bytes);
    archivo.terminar();
}

void ComprobarReemplazable(const QString& ruta) {
    struct stat st {};
    if (::lstat(QFile::encodeName(ruta).constData(), &st) != 0) return;  // no existe: se crea
    const QString causa = Ajeno(st);
    if (!causa.isEmpty()) Fallar(ruta, causa);
}

Nuevo::Nuevo(const QString& ruta, mode_t modo) : ruta_(ruta) {
    ComprobarReemplazable(ruta_);
    const QFileInfo info(ruta_);
    for (int intento = 0; intento < 100; ++intento) {
        temporal_ =
            info.absolutePath() + QStringLiteral("/.") + info.fileName() +
            QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        fd_ = SistemaAbrir(QFile::encodeName(temporal_).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, modo);
        if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int error = errno;
        temporal_.clear();
        Fallar(ruta_, Causa(error, info.absolutePath()));
    }
}

Nuevo::~Nuevo() { descartar(); }

void Nuevo::descartar() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporal_.isEmpty()) ::unlink(QFile::encodeName(temporal_).constData());
    temporal_.clear();
}

void Nuevo::fallar(int error) {
    descartar();
    Fallar(ruta_, Causa(error, ruta_));
}

void Nuevo::vaciar() {
    if (fd_ < 0) Fallar(ruta_, QStringLiteral("el archivo ya no está abierto"));
    try {
        EscribirTodo(fd_, pendiente_, ruta_);
    } catch (...) {
        descartar();
        throw;
    }
    pendiente_.clear();
}

void Nuevo::escribir(const QByteArray& bytes) {
    pendiente_ += bytes;
    if (pendiente_.size() >= kTrozo) vaciar();
}

void Nuevo::terminar() {
    vaciar();
    if (SistemaSincronizar(fd_) != 0) fallar(errno);
    const int cerrado = SistemaCerrar(fd_);
    fd_ = -1;
    if (cerrado != 0 && errno != EINTR) fallar(errno);
    // El destino se mira de nuevo justo antes: un enlace puesto mientras tanto tampoco se sigue
    // (rename reemplaza la entrada, nunca escribe donde apunta).
    try {
        ComprobarReemplazable(ruta_);
    } catch (...) {
        descartar();
        throw;
    }
    if (SistemaRenombrar(QFile::encodeName(temporal_).constData(), QFile::encodeName(ruta_).constData()) != 0)
        fallar(errno);
    temporal_.clear();
    // El nombre nuevo también pasa a disco.
    const int carpeta = ::open(QFile::encodeName(QFileInfo(ruta_).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (carpeta >= 0) {
        ::fsync(carpeta);
        ::close(carpeta);
    }
}

}  // namespace ArchivoPropio
