#include "ado/excel/LibroBiff.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "ado/NumeroExacto.h"
#include "ado/Valores.h"
#include "ado/excel/FechasExcel.h"
#include "ado/excel/TrozosBiff.h"

namespace {
// Los registros que interesan.
enum : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kDimensions = 0x0200,
    kCodePage = 0x0042,
    kBoundSheet = 0x0085,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

bool EsBof(quint16 tipo) { return tipo == 0x0009 || tipo == 0x0209 || tipo == 0x0409 || tipo == kBof; }

quint16 U16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 U32(const char* p) { return qFromLittleEndian<quint32>(p); }

double Rk(quint32 rk) {
    double x;
    if (rk & 2) {
        x = static_cast<double>(static_cast<qint32>(rk) >> 2);  // entero de 30 bits con signo
    } else {
        const quint64 bits = static_cast<quint64>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&x, &bits, sizeof x);
    }
    return (rk & 1) ? x / 100 : x;
}

QString TextoError(int codigo) {
    switch (codigo) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2A:
            return QStringLiteral("#N/A");
        default:
            return QStringLiteral("#ERROR!");
    }
}

// La página de códigos que anuncia el registro CODEPAGE, en los números que entiende el
// decodificador (los de Mac y Windows que Excel escribe con otros números).
int PaginaDeCodePage(quint16 cp) {
    switch (cp) {
        case 367:
            return 1252;  // ASCII
        case 1200:
            return 1252;  // UTF-16: sólo BIFF8, cuyos textos no dependen de la página
        case 0x8000:
            return 10000;
        case 0x8001:
            return 1252;
        default:
            return cp;
    }
}

}  // namespace

LibroBiff::LibroBiff(QByteArray flujo) : flujo_(std::move(flujo)) {}

bool LibroBiff::fallar(const QString& descripcion) {
    falla_ = descripcion;
    return false;
}

namespace {
// Recorre los registros del flujo desde una posición.
struct Registros {
    const QByteArray& flujo;
    qsizetype pos;
    quint16 tipo = 0;
    int largo = 0;
    const char* datos = nullptr;
    bool cortado = false;

    // El registro siguiente; false al final del flujo o si el registro no cabe (cortado).
    bool siguiente() {
        if (pos + 4 > flujo.size()) return false;
        const char* p = flujo.constData() + pos;
        tipo = U16(p);
        largo = U16(p + 2);
        if (pos + 4 + largo > flujo.size()) {
            cortado = true;
            return false;
        }
        datos = p + 4;
        pos += 4 + largo;
        return true;
    }
    // Agrega a trozos este registro (desde desplazamiento) y los CONTINUE que lo siguen.
    void conContinuaciones(TrozosBiff& trozos) {
        trozos.agregar(datos, largo);
        while (pos + 4 <= flujo.size() && U16(flujo.constData() + pos) == kContinue) {
            const int l = U16(flujo.constData() + pos + 2);
            if (pos + 4 + l > flujo.size()) break;
            trozos.agregar(flujo.constData() + pos + 4, l);
            pos += 4 + l;
        }
    }
};
}  // namespace

