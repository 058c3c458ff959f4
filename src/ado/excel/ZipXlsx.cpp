#include "ado/excel/ZipXlsx.h"

#include <fcntl.h>
#include <minizip/unzip.h>
#include <unistd.h>

#include <QFile>
#include <QHash>
#include <cerrno>

#include "platform/ErrorEjecucion.h"

namespace {
const QString kOrigen = QStringLiteral("Proveedor de Excel");

[[noreturn]] void Fallar(const QString& ruta, const QString& causa) {
    throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionLibro(ruta, causa), kOrigen);
}

// Una posición de lectura sobre el descriptor compartido: minizip abre una por cada unzFile.
struct Cursor {
    int fd;
    qint64 pos = 0;
    int error = 0;
};

voidpf ZCALLBACK Abrir(voidpf opaco, const void*, int) { return new Cursor{*static_cast<int*>(opaco)}; }

uLong ZCALLBACK Leer(voidpf, voidpf flujo, void* destino, uLong largo) {
    auto* c = static_cast<Cursor*>(flujo);
    uLong hecho = 0;
    while (hecho < largo) {
        const ssize_t n = pread(c->fd, static_cast<char*>(destino) + hecho, largo - hecho, c->pos);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            c->error = errno;
            break;
        }
        if (n == 0) break;
        hecho += static_cast<uLong>(n);
        c->pos += n;
    }
    return hecho;
}

uLong ZCALLBACK Escribir(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK Posicion(voidpf, voidpf flujo) {
    return static_cast<ZPOS64_T>(static_cast<Cursor*>(flujo)->pos);
}

long ZCALLBACK Situarse(voidpf, voidpf flujo, ZPOS64_T desplazamiento, int origen) {
    auto* c = static_cast<Cursor*>(flujo);
    qint64 base = 0;
    if (origen == ZLIB_FILEFUNC_SEEK_CUR) {
        base = c->pos;
    } else if (origen == ZLIB_FILEFUNC_SEEK_END) {
        const off_t fin = lseek(c->fd, 0, SEEK_END);
        if (fin < 0) return -1;
        base = fin;
    }
    c->pos = base + static_cast<qint64>(desplazamiento);
    return 0;
}

int ZCALLBACK Cerrar(voidpf, voidpf flujo) {
    delete static_cast<Cursor*>(flujo);
    return 0;
}

int ZCALLBACK Error(voidpf, voidpf flujo) { return static_cast<Cursor*>(flujo)->error; }

// Sitúa el zip en la parte; algunos programas escriben las carpetas con "\".
bool Situar(unzFile zip, const QString& parte) {
    const QByteArray nombre = parte.toUtf8();
    if (unzLocateFile(zip, nombre.constData(), 2) == UNZ_OK) return true;
    QByteArray invertido = nombre;
    invertido.replace('/', '\\');
    return unzLocateFile(zip, invertido.constData(), 2) == UNZ_OK;
}

QString CausaZip(int codigo) {
    switch (codigo) {
        case UNZ_CRCERROR:
            return QStringLiteral("la suma de control no coincide");
        case UNZ_BADZIPFILE:
            return QStringLiteral("la estructura del zip está dañada");
        case UNZ_ERRNO:
            return QStringLiteral("falló la lectura del archivo");
        default:
            return QStringLiteral("los datos comprimidos están dañados o truncados (código %1)").arg(codigo);
    }
}

// Un paquete en el que dos entradas se llaman igual, o igual salvo mayúsculas (o "\\" por "/"), es
// ambiguo: cada programa lee la que encuentra primero, y lo que se importa no sería lo que muestra
// otro. No se lee; la falla nombra las dos entradas.
void ExigirNombresUnicos(unzFile zip, const QString& ruta) {
    QHash<QString, QString> vistas;
    char nombre[4096];
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, nombre, sizeof nombre, nullptr, 0, nullptr, 0) != UNZ_OK)
            Fallar(ruta, QStringLiteral("está dañado: no se puede leer su lista de partes"));
        const QString parte =
            QString::fromUtf8(nombre, static_cast<qsizetype>(qstrnlen(nombre, sizeof nombre)));
        const QString clave = QString(parte).replace(u'\\', u'/').toCaseFolded();
        const auto otra = vistas.constFind(clave);
        if (otra != vistas.constEnd()) {
            Fallar(ruta,
                   *otra == parte
                       ? QStringLiteral("está dañado: el zip tiene dos veces la parte \"%1\"").arg(parte)
                       : QStringLiteral("está dañado: el zip tiene las partes \"%1\" y \"%2\", que sólo "
                                        "difieren en mayúsculas")
                             .arg(*otra, parte));
        }
        vistas.insert(clave, parte);
    }
}

QString DemasiadoGrande(const QString& parte) {
    return QStringLiteral("tiene una parte \"%1\" demasiado grande: pasa de %2 MiB descomprimida")
        .arg(parte)
        .arg(ZipXlsx::kMaximoParte / (1024 * 1024));
}
}  // namespace

struct ZipXlsx::Archivo {
    int fd = -1;
    std::optional<HuellaArchivo> huella;
    zlib_filefunc64_def funciones{};

