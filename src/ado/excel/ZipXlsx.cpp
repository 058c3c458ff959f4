#include "ado/excel/ZipXlsx.h"

#include <minizip/unzip.h>

#include <QFile>

#include "platform/ErrorEjecucion.h"

namespace {
const QString kOrigen = QStringLiteral("Proveedor de Excel");

[[noreturn]] void Fallar(const QString& ruta, const QString& causa) {
    throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionLibro(ruta, causa), kOrigen);
}

unzFile AbrirZip(const QString& ruta) { return unzOpen64(QFile::encodeName(ruta).constData()); }

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

// Una parte abierta de un zip propio, leída por trozos.
class FlujoZip : public FlujoBytes {
  public:
    FlujoZip(const QString& ruta, const QString& parte) : ruta_(ruta), parte_(parte) {
        zip_ = AbrirZip(ruta);
        if (!zip_)
            Fallar(ruta, QStringLiteral("no se pudo abrir de nuevo para leer la parte \"%1\"").arg(parte));
        if (!Situar(zip_, parte)) {
            unzClose(zip_);
            Fallar(ruta, QStringLiteral("no tiene la parte \"%1\"").arg(parte));
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
};
}  // namespace

QString DescripcionLibro(const QString& ruta, const QString& causa) {
    return QStringLiteral("El libro de Excel \"%1\" %2.").arg(ruta, causa);
}

ZipXlsx::ZipXlsx(QString ruta) : ruta_(std::move(ruta)) {
    zip_ = AbrirZip(ruta_);
    if (!zip_) {
        Fallar(ruta_, QStringLiteral(
                          "no es un libro .xlsx válido: no es un zip o está truncado (falta su directorio "
                          "final)"));
    }
}

ZipXlsx::~ZipXlsx() {
    if (zip_) unzClose(static_cast<unzFile>(zip_));
}

bool ZipXlsx::contiene(const QString& parte) const { return Situar(static_cast<unzFile>(zip_), parte); }

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
    return std::make_unique<FlujoZip>(ruta_, parte);
}
