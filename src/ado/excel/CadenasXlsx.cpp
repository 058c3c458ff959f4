#include "ado/excel/CadenasXlsx.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "ado/excel/XmlXlsx.h"
#include "ado/excel/ZipXlsx.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Regional.h"

namespace {
constexpr int kTrozo = 64 * 1024;
constexpr std::size_t kMaximoValor = 1 << 20;
}  // namespace

struct CadenasXlsx::Estado {
    QString& letras;
    std::vector<quint32>& inicios;
    XML_Parser parser = nullptr;
    bool terminado = false;
    bool enCadena = false;
    int fonetica = 0;
    bool capturando = false;
    bool larga = false;  // la cadena en curso pasa de kMaximoValor
    std::string actual;
    std::vector<qint64> largas;  // las cadenas que pasan de kMaximoValor, en orden (se guardan vacías)

    qint64 maximo;
    qint64 maximoCadenas;
    bool excedida = false;  // la parte pide más memoria que maximo, o más cadenas que maximoCadenas

    Estado(QString& l, std::vector<quint32>& i, qint64 m, qint64 c)
        : letras(l), inicios(i), maximo(m), maximoCadenas(c) {}

    void abre(const char* n) {
        if (std::strcmp(n, "si") == 0) {
            enCadena = true;
            fonetica = 0;
            larga = false;
            actual.clear();
        } else if (!enCadena) {
            return;
        } else if (std::strcmp(n, "rPh") == 0) {
            ++fonetica;
        } else if (std::strcmp(n, "t") == 0 && fonetica == 0) {
            capturando = true;
        }
    }
    void cierra(const char* n) {
        if (!enCadena) return;
        if (std::strcmp(n, "si") == 0) {
            enCadena = capturando = false;
            if (excedida) return;
            // La memoria se cuenta por lo reservado, antes de reservar más: ni un momento pasa de
            // la cota (una copia al crecer tampoco).
            if (inicios.size() == inicios.capacity()) {
                const auto tope = static_cast<std::size_t>(maximoCadenas) + 1;  // y el comienzo de la primera
                if (inicios.size() >= tope) return detener();
                const auto proxima = std::min(tope, std::max<std::size_t>(1024, inicios.capacity() * 2));
                if (static_cast<qint64>(proxima) * 4 + letras.capacity() * 2 > maximo) return detener();
                inicios.reserve(proxima);
            }
            if (larga) {
                largas.push_back(static_cast<qint64>(inicios.size()) - 1);
                actual.clear();
            }
            const QString texto = TextoXlsx(actual);
            if (letras.size() + texto.size() > letras.capacity()) {
                const qsizetype proxima =
                    std::max<qsizetype>(letras.size() + texto.size(), letras.capacity() * 2);
                if (static_cast<qint64>(proxima) * 2 + static_cast<qint64>(inicios.capacity()) * 4 > maximo)
                    return detener();
                letras.reserve(proxima);
            }
            letras += texto;
            inicios.push_back(static_cast<quint32>(letras.size()));
        } else if (std::strcmp(n, "t") == 0) {
            capturando = false;
        } else if (std::strcmp(n, "rPh") == 0 && fonetica > 0) {
            --fonetica;
        }
    }
    void detener() {
        // Un manejador de expat no lanza: se detiene y cadena() informa.
        excedida = true;
        XML_StopParser(parser, XML_FALSE);
    }
    void texto(const char* s, int n) {
        if (!capturando || larga) return;
        if (actual.size() + static_cast<std::size_t>(n) > kMaximoValor) {
            larga = true;  // no se recorta: la celda que la pida es la que falla
            return;
        }
        actual.append(s, static_cast<std::size_t>(n));
    }
};

namespace {
void XMLCALL Abre(void* d, const XML_Char* n, const XML_Char**) {
    static_cast<CadenasXlsx::Estado*>(d)->abre(NombreLocal(n));
}
void XMLCALL Cierra(void* d, const XML_Char* n) {
    static_cast<CadenasXlsx::Estado*>(d)->cierra(NombreLocal(n));
}
void XMLCALL Texto(void* d, const XML_Char* s, int n) { static_cast<CadenasXlsx::Estado*>(d)->texto(s, n); }
}  // namespace

