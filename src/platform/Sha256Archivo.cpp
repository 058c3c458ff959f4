#include "platform/Sha256Archivo.h"

#include <openssl/evp.h>

#include <QFile>
#include <memory>
#include <vector>

std::optional<QString> Sha256DeArchivo(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
    std::vector<char> trozo(1 << 20);
    for (;;) {
        const qint64 leidos = f.read(trozo.data(), static_cast<qint64>(trozo.size()));
        if (leidos < 0) return std::nullopt;
        if (leidos == 0) break;
        if (EVP_DigestUpdate(ctx.get(), trozo.data(), static_cast<size_t>(leidos)) != 1) return std::nullopt;
    }
    unsigned char huella[EVP_MAX_MD_SIZE];
    unsigned int largo = 0;
    if (EVP_DigestFinal_ex(ctx.get(), huella, &largo) != 1) return std::nullopt;
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(huella), static_cast<int>(largo)).toHex());
}
