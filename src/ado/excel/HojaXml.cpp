#include "ado/excel/HojaXml.h"

#include <expat.h>

#include <charconv>
#include <cstring>

#include "ado/excel/XmlXlsx.h"
#include "ado/excel/ZipXlsx.h"
#include "platform/ErrorEjecucion.h"

namespace {
constexpr int kTrozo = 64 * 1024;
using namespace CotasHoja;
}  // namespace

int CotasHoja::ColumnaDeReferencia(const char* r) {
    int columna = 0, letras = 0;
    for (; *r; ++r) {
        char c = *r;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        if (++letras > 3) return -2;
        columna = columna * 26 + (c - 'A' + 1);
    }
    if (letras == 0) return -1;
    if (columna - 1 > kMaximaColumna) return -2;
    return columna - 1;
}

QString CotasHoja::ReferenciaCelda(int columna, qint64 fila) {
    QString letras;
    for (int c = columna + 1; c > 0; c = (c - 1) / 26) letras.prepend(QChar(u'A' + (c - 1) % 26));
    return letras + QString::number(fila);
}

QString CotasHoja::CausaCeldaLarga(int columna, qint64 fila) {
    const QString ref = ReferenciaCelda(columna, fila);
    return QStringLiteral(
               "la celda %1 (fila %2, columna %3) pasa de %4 MiB de texto, lo más que admite una "
               "celda")
        .arg(ref)
        .arg(fila)
        .arg(ref.left(ref.size() - QString::number(fila).size()))
        .arg(kMaximoValor >> 20);
}

QString CotasHoja::CausaNumeroFila(const char* r, qint64 anterior, qint64* numero) {
    if (!r) {
        *numero = anterior + 1;
        return {};
    }
    const qint64 n = Entero(r, -1);
    *numero = n;
    if (n < 1)
        return QStringLiteral("una fila tiene el número \"%1\" (las filas se numeran desde 1)")
            .arg(QString::fromUtf8(r).left(40));
    if (n <= anterior)
        return QStringLiteral("la fila %1 viene después de la fila %2 (las filas van en orden creciente)")
            .arg(n)
            .arg(anterior);
    return {};
}

qint64 CotasHoja::Entero(const char* texto, qint64 defecto) {
    if (!texto) return defecto;
    qint64 v = 0;
    const char* fin = texto + std::strlen(texto);
    const auto r = std::from_chars(texto, fin, v);
    if (r.ec != std::errc() || r.ptr != fin) return defecto;
    return v;
}

qint64 CotasHoja::UltimaFilaDeRango(const char* rango) {
    if (!rango) return -1;
    const char* dos = std::strchr(rango, ':');
    const char* celda = dos ? dos + 1 : rango;
    if (*celda == '$') ++celda;
    if (ColumnaDeReferencia(celda) < 0) return -1;
    while ((*celda >= 'A' && *celda <= 'Z') || (*celda >= 'a' && *celda <= 'z')) ++celda;
    if (*celda == '$') ++celda;
    const qint64 fila = Entero(celda, -1);
    return fila >= 1 && fila <= kMaximaFila ? fila : -1;
}

struct HojaXml::Estado {
    FlujoBytes& flujo;
    QString libro;
    QString parte;
    XML_Parser parser = nullptr;
    bool suspendido = false;
    bool ultimoTrozo = false;
    bool terminado = false;
    bool filaLista = false;

    int profundidadDatos = 0;  // dentro de <sheetData>
    bool enFila = false;
    bool enCelda = false;
    bool enLinea = false;  // dentro de <is>
    int fonetica = 0;      // dentro de <rPh>: su texto no es el valor
    bool capturando = false;
    qint64 ultimaFila = 0;
    int columnaSiguiente = 0;
    std::size_t textoFila = 0;
    FilaXml fila;
    QString danada;  // por qué la hoja está dañada (expat se detiene; siguiente() lanza)

