#include "ado/excel/HojaXmlRapida.h"

#include <expat.h>

#include <cstring>
#include <string_view>

#include "ado/excel/XmlXlsx.h"

namespace {

using namespace CotasHoja;

constexpr int kTrozo = 64 * 1024;
// Lo que hay antes de <sheetData> (columnas, vistas...) se guarda para revisar el final con expat;
// si es más que esto, la hoja va por HojaXml.
constexpr std::size_t kMaximoPrologo = 16u << 20;
// Una etiqueta (con sus atributos) más larga que esto va por HojaXml.
constexpr std::size_t kMaximaEtiqueta = 64 * 1024;

// El lector propio no decide: la hoja va por HojaXml desde el principio.
struct Volver {};

bool Blanco(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool InicioNombre(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}
bool LetraNombre(unsigned char c) {
    return InicioNombre(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

std::string_view Local(std::string_view nombre) {
    const std::size_t dos = nombre.rfind(':');
    return dos == std::string_view::npos ? nombre : nombre.substr(dos + 1);
}

// Un carácter que XML admite (Char de XML 1.0).
bool CaracterXml(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// Largo de la secuencia UTF-8 que empieza en p (un byte >= 0x80), si es válida y un carácter que
// XML admite; 0 si no.
int LargoUtf8(const unsigned char* p, const unsigned char* fin) {
    const unsigned char c = p[0];
    int n;
    char32_t v;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        v = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        v = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        v = c & 0x07;
    } else {
        return 0;
    }
    if (fin - p < n) return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        v = (v << 6) | (p[i] & 0x3F);
    }
    if ((n == 3 && v < 0x800) || (n == 4 && v < 0x10000)) return 0;  // forma larga
    if (v >= 0xD800 && v <= 0xDFFF) return 0;
    return CaracterXml(v) ? n : 0;
}

void AgregarUtf8(std::string& s, char32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Una entidad de XML ("lt", "#65", "#x41"...) como carácter; 0 si no es una que se conoce sin DTD.
char32_t Entidad(std::string_view e) {
    if (e == "lt") return '<';
    if (e == "gt") return '>';
    if (e == "amp") return '&';
    if (e == "quot") return '"';
    if (e == "apos") return '\'';
    if (e.size() < 2 || e[0] != '#') return 0;
    const bool hex = e[1] == 'x';
    std::string_view cifras = e.substr(hex ? 2 : 1);
    if (cifras.empty() || cifras.size() > 8) return 0;
    char32_t v = 0;
    for (const char c : cifras) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return 0;
        v = v * (hex ? 16 : 10) + static_cast<char32_t>(d);
        if (v > 0x10FFFF) return 0;
    }
    return CaracterXml(v) ? v : 0;
}

// Un parser de expat que se libera solo.
struct Expat {
    XML_Parser p = XML_ParserCreate(nullptr);
    ~Expat() {
        if (p) XML_ParserFree(p);
    }
};

}  // namespace

struct HojaXmlRapida::Lector {
    explicit Lector(FlujoBytes& f) : flujo(f) {}

    FlujoBytes& flujo;
    std::string buf;
    std::size_t pos = 0;
    bool finFlujo = false;
    std::string prologo;      // el documento hasta el final de la etiqueta <sheetData ...>
    std::string nombreDatos;  // el nombre de esa etiqueta, tal como está ("sheetData", "x:sheetData")
    qint64 ultimaFila = 0;
    std::size_t textoFila = 0;
    qint64 ultimaDeclarada = -1;  // la de <dimension>, si la hay y es un rango

    // Una etiqueta ya entera en buf: sus partes miran buf hasta la próxima lectura.
    struct Etiqueta {
        bool cierra = false;
        bool vacia = false;
        std::string_view nombre;
        std::vector<std::pair<std::string_view, std::string_view>> atributos;
        std::size_t inicio = 0;  // dónde empieza en buf
    };
    Etiqueta et;
    std::string nombreFila, nombreCelda, nombreHijo, nombreT;
    std::string valorAtributo;

    // Agrega un trozo del flujo a buf (soltando lo ya leído). false al final.
    bool leerMas() {
        if (finFlujo) return false;
        if (pos > 0) {
            buf.erase(0, pos);
            if (et.inicio >= pos) et.inicio -= pos;
            pos = 0;
        }
        const std::size_t antes = buf.size();
        buf.resize(antes + kTrozo);
        const int n = flujo.leer(buf.data() + antes, kTrozo);
        buf.resize(antes + static_cast<std::size_t>(n));
        if (n == 0) finFlujo = true;
        return n > 0;
    }

    // Expat lee hasta la etiqueta de <sheetData>, que tiene que abrir un contenido.
    void empezar() {
        struct Busqueda {
            XML_Parser p = nullptr;
            bool hallada = false;
            long long fin = 0;
            std::string nombre;
            bool otraCodificacion = false;
            qint64& ultimaDeclarada;
        };
        Expat x;
        if (!x.p) throw Volver{};
        Busqueda b{.ultimaDeclarada = ultimaDeclarada};
        b.p = x.p;
        XML_SetUserData(x.p, &b);
        XML_SetXmlDeclHandler(x.p, [](void* d, const XML_Char*, const XML_Char* codificacion, int) {
            auto* b = static_cast<Busqueda*>(d);
            if (codificacion && std::strcmp(codificacion, "UTF-8") != 0 &&
                std::strcmp(codificacion, "utf-8") != 0)
                b->otraCodificacion = true;
        });
        XML_SetStartElementHandler(x.p, [](void* d, const XML_Char* n, const XML_Char** atributos) {
            auto* b = static_cast<Busqueda*>(d);
            if (std::strcmp(NombreLocal(n), "dimension") == 0) {
                b->ultimaDeclarada = UltimaFilaDeRango(Atributo(atributos, "ref"));
                return;
            }
            if (std::strcmp(NombreLocal(n), "sheetData") != 0) return;
            b->hallada = true;
            b->nombre = n;
            b->fin = XML_GetCurrentByteIndex(b->p) + XML_GetCurrentByteCount(b->p);
            XML_StopParser(b->p, XML_TRUE);
        });
        for (;;) {
            if (prologo.size() > kMaximoPrologo) throw Volver{};
            const std::size_t antes = prologo.size();
            prologo.resize(antes + kTrozo);
            const int n = flujo.leer(prologo.data() + antes, kTrozo);
            prologo.resize(antes + static_cast<std::size_t>(n));
            if (antes == 0 && n >= 2 &&
                (static_cast<unsigned char>(prologo[0]) == 0xFE ||
                 static_cast<unsigned char>(prologo[0]) == 0xFF))
                throw Volver{};  // UTF-16
            const XML_Status s = XML_Parse(x.p, prologo.data() + antes, n, n == 0 ? XML_TRUE : XML_FALSE);
            if (b.otraCodificacion || s == XML_STATUS_ERROR) throw Volver{};
            if (s == XML_STATUS_SUSPENDED) break;
            if (n == 0) throw Volver{};  // sin <sheetData>
        }
        const auto fin = static_cast<std::size_t>(b.fin);
        if (fin < 2 || fin > prologo.size() || prologo[fin - 2] == '/') throw Volver{};  // <sheetData/>
        buf.assign(prologo, fin);
        prologo.resize(fin);
        nombreDatos = b.nombre;
    }

    // Lee la etiqueta que empieza en pos ('<') hasta su '>', y deja pos después de ella.
    void leerEtiqueta() {
        et.inicio = pos;
        std::size_t i = pos + 1;
        char comilla = 0;
        for (;;) {
            if (i >= buf.size()) {
                const std::size_t desde = i - et.inicio;
                if (desde > kMaximaEtiqueta || !leerMas()) throw Volver{};
                i = et.inicio + desde;
                continue;
            }
            const char c = buf[i];
            if (comilla) {
                if (c == comilla) comilla = 0;
            } else if (c == '"' || c == '\'') {
                comilla = c;
            } else if (c == '>') {
                break;
            }
            ++i;
        }
        const char* p = buf.data() + et.inicio + 1;
        const char* fin = buf.data() + i;  // el '>'
        pos = i + 1;
        et.atributos.clear();
        et.cierra = *p == '/';
        if (et.cierra) ++p;
        if (p == fin || !InicioNombre(static_cast<unsigned char>(*p))) throw Volver{};  // también <! y <?
        const char* n0 = p;
        while (p < fin && LetraNombre(static_cast<unsigned char>(*p))) ++p;
        et.nombre = std::string_view(n0, static_cast<std::size_t>(p - n0));
        et.vacia = false;
        if (et.cierra) {
            while (p < fin && Blanco(static_cast<unsigned char>(*p))) ++p;
            if (p != fin) throw Volver{};
            return;
        }
        for (;;) {
            const char* antes = p;
            while (p < fin && Blanco(static_cast<unsigned char>(*p))) ++p;
            if (p == fin) return;
            if (*p == '/') {
                if (p + 1 != fin) throw Volver{};
                et.vacia = true;
                return;
            }
            if (p == antes || !InicioNombre(static_cast<unsigned char>(*p)))
                throw Volver{};  // sin blanco antes
            const char* a0 = p;
            while (p < fin && LetraNombre(static_cast<unsigned char>(*p))) ++p;
            const std::string_view nombre(a0, static_cast<std::size_t>(p - a0));
            while (p < fin && Blanco(static_cast<unsigned char>(*p))) ++p;
            if (p == fin || *p != '=') throw Volver{};
            ++p;
            while (p < fin && Blanco(static_cast<unsigned char>(*p))) ++p;
            if (p == fin || (*p != '"' && *p != '\'')) throw Volver{};
            const char q = *p++;
            const char* v0 = p;
            while (p < fin && *p != q) {
                const auto c = static_cast<unsigned char>(*p);
                // Sin entidades, blancos que normalizar ni UTF-8 que validar: así el valor es el de expat.
                if (c < 0x20 || c >= 0x80 || c == '<' || c == '&') throw Volver{};
                ++p;
            }
            if (p == fin) throw Volver{};
            const std::string_view valor(v0, static_cast<std::size_t>(p - v0));
            ++p;
            for (const auto& [otro, _] : et.atributos) {
                if (otro == nombre) throw Volver{};  // repetido
            }
            et.atributos.emplace_back(nombre, valor);
        }
    }

    // El primer atributo de nombre local dado (como Atributo()), NUL-terminado en valorAtributo.
    const char* atributo(std::string_view local) {
        for (const auto& [nombre, valor] : et.atributos) {
            if (Local(nombre) == local) {
                valorAtributo.assign(valor);
                return valorAtributo.c_str();
            }
        }
        return nullptr;
    }

    // El texto desde pos hasta el próximo '<': validado y, si destino, agregado con las entidades
    // resueltas y los fines de línea como los deja expat.
    void texto(std::string* destino) {
        std::size_t lt;
        std::size_t visto = 0;  // lo ya buscado, desde pos
        for (;;) {
            const void* m = std::memchr(buf.data() + pos + visto, '<', buf.size() - pos - visto);
            if (m) {
                lt = static_cast<std::size_t>(static_cast<const char*>(m) - buf.data());
                break;
            }
            visto = buf.size() - pos;
            if (visto > kMaximoValor + kTrozo || !leerMas()) throw Volver{};
        }
        const auto* p = reinterpret_cast<const unsigned char*>(buf.data() + pos);
        const auto* fin = reinterpret_cast<const unsigned char*>(buf.data() + lt);
        while (p < fin) {
            const unsigned char c = *p;
            if (c >= 0x20 && c < 0x80 && c != '&' && c != ']') {
                const unsigned char* q = p + 1;
                while (q < fin && *q >= 0x20 && *q < 0x80 && *q != '&' && *q != ']') ++q;
                if (destino)
                    destino->append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
                p = q;
            } else if (c == '&') {
                const unsigned char* q = p + 1;
                while (q < fin && *q != ';' && q - p < 12) ++q;
                if (q >= fin || *q != ';') throw Volver{};
                const char32_t v = Entidad(std::string_view(reinterpret_cast<const char*>(p + 1),
                                                            static_cast<std::size_t>(q - p - 1)));
                if (!v) throw Volver{};
                if (destino) AgregarUtf8(*destino, v);
                p = q + 1;
            } else if (c == ']') {
                if (fin - p >= 3 && p[1] == ']' && p[2] == '>')
                    throw Volver{};  // "]]>" no puede ir en el texto
                if (destino) *destino += ']';
                ++p;
            } else if (c == '\r') {
                if (destino) *destino += '\n';
                ++p;
                if (p < fin && *p == '\n') ++p;
            } else if (c == '\n' || c == '\t') {
                if (destino) *destino += static_cast<char>(c);
                ++p;
            } else if (c < 0x20) {
                throw Volver{};
            } else {
                const int n = LargoUtf8(p, fin);
                if (!n) throw Volver{};
                if (destino) destino->append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
                p += n;
            }
        }
        pos = lt;
    }

    // Lo que sigue a pos tiene que ser una etiqueta.
    void etiqueta() {
        if (pos >= buf.size() && !leerMas()) throw Volver{};  // la hoja termina en medio
        if (buf[pos] != '<') throw Volver{};
        leerEtiqueta();
    }

    // El texto de un valor (<v>, <t>) o de una fórmula, y su etiqueta de cierre.
    void contenido(const std::string& nombre, std::string* valor) {
        const std::size_t antes = valor ? valor->size() : 0;
        texto(valor);
        if (valor) {
            // Lo que expat recortaría en trozos (ver HojaXml), o una fila que pasa de su cota: HojaXml.
            const std::size_t agregado = valor->size() - antes;
            textoFila += agregado;
            if (valor->size() > kMaximoValor || textoFila > kMaximoTextoFila) throw Volver{};
        }
        etiqueta();
        if (!et.cierra || et.nombre != nombre) throw Volver{};
    }

    // La fila siguiente, como la arma HojaXml; false en el </sheetData>.
    bool fila(FilaXml& f) {
        for (;;) {
            texto(nullptr);
            etiqueta();
            if (et.cierra) {
                if (et.nombre != nombreDatos) throw Volver{};
                revisarFinal();
                return false;
            }
            if (Local(et.nombre) != "row") throw Volver{};
            qint64 n = 0;
            if (!CausaNumeroFila(atributo("r"), ultimaFila, &n).isEmpty() || n > kMaximaFila)
                throw Volver{};  // HojaXml lo dice
            ultimaFila = n;
            f.numero = n;
            f.celdas.clear();
            textoFila = 0;
            if (et.vacia) return true;
            nombreFila.assign(et.nombre);
            int columnaSiguiente = 0;
            for (;;) {
                texto(nullptr);
                etiqueta();
                if (et.cierra) {
                    if (et.nombre != nombreFila) throw Volver{};
                    return true;
                }
                if (Local(et.nombre) != "c") throw Volver{};
                CeldaXml& c = f.celdas.emplace_back();
                const char* r = atributo("r");
                const int col = r ? ColumnaDeReferencia(r) : -1;
                c.columna = col >= 0 ? col : columnaSiguiente;
                if (col == -2 || c.columna > kMaximaColumna ||
                    f.celdas.size() > static_cast<std::size_t>(kMaximaColumna) + 1)
                    throw Volver{};
                columnaSiguiente = c.columna + 1;
                if (const char* t = atributo("t")) {
                    const std::string_view tipo(t);
                    if (tipo == "s")
                        c.tipo = 's';
                    else if (tipo == "inlineStr")
                        c.tipo = 'i';
                    else if (tipo == "str")
                        c.tipo = 't';
                    else if (tipo == "b")
                        c.tipo = 'b';
                    else if (tipo == "e")
                        c.tipo = 'e';
                    else if (tipo == "d")
                        c.tipo = 'd';
                }
                const qint64 s = Entero(atributo("s"), 0);
                c.estilo = (s >= 0 && s < (1 << 20)) ? static_cast<int>(s) : 0;
                if (!et.vacia) celda(f.celdas.back());
            }
        }
    }

    // El contenido de una celda, hasta su </c>.
    void celda(CeldaXml& c) {
        nombreCelda.assign(et.nombre);
        bool enLinea = false;  // después de <is>, un <v> ya no es el valor
        for (;;) {
            texto(nullptr);
            etiqueta();
            if (et.cierra) {
                if (et.nombre != nombreCelda) throw Volver{};
                return;
            }
            const std::string_view local = Local(et.nombre);
            if (local == "v" || local == "f") {
                if (et.vacia) continue;
                nombreHijo.assign(et.nombre);
                contenido(nombreHijo, local == "v" && !enLinea ? &c.valor : nullptr);
            } else if (local == "is") {
                enLinea = true;
                if (et.vacia) continue;
                nombreHijo.assign(et.nombre);
                for (;;) {
                    texto(nullptr);
                    etiqueta();
                    if (et.cierra) {
                        if (et.nombre != nombreHijo) throw Volver{};
                        break;
                    }
                    if (Local(et.nombre) != "t") throw Volver{};  // texto enriquecido, guía fonética: HojaXml
                    if (et.vacia) continue;
                    nombreT.assign(et.nombre);
                    contenido(nombreT, &c.valor);
                }
            } else {
                throw Volver{};
            }
        }
    }

    // Después de </sheetData>: expat revisa lo de antes y lo de después como un documento, con
    // <sheetData> vacío. Otra <sheetData> más adelante tendría filas: HojaXml.
    void revisarFinal() {
        struct Cuenta {
            int datos = 0;
        } cuenta;
        Expat x;
        if (!x.p) throw Volver{};
        XML_SetUserData(x.p, &cuenta);
        XML_SetStartElementHandler(x.p, [](void* d, const XML_Char* n, const XML_Char**) {
            if (std::strcmp(NombreLocal(n), "sheetData") == 0) ++static_cast<Cuenta*>(d)->datos;
        });
        auto parte = [&](const char* datos, std::size_t n, bool final) {
            if (XML_Parse(x.p, datos, static_cast<int>(n), final ? XML_TRUE : XML_FALSE) != XML_STATUS_OK ||
                cuenta.datos > 1)
                throw Volver{};
        };
        parte(prologo.data(), prologo.size(), false);
        parte(buf.data() + et.inicio, buf.size() - et.inicio, false);
        buf.clear();
        pos = 0;
        et.inicio = 0;
        std::string trozo(kTrozo, '\0');
        for (;;) {
            const int n = flujo.leer(trozo.data(), kTrozo);
            parte(trozo.data(), static_cast<std::size_t>(n), n == 0);
            if (n == 0) break;
        }
    }
};

HojaXmlRapida::HojaXmlRapida(std::function<std::unique_ptr<FlujoBytes>()> abrir, QString libro, QString parte)
    : abrir_(std::move(abrir)), libro_(std::move(libro)), parte_(std::move(parte)) {}

HojaXmlRapida::~HojaXmlRapida() = default;

bool HojaXmlRapida::siguiente(FilaXml& fila) {
    if (respaldo_) return respaldo_->siguiente(fila);
    if (terminada_) return false;
    try {
        if (!lector_) {
            flujo_ = abrir_();
            lector_ = std::make_unique<Lector>(*flujo_);
            lector_->empezar();
            ultimaDeclarada_ = lector_->ultimaDeclarada;
        }
        if (lector_->fila(fila)) {
            ++dadas_;
            return true;
        }
        terminada_ = true;
        return false;
    } catch (const Volver&) {
        if (lector_) ultimaDeclarada_ = lector_->ultimaDeclarada;
    } catch (...) {
        terminada_ = true;  // el flujo falló: lo mismo que con HojaXml
        throw;
    }
    volverAExpat();
    return respaldo_->siguiente(fila);
}

void HojaXmlRapida::volverAExpat() {
    lector_.reset();
    flujo_.reset();
    flujoRespaldo_ = abrir_();
    respaldo_ = std::make_unique<HojaXml>(*flujoRespaldo_, libro_, parte_);
    // Las filas ya dadas son las mismas que da HojaXml: se saltan.
    FilaXml salto;
    for (qint64 i = 0; i < dadas_; ++i) {
        if (!respaldo_->siguiente(salto)) break;
    }
}