CadenasXlsx::CadenasXlsx(std::unique_ptr<FlujoBytes> flujo, QString libro, QString parte,
                         qint64 maximoMemoria, qint64 maximoCadenas)
    : flujo_(std::move(flujo)),
      libro_(std::move(libro)),
      parte_(std::move(parte)),
      inicios_{0},
      e_(new Estado(letras_, inicios_, maximoMemoria, maximoCadenas)) {
    e_->parser = XML_ParserCreate(nullptr);
    if (!e_->parser) {
        delete e_;
        throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("No hay memoria para leer el libro."));
    }
    XML_SetUserData(e_->parser, e_);
    XML_SetElementHandler(e_->parser, Abre, Cierra);
    XML_SetCharacterDataHandler(e_->parser, Texto);
}

CadenasXlsx::~CadenasXlsx() {
    XML_ParserFree(e_->parser);
    delete e_;
}

QString CadenasXlsx::descripcionExcedida() const {
    return DescripcionLibro(
        libro_, QStringLiteral("está dañado: la parte \"%1\" de cadenas compartidas pasa de %2 MiB en "
                               "memoria o de %3 cadenas (%4 cadenas leídas)")
                    .arg(parte_)
                    .arg(QString::number(static_cast<double>(e_->maximo) / (1 << 20), 'g', 3))
                    .arg(Regional::TextoMiles(e_->maximoCadenas))
                    .arg(Regional::TextoMiles(leidas())));
}

QString CadenasXlsx::cadena(qint64 i) {
    while (i >= leidas() && !e_->terminado) {
        void* destino = XML_GetBuffer(e_->parser, kTrozo);
        if (!destino)
            throw ErrorEjecucion(Errores::ProveedorFallo,
                                 QStringLiteral("No hay memoria para leer el libro."));
        int n;
        try {
            n = flujo_->leer(static_cast<char*>(destino), kTrozo);
        } catch (...) {
            e_->terminado = true;
            throw;
        }
        if (n == 0) e_->terminado = true;
        if (XML_ParseBuffer(e_->parser, n, n == 0 ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
            e_->terminado = true;
            // Las cadenas leídas antes de la cota se siguen dando; la falla es para las que siguen.
            if (e_->excedida) break;
            const QString causa =
                QStringLiteral("está dañado: la parte \"%1\" no es XML válido (línea %2: %3)")
                    .arg(parte_)
                    .arg(XML_GetCurrentLineNumber(e_->parser))
                    .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(e_->parser))));
            throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionLibro(libro_, causa),
                                 QStringLiteral("Proveedor de Excel"));
        }
    }
    if (e_->excedida && i >= leidas()) {
        throw ErrorEjecucion(Errores::ProveedorFallo, descripcionExcedida(),
                             QStringLiteral("Proveedor de Excel"));
    }
    if (i < 0 || i >= leidas()) {
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            DescripcionLibro(libro_, QStringLiteral("está dañado: una celda pide la cadena compartida %1 "
                                                    "y la parte \"%2\" tiene %3")
                                         .arg(i)
                                         .arg(parte_)
                                         .arg(leidas())),
            QStringLiteral("Proveedor de Excel"));
    }
    if (std::binary_search(e_->largas.begin(), e_->largas.end(), i)) {
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            DescripcionLibro(libro_, QStringLiteral("está dañado: la cadena compartida %1 de la "
                                                    "parte \"%2\" pasa de %3 MiB de texto, lo "
                                                    "más que admite una celda")
                                         .arg(i)
                                         .arg(parte_)
                                         .arg(kMaximoValor >> 20)),
            QStringLiteral("Proveedor de Excel"));
    }
    const auto k = static_cast<std::size_t>(i);
    return letras_.mid(inicios_[k], inicios_[k + 1] - inicios_[k]);
}