bool LibroBiff::abrir() {
    Registros r{flujo_, 0};
    if (!r.siguiente() || !EsBof(r.tipo) || r.largo < 4)
        return fallar(QStringLiteral("el flujo del libro no empieza con un registro BOF"));
    if (r.tipo != kBof)
        return fallar(QStringLiteral("es de una versión de Excel anterior a la 5.0, que no se puede leer"));
    const quint16 version = U16(r.datos);
    biff8_ = version == 0x0600 || (version != 0x0500 && r.largo >= 16);

    std::map<int, QString> formatos;
    std::vector<quint16> formatoDeXf;
    while (r.siguiente()) {
        if (r.tipo == kEof) break;
        switch (r.tipo) {
            case kFilePass:
                protegido_ = true;
                return true;  // el resto está cifrado
            case kCodePage:
                if (r.largo >= 2) pagina_ = DecodificadorTexto(PaginaDeCodePage(U16(r.datos)));
                break;
            case kDateMode:
                if (r.largo >= 2) sistema1904_ = U16(r.datos) != 0;
                break;
            case kXf:
                if (r.largo >= 4) formatoDeXf.push_back(U16(r.datos + 2));
                break;
            case kFormat: {
                if (r.largo < 3) break;
                QString codigo;
                if (biff8_) {
                    TrozosBiff t;
                    r.conContinuaciones(t);
                    t.empezar(2);
                    if (!t.textoBiff8(codigo))
                        return fallar(QStringLiteral("un formato de número está cortado"));
                } else {
                    const int cch = std::min<int>(static_cast<uchar>(r.datos[2]), r.largo - 3);
                    codigo = pagina_.decodificar(QByteArrayView(r.datos + 3, cch));
                }
                formatos[U16(r.datos)] = codigo;
                break;
            }
            case kBoundSheet: {
                if (r.largo < 7) return fallar(QStringLiteral("la lista de hojas está cortada"));
                Hoja h;
                h.inicio = U32(r.datos);
                h.estado = static_cast<uchar>(r.datos[4]) & 3;
                const int tipo = static_cast<uchar>(r.datos[5]);
                if (biff8_) {
                    TrozosBiff t;
                    t.agregar(r.datos, r.largo);
                    t.empezar(6);
                    if (!t.textoBiff8(h.nombre, true))
                        return fallar(QStringLiteral("el nombre de una hoja está cortado"));
                } else {
                    const int cch = std::min<int>(static_cast<uchar>(r.datos[6]), r.largo - 7);
                    h.nombre = pagina_.decodificar(QByteArrayView(r.datos + 7, cch));
                }
                if (tipo == 0) hojas_.push_back(h);  // ni gráficos, ni macros, ni módulos
                break;
            }
            case kSst: {
                if (!biff8_ || r.largo < 8) break;
                TrozosBiff t;
                r.conContinuaciones(t);
                t.empezar(4);
                quint32 unicas = 0;
                t.u32(unicas);
                // Cada cadena ocupa al menos 3 bytes: un total mayor es un registro dañado.
                cadenas_.reserve(std::min<qsizetype>(unicas, flujo_.size() / 3));
                for (quint32 i = 0; i < unicas && t.quedan(); ++i) {
                    QString s;
                    if (!t.textoBiff8(s))
                        return fallar(QStringLiteral("la tabla de textos compartidos está cortada"));
                    cadenas_.push_back(std::move(s));
                }
                break;
            }
            default:
                break;
        }
    }
    if (r.cortado) return fallar(QStringLiteral("un registro del bloque global pasa del final del flujo"));
    xfFecha_.resize(formatoDeXf.size());
    for (std::size_t i = 0; i < formatoDeXf.size(); ++i) {
        const auto f = formatos.find(formatoDeXf[i]);
        xfFecha_[i] = EsFormatoFecha(formatoDeXf[i], f == formatos.end() ? QString() : f->second);
    }
    return true;
}

char LibroBiff::claseNumero(quint16 xf) const { return xf < xfFecha_.size() && xfFecha_[xf] ? 'f' : 'n'; }

