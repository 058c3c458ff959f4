#include "ado/texto/LectorCsv.h"

#include <algorithm>
#include <cstring>

#include "platform/Detencion.h"

namespace {
constexpr qsizetype kSondeo = 64 * 1024;  // bytes que deciden la codificación y el delimitador

QString RegistroLargo() {
    return QStringLiteral("un registro pasa de %1 MiB: el archivo está dañado (¿una comilla sin cerrar?)")
        .arg(LectorCsv::kMaxRegistro / (1024 * 1024));
}
}  // namespace

LectorCsv::LectorCsv(QIODevice& origen, OpcionesCsv opciones, qsizetype tamBufer)
    : origen_(origen),
      opciones_(std::move(opciones)),
      bufer_(std::max<qsizetype>(tamBufer, 16), Qt::Uninitialized) {}

bool LectorCsv::llenar() {
    if (agotado_ || !falla_.isEmpty()) return false;
    // Un archivo que no termina de llegar (o un registro enorme) se puede detener entre trozos.
    Detencion::Latido();
    if (ancla_ > 0) {
        std::memmove(bufer_.data(), bufer_.constData() + ancla_, static_cast<size_t>(fin_ - ancla_));
        fin_ -= ancla_;
        pos_ -= ancla_;
        ancla_ = 0;
    }
    // Un registro que ocupa todo el búfer lo hace crecer: el registro entero queda en memoria,
    // acotado por kMaxRegistro.
    if (fin_ == bufer_.size()) bufer_.resize(bufer_.size() * 2);
    const qint64 n = origen_.read(bufer_.data() + fin_, bufer_.size() - fin_);
    if (n < 0) {
        falla_ = QStringLiteral("falló la lectura (%1)").arg(origen_.errorString());
        return false;
    }
    if (vigilante_) {
        falla_ = vigilante_();
        if (!falla_.isEmpty()) return false;
    }
    if (n == 0) {
        agotado_ = true;
        return false;
    }
    fin_ += n;
    return true;
}

char LectorCsv::decidirDelimitador() const {
    // Se cuentan los candidatos fuera de comillas en la primera línea que no está en blanco (las
    // de antes del encabezado no cuentan); gana el más frecuente y, a igualdad, la coma (lo que
    // haría el controlador de texto sin schema.ini).
    int comas = 0, puntoComas = 0, tabuladores = 0;
    bool comillas = false;
    qsizetype inicio = pos_;
    for (qsizetype i = pos_; i < fin_ && (bufer_[i] == '\r' || bufer_[i] == '\n' || bufer_[i] == ' '); ++i) {
        if (bufer_[i] == '\n') inicio = i + 1;
    }
    for (qsizetype i = inicio; i < fin_; ++i) {
        const char c = bufer_[i];
        if (c == '"') {
            comillas = !comillas;
        } else if (!comillas) {
            if (c == '\r' || c == '\n') break;
            if (c == ',')
                ++comas;
            else if (c == ';')
                ++puntoComas;
            else if (c == '\t')
                ++tabuladores;
        }
    }
    if (puntoComas > comas && puntoComas >= tabuladores) return ';';
    if (tabuladores > comas && tabuladores > puntoComas) return '\t';
    return ',';
}

LectorCsv::Estado LectorCsv::empezar() {
    while (fin_ < std::min(kSondeo, bufer_.size()) && llenar()) {
    }
    if (!falla_.isEmpty()) return Estado::Falla;
    // Un archivo con bytes nulos no es texto de 8 bits: UTF-16 (el "texto Unicode" de Excel) o un
    // archivo de otra clase con la extensión cambiada.
    if (fin_ >= 2 && (std::memcmp(bufer_.constData(), "\xFF\xFE", 2) == 0 ||
                      std::memcmp(bufer_.constData(), "\xFE\xFF", 2) == 0)) {
        falla_ = QStringLiteral("está en UTF-16 (texto Unicode); guárdelo como CSV en UTF-8 o ANSI");
        return Estado::Falla;
    }
    if (std::memchr(bufer_.constData(), '\0', static_cast<size_t>(fin_))) {
        falla_ = QStringLiteral(
            "tiene bytes nulos: no es un archivo de texto (¿una planilla u otro archivo con la extensión "
            "cambiada?)");
        return Estado::Falla;
    }
    bool bom = false;
    if (fin_ >= 3 && std::memcmp(bufer_.constData(), "\xEF\xBB\xBF", 3) == 0) {
        pos_ = 3;  // la marca de orden nunca queda pegada al primer nombre
        bom = true;
    }
    int pagina = 1252;
    if (opciones_.codigoPagina) {
        pagina = *opciones_.codigoPagina;
    } else if (bom || EsUtf8Valido(QByteArrayView(bufer_.constData() + pos_, fin_ - pos_), agotado_)) {
        pagina = 65001;
    }
    decodificador_ = DecodificadorTexto(pagina);
    delim_ = opciones_.delimitador.value_or(decidirDelimitador());

    // Las líneas en blanco antes del encabezado no cuentan.
    Registro r;
    do {
        r = leerRegistro();
    } while (r == Registro::Blanco);
    if (r == Registro::Falla) return Estado::Falla;
    if (r == Registro::Fin) return Estado::Fin;

    nombres_ = opciones_.nombres;
    if (opciones_.encabezado) {
        if (nombres_.isEmpty()) {
            camposFila_ = static_cast<qsizetype>(tramos_.size());
            for (qsizetype i = 0; i < camposFila_; ++i) {
                const QString n = decodificador_.decodificar(campo(i));
                nombres_.append(n.isEmpty() ? QStringLiteral("F%1").arg(i + 1) : n);
            }
        }
    } else {
        // Sin encabezado la primera línea ya es una fila: queda pendiente para siguiente().
        for (auto i = static_cast<std::size_t>(nombres_.size()); i < tramos_.size(); ++i) {
            nombres_.append(QStringLiteral("F%1").arg(i + 1));
        }
        hayPendiente_ = true;
    }
    return Estado::Fila;
}

