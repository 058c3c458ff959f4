#include "ado/LectorCsv.h"

#include <algorithm>
#include <cstring>

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
    if (pos_ > 0) {
        std::memmove(bufer_.data(), bufer_.constData() + pos_, static_cast<size_t>(fin_ - pos_));
        fin_ -= pos_;
        pos_ = 0;
    }
    if (fin_ == bufer_.size()) return true;  // lleno: el que llama consume antes de pedir más
    const qint64 n = origen_.read(bufer_.data() + fin_, bufer_.size() - fin_);
    if (n < 0) {
        falla_ = QStringLiteral("falló la lectura (%1)").arg(origen_.errorString());
        return false;
    }
    if (n == 0) {
        agotado_ = true;
        return false;
    }
    fin_ += n;
    return true;
}

int LectorCsv::mirar() {
    if (pos_ == fin_ && !llenar()) return -1;
    return static_cast<unsigned char>(bufer_[pos_]);
}

char LectorCsv::decidirDelimitador() const {
    // Se cuentan los candidatos fuera de comillas en la primera línea; gana el más frecuente y,
    // a igualdad, la coma (lo que haría el controlador de texto sin schema.ini).
    int comas = 0, puntoComas = 0, tabuladores = 0;
    bool comillas = false;
    for (qsizetype i = pos_; i < fin_; ++i) {
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
        r = leerRegistro(crudos_);
    } while (r == Registro::Blanco);
    if (r == Registro::Falla) return Estado::Falla;
    if (r == Registro::Fin) return Estado::Fin;

    nombres_ = opciones_.nombres;
    if (opciones_.encabezado) {
        if (nombres_.isEmpty()) {
            for (std::size_t i = 0; i < crudos_.size(); ++i) {
                const QString n = decodificador_.decodificar(crudos_[i]);
                nombres_.append(n.isEmpty() ? QStringLiteral("F%1").arg(i + 1) : n);
            }
        }
    } else {
        // Sin encabezado la primera línea ya es una fila: queda pendiente para siguiente().
        for (auto i = static_cast<std::size_t>(nombres_.size()); i < crudos_.size(); ++i) {
            nombres_.append(QStringLiteral("F%1").arg(i + 1));
        }
        pendiente_.swap(crudos_);
        hayPendiente_ = true;
    }
    return Estado::Fila;
}

LectorCsv::Registro LectorCsv::leerRegistro(std::vector<QByteArray>& campos) {
    campos.clear();
    int c = mirar();
    if (c == -1) return falla_.isEmpty() ? Registro::Fin : Registro::Falla;
    if (c == '\r' || c == '\n') {
        ++pos_;
        if (c == '\r' && mirar() == '\n') ++pos_;
        return falla_.isEmpty() ? Registro::Blanco : Registro::Falla;
    }
    qsizetype total = 0;
    QByteArray campo;
    const auto agregar = [&](qsizetype desde, qsizetype hasta) {
        campo.append(bufer_.constData() + desde, hasta - desde);
        total += hasta - desde;
    };
    for (;;) {
        campo.clear();
        if (mirar() == '"') {
            ++pos_;
            for (;;) {
                if (pos_ == fin_ && !llenar()) break;  // comilla sin cerrar: el campo llega al final
                const char* p = bufer_.constData() + pos_;
                const void* q = std::memchr(p, '"', static_cast<size_t>(fin_ - pos_));
                if (!q) {
                    agregar(pos_, fin_);
                    pos_ = fin_;
                } else {
                    const qsizetype k = static_cast<const char*>(q) - bufer_.constData();
                    agregar(pos_, k);
                    pos_ = k + 1;
                    if (mirar() != '"') break;  // comilla de cierre
                    campo.append('"');
                    ++pos_;
                }
                if (total > kMaxRegistro) {
                    falla_ = RegistroLargo();
                    return Registro::Falla;
                }
            }
        }
        // Fuera de comillas (o lo que siga a la comilla de cierre): hasta el delimitador o el fin de línea.
        for (;;) {
            if (pos_ == fin_ && !llenar()) break;
            qsizetype k = pos_;
            while (k < fin_) {
                const char ch = bufer_[k];
                if (ch == delim_ || ch == '\r' || ch == '\n') break;
                ++k;
            }
            agregar(pos_, k);
            pos_ = k;
            if (k < fin_) break;
            if (total > kMaxRegistro) {
                falla_ = RegistroLargo();
                return Registro::Falla;
            }
        }
        if (!falla_.isEmpty()) return Registro::Falla;
        campos.push_back(campo);
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

LectorCsv::Estado LectorCsv::siguiente(std::vector<QString>& campos) {
    const auto entregar = [&](const std::vector<QByteArray>* crudos) {
        campos.assign(static_cast<std::size_t>(nombres_.size()), QString());
        if (!crudos) return;
        const std::size_t n = std::min(crudos->size(), campos.size());  // lo que sobra se ignora
        for (std::size_t i = 0; i < n; ++i) {
            if (!(*crudos)[i].isEmpty()) campos[i] = decodificador_.decodificar((*crudos)[i]);
        }
    };
    if (hayPendiente_) {
        if (blancos_ > 0) {
            --blancos_;
            entregar(nullptr);
        } else {
            hayPendiente_ = false;
            entregar(&pendiente_);
        }
        return Estado::Fila;
    }
    for (;;) {
        switch (leerRegistro(crudos_)) {
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
            pendiente_.swap(crudos_);
            hayPendiente_ = true;
            --blancos_;
            entregar(nullptr);
        } else {
            entregar(&crudos_);
        }
        return Estado::Fila;
    }
}