bool LibroBiff::leerHoja(std::size_t i, Celdas& salida) {
    salida.celdas.clear();
    salida.textos.clear();
    salida.ultimaFilaDeclarada.reset();
    if (i >= hojas_.size()) return fallar(QStringLiteral("no tiene la hoja %1").arg(i + 1));
    const Hoja& hoja = hojas_[i];
    Registros r{flujo_, static_cast<qsizetype>(hoja.inicio)};
    if (!r.siguiente() || !EsBof(r.tipo))
        return fallar(QStringLiteral("la hoja \"%1\" no empieza donde el libro dice").arg(hoja.nombre));
    auto& celdas = salida.celdas;
    const auto agregar = [&celdas](quint16 fila, quint16 columna, char clase, double numero,
                                   quint32 indice = 0) {
        celdas.push_back({fila, columna, clase, indice, numero});
    };
    const auto texto = [&](quint16 fila, quint16 columna, QString t) {
        agregar(fila, columna, 't', 0, static_cast<quint32>(salida.textos.size()));
        salida.textos.push_back(std::move(t));
    };
    // Un texto de celda (LABEL, RSTRING, STRING): en BIFF8 con banderas y quizás partido en CONTINUE.
    const auto leerTexto = [&](int desde, QString& t) {
        if (biff8_) {
            TrozosBiff trozos;
            r.conContinuaciones(trozos);
            trozos.empezar(desde);
            return trozos.textoBiff8(t);
        }
        if (r.largo < desde + 2) return false;
        const int cch = std::min<int>(U16(r.datos + desde), r.largo - desde - 2);
        t = pagina_.decodificar(QByteArrayView(r.datos + desde + 2, cch));
        return true;
    };
    int profundidad = 1;  // los gráficos incrustados traen su propio BOF ... EOF
    bool textoPendiente = false;
    quint16 filaPendiente = 0, columnaPendiente = 0;
    while (profundidad > 0 && r.siguiente()) {
        if (EsBof(r.tipo)) {
            ++profundidad;
            continue;
        }
        if (r.tipo == kEof) {
            --profundidad;
            continue;
        }
        if (profundidad > 1) continue;
        const char* d = r.datos;
        switch (r.tipo) {
            case kDimensions: {
                // La primera fila y la siguiente a la última (desde 0): de 4 bytes en BIFF8, de 2 antes.
                // Una que pasa de las filas que el formato admite no es una cota: no se toma.
                const quint32 maxima = biff8_ ? 65536 : 16384;
                quint32 fin = maxima + 1;
                if (biff8_ && r.largo >= 14)
                    fin = U32(d + 4);
                else if (!biff8_ && r.largo >= 10)
                    fin = U16(d + 2);
                if (fin <= maxima) salida.ultimaFilaDeclarada = fin;
                break;
            }
            case kNumber:
                if (r.largo < 14) break;
                double x;
                std::memcpy(&x, d + 6, sizeof x);
                agregar(U16(d), U16(d + 2), claseNumero(U16(d + 4)), qFromLittleEndian(x));
                break;
            case kRk:
                if (r.largo < 10) break;
                agregar(U16(d), U16(d + 2), claseNumero(U16(d + 4)), Rk(U32(d + 6)));
                break;
            case kMulRk: {
                if (r.largo < 6) break;
                const quint16 fila = U16(d);
                const quint16 primera = U16(d + 2);
                const int n = (r.largo - 6) / 6;
                for (int k = 0; k < n; ++k) {
                    const char* e = d + 4 + 6 * k;
                    agregar(fila, static_cast<quint16>(primera + k), claseNumero(U16(e)), Rk(U32(e + 2)));
                }
                break;
            }
            case kBoolErr:
                if (r.largo < 8) break;
                agregar(U16(d), U16(d + 2), d[7] ? 'e' : 'b', static_cast<uchar>(d[6]));
                break;
            case kLabelSst: {
                if (r.largo < 10) break;
                const quint32 k = U32(d + 6);
                if (k >= cadenas_.size()) {
                    return fallar(
                        QStringLiteral("una celda de la hoja \"%1\" nombra el texto compartido %2 y hay %3")
                            .arg(hoja.nombre)
                            .arg(k)
                            .arg(cadenas_.size()));
                }
                agregar(U16(d), U16(d + 2), 's', 0, k);
                break;
            }
            case kLabel:
            case kRString: {
                QString t;
                if (r.largo < 8 || !leerTexto(6, t))
                    return fallar(QStringLiteral("un texto de la hoja \"%1\" está cortado").arg(hoja.nombre));
                texto(U16(d), U16(d + 2), std::move(t));
                break;
            }
            case kFormula: {
                if (r.largo < 20) break;
                const quint16 fila = U16(d), columna = U16(d + 2);
                textoPendiente = false;
                if (U16(d + 12) != 0xFFFF) {
                    double v;
                    std::memcpy(&v, d + 6, sizeof v);
                    agregar(fila, columna, claseNumero(U16(d + 4)), qFromLittleEndian(v));
                    break;
                }
                switch (static_cast<uchar>(d[6])) {
                    case 0:  // el texto viene en el registro STRING que sigue
                        textoPendiente = true;
                        filaPendiente = fila;
                        columnaPendiente = columna;
                        break;
                    case 1:
                        agregar(fila, columna, 'b', static_cast<uchar>(d[8]));
                        break;
                    case 2:
                        agregar(fila, columna, 'e', static_cast<uchar>(d[8]));
                        break;
                    case 3:
                        texto(fila, columna, QString());
                        break;
                    default:
                        break;
                }
                break;
            }
            case kString: {
                if (!textoPendiente) break;
                textoPendiente = false;
                QString t;
                if (!leerTexto(0, t))
                    return fallar(QStringLiteral("un resultado de fórmula de la hoja \"%1\" está cortado")
                                      .arg(hoja.nombre));
                texto(filaPendiente, columnaPendiente, std::move(t));
                break;
            }
            default:
                break;
        }
    }
    if (r.cortado)
        return fallar(
            QStringLiteral("un registro de la hoja \"%1\" pasa del final del flujo").arg(hoja.nombre));
    // Excel escribe las celdas en orden; otros programas no siempre.
    const auto antes = [](const Celda& a, const Celda& b) {
        return a.fila != b.fila ? a.fila < b.fila : a.columna < b.columna;
    };
    if (!std::is_sorted(celdas.begin(), celdas.end(), antes))
        std::stable_sort(celdas.begin(), celdas.end(), antes);
    return true;
}

QVariant LibroBiff::valor(const Celda& c, const Celdas& hoja) const {
    switch (c.clase) {
        case 's':
            return cadenas_[c.indice];
        case 't':
            return hoja.textos[c.indice];
        case 'b':
            return c.numero != 0;
        case 'e':
            return ValorErrorDeCelda(TextoError(static_cast<int>(c.numero)));
        case 'f': {
            const QVariant fecha = FechaDeSerie(c.numero, sistema1904_);
            if (fecha.isValid()) return fecha;
            break;
        }
        default:
            break;
    }
    return NumeroExacto::DeDoble(c.numero);
}