LectorCsv::Registro LectorCsv::leerRegistro() {
    tramos_.clear();
    ancla_ = pos_;  // lo anterior ya se entregó: llenar() puede descartarlo
    int c = mirar();
    if (c == -1) return falla_.isEmpty() ? Registro::Fin : Registro::Falla;
    if (c == '\r' || c == '\n') {
        ++pos_;
        if (c == '\r' && mirar() == '\n') ++pos_;
        return falla_.isEmpty() ? Registro::Blanco : Registro::Falla;
    }
    // Las posiciones se guardan desde ancla_, que llenar() mueve junto con los bytes.
    const auto largo = [&] { return pos_ - ancla_; };
    // Copia n bytes desde pos_ a la posición w del campo (que nunca está después: quitar
    // comillas sólo acorta).
    const auto bajar = [&](qsizetype w, qsizetype n) {
        if (n > 0 && ancla_ + w != pos_)
            std::memmove(bufer_.data() + ancla_ + w, bufer_.constData() + pos_, static_cast<size_t>(n));
    };
    for (;;) {
        qsizetype desde = largo();
        qsizetype w = desde;  // fin del contenido del campo
        bool comillas = false;
        if (mirar() == '"') {
            comillas = true;
            ++pos_;
            desde = w = largo();
            for (;;) {
                if (pos_ == fin_ && !llenar()) break;  // comilla sin cerrar: el campo llega al final
                const char* base = bufer_.constData();
                const void* q = std::memchr(base + pos_, '"', static_cast<size_t>(fin_ - pos_));
                const qsizetype k = q ? static_cast<const char*>(q) - base : fin_;
                bajar(w, k - pos_);
                w += k - pos_;
                pos_ = k;
                if (q) {
                    ++pos_;
                    if (mirar() != '"') break;  // comilla de cierre
                    bufer_.data()[ancla_ + w] = '"';
                    ++w;
                    ++pos_;
                }
                if (largo() > kMaxRegistro) {
                    falla_ = RegistroLargo();
                    return Registro::Falla;
                }
            }
        }
        // Fuera de comillas (o lo que siga a la comilla de cierre): hasta el delimitador o el fin de línea.
        for (;;) {
            if (pos_ == fin_ && !llenar()) break;
            const char* base = bufer_.constData();
            const char d = delim_;
            qsizetype k = pos_;
            while (k < fin_) {
                const char ch = base[k];
                if (ch == d || ch == '\r' || ch == '\n') break;
                ++k;
            }
            if (comillas) bajar(w, k - pos_);
            w += k - pos_;
            pos_ = k;
            if (k < fin_) break;
            if (largo() > kMaxRegistro) {
                falla_ = RegistroLargo();
                return Registro::Falla;
            }
        }
        if (!falla_.isEmpty()) return Registro::Falla;
        tramos_.emplace_back(desde, w - desde);
        c = mirar();
        if (c ==
            static_cast<unsigned char>(delim_)) {  // mirar() da 0..255: un delimitador alto no es negativo
            ++pos_;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++pos_;
            if (c == '\r' && mirar() == '\n') ++pos_;
        }
        return falla_.isEmpty() ? Registro::Datos : Registro::Falla;
    }
}

void LectorCsv::decodificar(QByteArrayView bytes, QString& destino) {
    decodificador_.decodificar(bytes, destino);
}

LectorCsv::Estado LectorCsv::siguienteCrudo() {
    const qsizetype ancho = nombres_.size();
    if (hayPendiente_) {
        if (blancos_ > 0) {
            --blancos_;
            camposFila_ = 0;
        } else {
            hayPendiente_ = false;
            camposFila_ = std::min(static_cast<qsizetype>(tramos_.size()), ancho);  // lo que sobra se ignora
        }
        return Estado::Fila;
    }
    for (;;) {
        switch (leerRegistro()) {
            case Registro::Blanco:
                ++blancos_;
                continue;
            case Registro::Fin:
                blancos_ = 0;
                return Estado::Fin;  // las líneas en blanco del final no son filas
            case Registro::Falla:
                return Estado::Falla;
            case Registro::Datos:
                break;
        }
        if (blancos_ > 0) {
            // Una línea en blanco entre filas es una fila de nulos; la fila leída espera su turno.
            hayPendiente_ = true;
            --blancos_;
            camposFila_ = 0;
        } else {
            camposFila_ = std::min(static_cast<qsizetype>(tramos_.size()), ancho);
        }
        return Estado::Fila;
    }
}

LectorCsv::Estado LectorCsv::siguiente(std::vector<QString>& campos) {
    const Estado e = siguienteCrudo();
    if (e != Estado::Fila) return e;
    campos.resize(static_cast<std::size_t>(nombres_.size()));
    for (qsizetype i = 0; i < nombres_.size(); ++i) {
        const QByteArrayView b = campo(i);
        if (b.isEmpty())
            campos[static_cast<std::size_t>(i)] = QString();
        else
            decodificar(b, campos[static_cast<std::size_t>(i)]);
    }
    return Estado::Fila;
}
