#include "ado/CodigoPagina.h"

#include "platform/Cp1252.h"

namespace {
// Nombre ICU de cada página que no es 1252 ni UTF-8.
const char* NombrePagina(int pagina) {
    switch (pagina) {
        case 437:
            return "IBM437";
        case 737:
            return "IBM737";
        case 850:
            return "IBM850";
        case 852:
            return "IBM852";
        case 857:
            return "IBM857";
        case 860:
            return "IBM860";
        case 861:
            return "IBM861";
        case 863:
            return "IBM863";
        case 865:
            return "IBM865";
        case 866:
            return "IBM866";
        case 874:
            return "windows-874";
        case 932:
            return "Shift_JIS";
        case 936:
            return "GBK";
        case 949:
            return "EUC-KR";
        case 950:
            return "Big5";
        case 1250:
            return "windows-1250";
        case 1251:
            return "windows-1251";
        case 1253:
            return "windows-1253";
        case 1254:
            return "windows-1254";
        case 1255:
            return "windows-1255";
        case 1256:
            return "windows-1256";
        case 1257:
            return "windows-1257";
        case 10000:
            return "macintosh";
        case 10007:
            return "x-mac-cyrillic";
        case 28591:
            return "ISO-8859-1";
        default:
            return nullptr;
    }
}
}  // namespace

DecodificadorTexto::DecodificadorTexto(int codigoPagina) : pagina_(codigoPagina) {
    if (pagina_ == 65001 || pagina_ == 1252) return;
    const char* nombre = NombrePagina(pagina_);
    if (nombre) {
        decodificador_ = std::make_unique<QStringDecoder>(nombre, QStringDecoder::Flag::Stateless);
        if (decodificador_->isValid()) return;
        decodificador_.reset();
    }
    pagina_ = 1252;
}

QString DecodificadorTexto::decodificar(QByteArrayView bytes) {
    invalido_ = false;
    if (pagina_ == 65001) {
        invalido_ = !EsUtf8Valido(bytes, true);
        return QString::fromUtf8(bytes);
    }
    if (!decodificador_) return Cp1252::Decodificar(bytes);
    QString texto = decodificador_->decode(bytes);
    invalido_ = decodificador_->hasError();
    decodificador_->resetState();
    return texto;
}

void DecodificadorTexto::decodificar(QByteArrayView bytes, QString& destino) {
    if (!decodificador_) {
        // UTF-8 o 1252: lo común es ASCII, igual en las dos, y se copia ensanchando.
        const qsizetype n = bytes.size();
        destino.resize(n);
        char16_t* d = reinterpret_cast<char16_t*>(destino.data());
        const auto* o = reinterpret_cast<const unsigned char*>(bytes.data());
        unsigned char altos = 0;
        for (qsizetype i = 0; i < n; ++i) {
            d[i] = o[i];
            altos |= o[i];
        }
        if (altos < 0x80) {
            invalido_ = false;
            return;
        }
    }
    destino = decodificar(bytes);
}

bool EsUtf8Valido(QByteArrayView bytes, bool final) {
    ValidadorUtf8 v;
    for (const char c : bytes) {
        if (!v.byte(static_cast<unsigned char>(c))) return false;
    }
    return !final || !v.aMedias();  // sin final, una secuencia cortada por el sondeo se admite
}

int CodigoPaginaDbf(unsigned char marca) {
    switch (marca) {
        case 0x01:
        case 0x09:
        case 0x0B:
        case 0x0D:
        case 0x0F:
        case 0x11:
        case 0x15:
        case 0x18:
        case 0x19:
        case 0x1B:
            return 437;
        case 0x02:
        case 0x0A:
        case 0x0E:
        case 0x10:
        case 0x12:
        case 0x14:
        case 0x16:
        case 0x1A:
        case 0x1D:
        case 0x25:
        case 0x37:
            return 850;
        case 0x03:
        case 0x57:
        case 0x58:
        case 0x59:
            return 1252;
        case 0x04:
            return 10000;
        case 0x08:
        case 0x17:
        case 0x66:
            return 865;
        case 0x13:
        case 0x7B:
            return 932;
        case 0x1C:
        case 0x6C:
            return 863;
        case 0x1F:
        case 0x22:
        case 0x23:
        case 0x40:
        case 0x64:
        case 0x87:
            return 852;
        case 0x24:
            return 860;
        case 0x26:
        case 0x65:
            return 866;
        case 0x4D:
        case 0x7A:
            return 936;
        case 0x4E:
        case 0x79:
            return 949;
        case 0x4F:
        case 0x78:
            return 950;
        case 0x50:
        case 0x7C:
            return 874;
        case 0x67:
            return 861;
        case 0x6A:
        case 0x86:
            return 737;
        case 0x6B:
        case 0x88:
            return 857;
        case 0x7D:
            return 1255;
        case 0x7E:
            return 1256;
        case 0x96:
            return 10007;
        case 0xC8:
            return 1250;
        case 0xC9:
            return 1251;
        case 0xCA:
            return 1254;
        case 0xCB:
            return 1253;
        case 0xCC:
            return 1257;
        default:
            return 1252;
    }
}