    // Los manejadores de expat no lanzan (expat es C): anotan y detienen el análisis.
    void danar(const QString& causa) {
        if (danada.isEmpty()) danada = causa;
        XML_StopParser(parser, XML_FALSE);
    }

    Estado(FlujoBytes& f, QString l, QString p) : flujo(f), libro(std::move(l)), parte(std::move(p)) {}

    void abre(const char* nombre, const char** at) {
        if (!danada.isEmpty()) return;
        if (std::strcmp(nombre, "sheetData") == 0) {
            ++profundidadDatos;
        } else if (profundidadDatos == 0) {
            return;
        } else if (std::strcmp(nombre, "row") == 0) {
            qint64 n = 0;
            if (const QString causa = CausaNumeroFila(Atributo(at, "r"), ultimaFila, &n); !causa.isEmpty()) {
                danar(causa);
                return;
            }
            if (n > kMaximaFila) {
                const char* r = Atributo(at, "r");
                danar(QStringLiteral("la fila %1 pasa de la última que puede tener una hoja (%2)")
                          .arg(r ? QString::fromUtf8(r) : QString::number(n))
                          .arg(kMaximaFila));
                return;
            }
            ultimaFila = n;
            fila.numero = n;
            fila.celdas.clear();
            columnaSiguiente = 0;
            textoFila = 0;
            enFila = true;
        } else if (enFila && std::strcmp(nombre, "c") == 0) {
            CeldaXml c;
            const char* r = Atributo(at, "r");
            const int col = r ? ColumnaDeReferencia(r) : -1;
            c.columna = col >= 0 ? col : columnaSiguiente;
            if (col == -2 || c.columna > kMaximaColumna ||
                fila.celdas.size() > static_cast<std::size_t>(kMaximaColumna)) {
                danar(
                    QStringLiteral("la fila %1 tiene una celda más allá de la última columna que puede tener "
                                   "una hoja (XFD, la %2)")
                        .arg(fila.numero)
                        .arg(kMaximaColumna + 1));
                return;
            }
            columnaSiguiente = c.columna + 1;
            const char* t = Atributo(at, "t");
            if (t) {
                if (std::strcmp(t, "s") == 0)
                    c.tipo = 's';
                else if (std::strcmp(t, "inlineStr") == 0)
                    c.tipo = 'i';
                else if (std::strcmp(t, "str") == 0)
                    c.tipo = 't';
                else if (std::strcmp(t, "b") == 0)
                    c.tipo = 'b';
                else if (std::strcmp(t, "e") == 0)
                    c.tipo = 'e';
                else if (std::strcmp(t, "d") == 0)
                    c.tipo = 'd';
            }
            const qint64 s = Entero(Atributo(at, "s"), 0);
            c.estilo = (s >= 0 && s < (1 << 20)) ? static_cast<int>(s) : 0;
            fila.celdas.push_back(std::move(c));
            enCelda = true;
        } else if (enCelda) {
            if (std::strcmp(nombre, "v") == 0 && !enLinea) {
                capturando = true;
            } else if (std::strcmp(nombre, "is") == 0) {
                enLinea = true;
            } else if (std::strcmp(nombre, "rPh") == 0) {
                ++fonetica;
            } else if (enLinea && fonetica == 0 && std::strcmp(nombre, "t") == 0) {
                capturando = true;
            }
        }
    }

    void cierra(const char* nombre) {
        if (profundidadDatos == 0 || !danada.isEmpty()) return;
        if (std::strcmp(nombre, "sheetData") == 0) {
            --profundidadDatos;
        } else if (enCelda && std::strcmp(nombre, "c") == 0) {
            enCelda = enLinea = capturando = false;
            fonetica = 0;
        } else if (enFila && std::strcmp(nombre, "row") == 0) {
            enFila = enCelda = enLinea = capturando = false;
            fonetica = 0;
            filaLista = true;
            // La fila está completa: expat se detiene aquí y sigue en la próxima llamada.
            XML_StopParser(parser, XML_TRUE);
        } else if (std::strcmp(nombre, "v") == 0 || std::strcmp(nombre, "t") == 0) {
            capturando = false;
        } else if (std::strcmp(nombre, "rPh") == 0 && fonetica > 0) {
            --fonetica;
        }
    }