    unzFile abrirZip() { return unzOpen2_64("", &funciones); }
};

namespace {
// Una parte abierta de un zip propio, leída por trozos.
class FlujoZip : public FlujoBytes {
  public:
    FlujoZip(ZipXlsx::Archivo& archivo, const QString& ruta, const QString& parte)
        : ruta_(ruta), parte_(parte) {
        zip_ = archivo.abrirZip();
        if (!zip_)
            Fallar(ruta, QStringLiteral("no se pudo abrir de nuevo para leer la parte \"%1\"").arg(parte));
        if (!Situar(zip_, parte)) {
            unzClose(zip_);
            Fallar(ruta, QStringLiteral("no tiene la parte \"%1\"").arg(parte));
        }
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK &&
            info.uncompressed_size > static_cast<ZPOS64_T>(ZipXlsx::kMaximoParte)) {
            unzClose(zip_);
            Fallar(ruta, DemasiadoGrande(parte));
        }
        const int r = unzOpenCurrentFile(zip_);
        if (r != UNZ_OK) {
            unzClose(zip_);
            Fallar(ruta, QStringLiteral("no deja leer la parte \"%1\": %2").arg(parte, CausaZip(r)));
        }
    }
    ~FlujoZip() override {
        if (abierta_) unzCloseCurrentFile(zip_);
        unzClose(zip_);
    }
    int leer(char* destino, int maximo) override {
        if (!abierta_) return 0;
        const int n = unzReadCurrentFile(zip_, destino, static_cast<unsigned>(maximo));
        if (n < 0)
            Fallar(ruta_, QStringLiteral("está dañado: en la parte \"%1\" %2").arg(parte_, CausaZip(n)));
        leidos_ += n;
        if (leidos_ > ZipXlsx::kMaximoParte) Fallar(ruta_, DemasiadoGrande(parte_));
        if (n == 0) {
            // Al final, cerrar la parte compara la suma de control de lo leído.
            abierta_ = false;
            const int r = unzCloseCurrentFile(zip_);
            if (r != UNZ_OK) {
                Fallar(ruta_, QStringLiteral("está dañado: en la parte \"%1\" %2").arg(parte_, CausaZip(r)));
            }
        }
        return n;
    }

  private:
    QString ruta_;
    QString parte_;
    unzFile zip_ = nullptr;
    bool abierta_ = true;
    qint64 leidos_ = 0;
};
}  // namespace

QString DescripcionLibro(const QString& ruta, const QString& causa) {
    return QStringLiteral("El libro de Excel \"%1\" %2.").arg(ruta, causa);
}

ZipXlsx::ZipXlsx(QString ruta) : ruta_(std::move(ruta)), archivo_(std::make_unique<Archivo>()) {
    archivo_->fd = ::open(QFile::encodeName(ruta_).constData(), O_RDONLY | O_CLOEXEC);
    if (archivo_->fd < 0) {
        Fallar(ruta_, QStringLiteral("no se puede abrir: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    archivo_->huella = HuellaArchivo::DeDescriptor(archivo_->fd);
    zlib_filefunc64_def& f = archivo_->funciones;
    f.zopen64_file = Abrir;
    f.zread_file = Leer;
    f.zwrite_file = Escribir;
    f.ztell64_file = Posicion;
    f.zseek64_file = Situarse;
    f.zclose_file = Cerrar;
    f.zerror_file = Error;
    f.opaque = &archivo_->fd;
    zip_ = archivo_->abrirZip();
    if (!zip_) {
        ::close(archivo_->fd);
        Fallar(ruta_, QStringLiteral(
                          "no es un libro .xlsx válido: no es un zip o está truncado (falta su directorio "
                          "final)"));
    }
    try {
        ExigirNombresUnicos(static_cast<unzFile>(zip_), ruta_);
    } catch (...) {
        unzClose(static_cast<unzFile>(zip_));
        zip_ = nullptr;
        ::close(archivo_->fd);
        archivo_->fd = -1;
        throw;
    }
}

ZipXlsx::~ZipXlsx() {
    if (zip_) unzClose(static_cast<unzFile>(zip_));
    if (archivo_->fd >= 0) ::close(archivo_->fd);
}

bool ZipXlsx::contiene(const QString& parte) const { return Situar(static_cast<unzFile>(zip_), parte); }

bool ZipXlsx::cambio() const { return HuellaArchivo::DeDescriptor(archivo_->fd) != archivo_->huella; }

QByteArray ZipXlsx::leer(const QString& parte, qint64 maximo) const {
    auto flujo = abrirFlujo(parte);
    QByteArray bytes;
    char trozo[65536];
    for (;;) {
        const int n = flujo->leer(trozo, sizeof trozo);
        if (n == 0) break;
        bytes.append(trozo, n);
        if (bytes.size() > maximo)
            Fallar(ruta_, QStringLiteral("tiene una parte \"%1\" demasiado grande").arg(parte));
    }
    return bytes;
}

std::unique_ptr<FlujoBytes> ZipXlsx::abrirFlujo(const QString& parte) const {
    return std::make_unique<FlujoZip>(*archivo_, ruta_, parte);
}