    void texto(const char* s, int n) {
        if (!capturando || fila.celdas.empty()) return;
        std::string& v = fila.celdas.back().valor;
        if (v.size() + static_cast<std::size_t>(n) > kMaximoValor) {
            danar(CausaCeldaLarga(fila.celdas.back().columna, fila.numero));
            return;
        }
        textoFila += static_cast<std::size_t>(n);
        if (textoFila > kMaximoTextoFila) {
            danar(QStringLiteral("la fila %1 pasa de %2 MiB de texto")
                      .arg(fila.numero)
                      .arg(kMaximoTextoFila >> 20));
            return;
        }
        v.append(s, static_cast<std::size_t>(n));
    }

    [[noreturn]] void fallarXml() {
        if (!danada.isEmpty()) {
            terminado = true;
            throw ErrorEjecucion(
                Errores::ProveedorFallo,
                DescripcionLibro(libro,
                                 QStringLiteral("está dañado: en la parte \"%1\" %2").arg(parte, danada)),
                QStringLiteral("Proveedor de Excel"));
        }
        const QString causa = QStringLiteral("está dañado: la parte \"%1\" no es XML válido (línea %2: %3)")
                                  .arg(parte)
                                  .arg(XML_GetCurrentLineNumber(parser))
                                  .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser))));
        terminado = true;
        throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionLibro(libro, causa),
                             QStringLiteral("Proveedor de Excel"));
    }
};

namespace {
void XMLCALL Abre(void* d, const XML_Char* n, const XML_Char** at) {
    static_cast<HojaXml::Estado*>(d)->abre(NombreLocal(n), at);
}
void XMLCALL Cierra(void* d, const XML_Char* n) { static_cast<HojaXml::Estado*>(d)->cierra(NombreLocal(n)); }
void XMLCALL Texto(void* d, const XML_Char* s, int n) { static_cast<HojaXml::Estado*>(d)->texto(s, n); }
}  // namespace

HojaXml::HojaXml(FlujoBytes& flujo, QString libro, QString parte)
    : e_(new Estado(flujo, std::move(libro), std::move(parte))) {
    e_->parser = XML_ParserCreate(nullptr);
    if (!e_->parser) {
        delete e_;
        throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("No hay memoria para leer la hoja."));
    }
    XML_SetUserData(e_->parser, e_);
    XML_SetElementHandler(e_->parser, Abre, Cierra);
    XML_SetCharacterDataHandler(e_->parser, Texto);
}

HojaXml::~HojaXml() {
    XML_ParserFree(e_->parser);
    delete e_;
}

bool HojaXml::siguiente(FilaXml& fila) {
    Estado& e = *e_;
    e.filaLista = false;
    while (!e.filaLista) {
        if (e.terminado) return false;
        XML_Status estado;
        if (e.suspendido) {
            e.suspendido = false;
            estado = XML_ResumeParser(e.parser);
        } else {
            void* destino = XML_GetBuffer(e.parser, kTrozo);
            if (!destino) e.fallarXml();
            int n;
            try {
                n = e.flujo.leer(static_cast<char*>(destino), kTrozo);
            } catch (...) {
                e.terminado = true;
                throw;
            }
            e.ultimoTrozo = n == 0;
            estado = XML_ParseBuffer(e.parser, n, e.ultimoTrozo ? XML_TRUE : XML_FALSE);
        }
        if (estado == XML_STATUS_ERROR) e.fallarXml();
        if (estado == XML_STATUS_SUSPENDED) {
            e.suspendido = true;
        } else if (e.ultimoTrozo) {
            e.terminado = true;
        }
    }
    std::swap(fila, e.fila);  // el vector de quien llama se reusa para la próxima fila
    return true;
}
