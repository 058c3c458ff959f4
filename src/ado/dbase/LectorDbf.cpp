#include "ado/dbase/LectorDbf.h"

#include <QDate>
#include <QDateTime>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <string_view>

#include "ado/NumeroExacto.h"

namespace {
bool VersionConocida(unsigned char v) {
    switch (v) {
        case 0x02:
        case 0x03:
        case 0x04:
        case 0x05:
        case 0x07:
        case 0x30:
        case 0x31:
        case 0x32:
        case 0x43:
        case 0x63:
        case 0x83:
        case 0x8B:
        case 0x8C:
        case 0xCB:
        case 0xE5:
        case 0xF5:
        case 0xFB:
            return true;
        default:
            return false;
    }
}

// Los bytes sin los blancos (y nulos, que algunos programas usan de relleno) de los extremos.
QByteArrayView SinBlancos(const char* datos, int largo, bool izquierda) {
    int inicio = 0, fin = largo;
    while (fin > 0 && (datos[fin - 1] == ' ' || datos[fin - 1] == '\0')) --fin;
    while (izquierda && inicio < fin && (datos[inicio] == ' ' || datos[inicio] == '\0')) ++inicio;
    return QByteArrayView(datos + inicio, fin - inicio);
}

// dBase 7 guarda enteros y dobles big-endian con el bit de signo invertido, para que se ordenen
// como bytes.
qint32 Entero7(const char* p) { return static_cast<qint32>(qFromBigEndian<quint32>(p) ^ 0x80000000u); }
double Doble7(const char* p) {
    quint64 bits = qFromBigEndian<quint64>(p);
    bits = (bits & 0x8000000000000000ull) ? (bits ^ 0x8000000000000000ull) : ~bits;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

QVariant FechaHora(qint64 diaJuliano, qint64 milisegundos) {
    const QDate fecha = QDate::fromJulianDay(diaJuliano);
    if (!fecha.isValid() || milisegundos < 0 || milisegundos >= 86400000) return {};
    return QDateTime(fecha, QTime(0, 0).addMSecs(static_cast<int>(milisegundos)));
}
}  // namespace

LectorDbf::LectorDbf(QIODevice& tabla, AbrirMemo abrirMemo)
    : tabla_(tabla), abrirMemo_(std::move(abrirMemo)) {}

bool LectorDbf::memoFoxPro() const {
    return visualFoxPro_ || version_ == 0xF5 || version_ == 0xFB || version_ == 0x02;
}

LectorDbf::Estado LectorDbf::abrir() {
    if (!tabla_.seek(0)) {
        falla_ = QStringLiteral("falló la lectura (%1)").arg(tabla_.errorString());
        return Estado::Falla;
    }
    const QByteArray base = tabla_.read(32);
    if (base.isEmpty()) {
        falla_ = QStringLiteral("el archivo está vacío");
        return Estado::Falla;
    }
    const auto* p = reinterpret_cast<const uchar*>(base.constData());
    version_ = p[0];
    if (!VersionConocida(version_)) {
        falla_ = QStringLiteral("no es una tabla dBase/FoxPro (byte de versión 0x%1 desconocido)")
                     .arg(version_, 2, 16, QLatin1Char('0'));
        return Estado::Falla;
    }
    if (base.size() < 32) {
        falla_ = QStringLiteral("la cabecera está cortada (%1 bytes de al menos 32)").arg(base.size());
        return Estado::Falla;
    }
    visualFoxPro_ = version_ == 0x30 || version_ == 0x31 || version_ == 0x32;
    dbase7_ = (version_ & 0x07) == 0x04;
    registros_ = qFromLittleEndian<quint32>(p + 4);
    largoCabecera_ = qFromLittleEndian<quint16>(p + 8);
    largoRegistro_ = qFromLittleEndian<quint16>(p + 10);
    decodificador_ = DecodificadorTexto(CodigoPaginaDbf(p[29]));

    const int primerCampo = dbase7_ ? 68 : 32;
    const int largoDescriptor = dbase7_ ? 48 : 32;
    if (largoCabecera_ < primerCampo + 1 || largoRegistro_ < 2) {
        falla_ = QStringLiteral("no es una tabla dBase/FoxPro (cabecera de %1 bytes, registros de %2)")
                     .arg(largoCabecera_)
                     .arg(largoRegistro_);
        return Estado::Falla;
    }
    const QByteArray cabecera = base + tabla_.read(largoCabecera_ - 32);
    if (cabecera.size() < largoCabecera_) {
        falla_ = QStringLiteral("la cabecera está cortada (%1 bytes de %2)")
                     .arg(cabecera.size())
                     .arg(largoCabecera_);
        return Estado::Falla;
    }

    int desplazamiento = 1;  // el byte 0 es la marca de borrado
    int i = primerCampo;
    for (; i + largoDescriptor <= largoCabecera_ && cabecera[i] != '\x0D'; i += largoDescriptor) {
        const char* d = cabecera.constData() + i;
        const int largoNombre = dbase7_ ? 32 : 11;
        const int largoTipo = dbase7_ ? 32 : 11;
        CampoDbf campo;
        campo.nombre = decodificador_.decodificar(QByteArrayView(d, qstrnlen(d, largoNombre))).trimmed();
        campo.tipo = static_cast<char>(std::toupper(static_cast<uchar>(d[largoTipo])));
        campo.longitud = static_cast<uchar>(d[largoTipo + 5]);
        campo.decimales = static_cast<uchar>(d[largoTipo + 6]);
        campo.banderas = dbase7_ ? 0 : static_cast<uchar>(d[18]);
        // Clipper y FoxPro guardan el largo de un C de más de 255 en el byte de decimales.
        if (campo.tipo == 'C' && !visualFoxPro_ && !dbase7_) {
            campo.longitud += campo.decimales * 256;
            campo.decimales = 0;
        }
        campo.desplazamiento = desplazamiento;
        desplazamiento += campo.longitud;
        if (desplazamiento > largoRegistro_) {
            falla_ =
                QStringLiteral("la cabecera está dañada: los campos miden más que el registro (%1 bytes)")
                    .arg(largoRegistro_);
            return Estado::Falla;
        }
        if (campo.tipo == '0') {
            banderasNulo_ = campo;  // _NullFlags: oculto, sólo dice qué campos son nulos
        } else {
            campos_.push_back(std::move(campo));
        }
    }
    if (campos_.empty()) {
        falla_ = QStringLiteral("la cabecera no describe ningún campo");
        return Estado::Falla;
    }
    if (!comprobarEstructura(cabecera, i, desplazamiento)) return Estado::Falla;
    if (banderasNulo_.longitud > 0) {
        int bit = 0;
        for (CampoDbf& c : campos_) {
            if (c.tipo == 'V' || c.tipo == 'Q') c.bitLargo = bit++;
            if (c.banderas & 0x02) c.bitNulo = bit++;
        }
    }
    if (!tabla_.seek(largoCabecera_)) {
        falla_ = QStringLiteral("no se llega a los registros (%1)").arg(tabla_.errorString());
        return Estado::Falla;
    }
    registro_.resize(largoRegistro_);
    return Estado::Fila;
}

bool LectorDbf::comprobarEstructura(const QByteArray& cabecera, int finCampos, int largoCampos) {
    // Una cabecera que miente sobre un largo hace leer cada registro corrido (la serie de uno con
    // el modelo del anterior): la estructura entera se comprueba antes de dar la primera fila.
    if (largoCampos != largoRegistro_) {
        falla_ = QStringLiteral(
                     "la cabecera está dañada: el largo del registro dice %1 bytes y los campos suman %2 "
                     "(con la marca de borrado)")
                     .arg(largoRegistro_)
                     .arg(largoCampos);
        return false;
    }
    const bool terminada = finCampos < cabecera.size() && cabecera[finCampos] == '\x0D';
    // Visual FoxPro deja 263 bytes para la ruta de la base después de los campos; dBase 7 puede
    // guardar propiedades de los campos. Los demás terminan en la marca 0x0D (a lo sumo con ceros
    // de relleno).
    const int esperado = finCampos + 1 + (visualFoxPro_ ? 263 : 0);
    bool cabeceraBien = terminada && largoCabecera_ >= esperado;
    if (cabeceraBien && !dbase7_) {
        for (int k = esperado; k < largoCabecera_; ++k) {
            if (cabecera[k] != '\0') cabeceraBien = false;
        }
    }
    if (!cabeceraBien) {
        falla_ = QStringLiteral(
                     "la cabecera está dañada: el largo de la cabecera dice %1 bytes y la descripción de los "
                     "campos termina en el byte %2")
                     .arg(largoCabecera_)
                     .arg(terminada ? esperado : finCampos);
        return false;
    }
    // El número de registros y el tamaño del archivo: los registros enteros, y quizás la marca 0x1A
    // (antes del número anunciado, la marca dice dónde terminan, como la lee dBase).
    const qint64 tamano = tabla_.size();
    const qint64 datos = tamano - largoCabecera_;
    const qint64 anunciados = static_cast<qint64>(registros_) * largoRegistro_;
    bool cuadra = datos == anunciados;
    if (!cuadra && datos >= 1 && datos <= anunciados + 1 && (datos - 1) % largoRegistro_ == 0) {
        char marca = 0;
        cuadra = tabla_.seek(tamano - 1) && tabla_.getChar(&marca) && marca == '\x1A';
    }
    if (!cuadra) {
        falla_ =
            QStringLiteral(
                "%1: el número de registros dice %2 de %3 bytes después de una cabecera de %4 bytes "
                "(%5 bytes) y el archivo mide %6")
                .arg(datos < anunciados ? QStringLiteral("el archivo está cortado o la cabecera está dañada")
                                        : QStringLiteral("la cabecera está dañada"))
                .arg(registros_)
                .arg(largoRegistro_)
                .arg(largoCabecera_)
                .arg(largoCabecera_ + anunciados)
                .arg(tamano);
        return false;
    }
    // La marca de borrado de cada registro, antes de dar la primera fila: una que no es ' ' ni '*'
    // (0x1A en medio, un byte cualquiera) dice que el archivo no es lo que la cabecera anuncia, y la
    // tabla se rechaza sin haber dado ninguna fila.
    const qint64 presentes = std::min<qint64>(registros_, datos / largoRegistro_);
    for (qint64 k = 0; k < presentes; ++k) {
        char marca = ' ';
        if (!tabla_.seek(largoCabecera_ + k * largoRegistro_) || !tabla_.getChar(&marca)) {
            falla_ =
                QStringLiteral("falló la lectura del registro %1 (%2)").arg(k + 1).arg(tabla_.errorString());
            return false;
        }
        if (marca != ' ' && marca != '*') {
            falla_ = marcaDanada(k + 1, static_cast<uchar>(marca));
            return false;
        }
    }
    return true;
}

QString LectorDbf::marcaDanada(qint64 registro, uchar marca) const {
    return QStringLiteral(
               "el registro %1 de %2 está dañado: su marca de borrado es el byte 0x%3 (sólo puede ser un "
               "blanco o \"*\")")
        .arg(registro)
        .arg(registros_)
        .arg(marca, 2, 16, QLatin1Char('0'));
}

bool LectorDbf::nulo(int bit) const {
    if (bit < 0 || bit / 8 >= banderasNulo_.longitud) return false;
    const auto byte = static_cast<uchar>(registro_[banderasNulo_.desplazamiento + bit / 8]);
    return (byte >> (bit % 8)) & 1;
}

LectorDbf::Estado LectorDbf::siguiente(std::vector<QVariant>& fila) {
    for (;;) {
        if (terminado_ || leidos_ >= registros_) return Estado::Fin;
        const qint64 n = tabla_.read(registro_.data(), largoRegistro_);
        if (n < 0) {
            falla_ = QStringLiteral("falló la lectura del registro %1 (%2)")
                         .arg(leidos_ + 1)
                         .arg(tabla_.errorString());
            return Estado::Falla;
        }
        if (n == 1 && registro_[0] == '\x1A' && tabla_.atEnd()) {
            // La marca de fin como último byte del archivo, antes del número de registros anunciado:
            // ahí terminan (el tamaño ya se comprobó al abrir).
            terminado_ = true;
            return Estado::Fin;
        }
        if (n < largoRegistro_) {
            falla_ = QStringLiteral(
                         "el archivo está cortado: la cabecera anuncia %1 registros y el %2 está incompleto "
                         "o falta")
                         .arg(registros_)
                         .arg(leidos_ + 1);
            return Estado::Falla;
        }
        ++leidos_;
        if (registro_[0] == '*') continue;  // borrado
        if (registro_[0] != ' ') {
            // Otra marca (0x1A en medio, un byte cualquiera): el registro no es uno que dBase lea, y
            // tomarlo por el fin callaría los que siguen.
            falla_ = marcaDanada(leidos_, static_cast<uchar>(registro_[0]));
            return Estado::Falla;
        }
        fila.resize(campos_.size());
        for (std::size_t i = 0; i < campos_.size(); ++i) {
            if (!valor(campos_[i], registro_.constData() + campos_[i].desplazamiento, fila[i]))
                return Estado::Falla;
        }
        return Estado::Fila;
    }
}

bool LectorDbf::valor(const CampoDbf& campo, const char* datos, QVariant& salida) {
    const int largo = campo.longitud;
    if (campo.tipo == 'C' && !nulo(campo.bitNulo)) {
        // El texto se escribe sobre el del registro anterior: sin pedir memoria si nadie lo
        // comparte. Un texto en blanco es "" (no nulo).
        if (salida.typeId() != QMetaType::QString) salida = QVariant(QString(QLatin1String("")));
        QString& texto = *static_cast<QString*>(salida.data());
        const QByteArrayView bytes = SinBlancos(datos, largo, false);
        decodificador_.decodificar(bytes, texto);
        if (texto.isNull()) texto = QString(QLatin1String(""));
        return textoBien(campo, bytes);
    }
    salida = QVariant();
    if (nulo(campo.bitNulo)) return true;
    switch (campo.tipo) {
        case 'V':
        case 'Q': {
            int usado = largo;
            if (nulo(campo.bitLargo) && largo > 0)
                usado = std::min<int>(static_cast<uchar>(datos[largo - 1]), largo - 1);
            if (campo.tipo == 'Q') {
                salida = QByteArray(datos, usado);
                return true;
            }
            salida = decodificador_.decodificar(QByteArrayView(datos, usado));
            return textoBien(campo, QByteArrayView(datos, usado));
        }
        case 'N':
        case 'F': {
            const QByteArrayView t = SinBlancos(datos, largo, true);
            if (t.isEmpty()) return true;
            // De sus cifras: un número de 19 cifras no pasa por un doble que le cambie las últimas.
            // "*****" (desborde) u otra basura queda nula.
            salida = NumeroExacto::DeTexto(std::string_view(t.data(), static_cast<std::size_t>(t.size())));
            return true;
        }
        case 'D': {
            const QByteArrayView t = SinBlancos(datos, largo, true);
            if (t.size() != 8 || t == "00000000") return true;
            bool okA = false, okM = false, okD = false;
            const QDate f(t.sliced(0, 4).toInt(&okA), t.sliced(4, 2).toInt(&okM), t.sliced(6, 2).toInt(&okD));
            if (okA && okM && okD && f.isValid()) salida = f;
            return true;
        }
        case 'L': {
            if (largo < 1) return true;
            switch (datos[0]) {
                case 'T':
                case 't':
                case 'Y':
                case 'y':
                    salida = true;
                    break;
                case 'F':
                case 'f':
                case 'N':
                case 'n':
                    salida = false;
                    break;
                default:
                    break;  // '?' o blanco: sin valor
            }
            return true;
        }
        case 'M':
            return leerMemo(campo, datos, salida, true);
        case 'W':
        case 'P':
            return leerMemo(campo, datos, salida, false);
        case 'G':
            return true;  // objeto OLE: nada que importar
        case 'B':
            if (largo == 8 && !dbase7_) {
                double d;
                std::memcpy(&d, datos, sizeof d);
                salida = qFromLittleEndian(d);
                return true;
            }
            return leerMemo(campo, datos, salida, false);  // dBase IV: memo binario
        case 'I':
        case '+':
            if (largo == 4)
                salida = static_cast<qlonglong>(dbase7_ ? Entero7(datos) : qFromLittleEndian<qint32>(datos));
            return true;
        case 'O':
            if (largo == 8) salida = Doble7(datos);
            return true;
        case 'Y':
            if (largo == 8) salida = static_cast<double>(qFromLittleEndian<qint64>(datos)) / 10000.0;
            return true;
        case 'T':
        case '@': {
            if (largo != 8 || SinBlancos(datos, largo, true).isEmpty()) return true;
            if (campo.tipo == '@') {
                // dBase 7: milisegundos desde el día juliano 0, como doble.
                const double ms = Doble7(datos);
                if (ms > 0 && ms < 1e15) {
                    const auto total = static_cast<qint64>(ms);
                    salida = FechaHora(total / 86400000, total % 86400000);
                }
                return true;
            }
            const qint32 dia = qFromLittleEndian<qint32>(datos);
            const qint32 ms = qFromLittleEndian<qint32>(datos + 4);
            if (dia != 0) salida = FechaHora(dia, ms);
            return true;
        }
        default:
            salida = decodificador_.decodificar(SinBlancos(datos, largo, false));
            return textoBien(campo, SinBlancos(datos, largo, false));
    }
}

bool LectorDbf::textoBien(const CampoDbf& campo, QByteArrayView bytes) {
    // Un byte nulo en medio del texto (el relleno del final ya se quitó) o bytes que no son texto de
    // la página del archivo: guardados, "AB\0C" y "AB\0D" se verían iguales en todas partes, y
    // un carácter de reemplazo haría iguales dos series distintas.
    const bool nulo = bytes.contains('\0');
    if (!nulo && !decodificador_.invalido()) return true;
    falla_ = QStringLiteral("el registro %1, campo %2: %3")
                 .arg(leidos_)
                 .arg(campo.nombre,
                      nulo ? QStringLiteral("el texto tiene un byte nulo")
                           : QStringLiteral("el texto no es válido en la página de códigos %1 del archivo")
                                 .arg(decodificador_.codigoPagina()));
    return false;
}

bool LectorDbf::leerMemo(const CampoDbf& campo, const char* datos, QVariant& salida, bool texto) {
    quint32 bloque = 0;
    if (campo.longitud == 4) {
        bloque = qFromLittleEndian<quint32>(datos);  // Visual FoxPro: entero binario
    } else {
        const QByteArrayView t = SinBlancos(datos, campo.longitud, true);
        if (t.isEmpty()) return true;
        bool ok = false;
        bloque = t.toUInt(&ok);
        if (!ok) {
            // Un puntero que no es un número no dice dónde está el memo: el valor no se sabe.
            falla_ = QStringLiteral(
                         "el registro %1, campo %2: el puntero al memo \"%3\" no es un número de "
                         "bloque")
                         .arg(leidos_)
                         .arg(campo.nombre, QString::fromLatin1(t.data(), t.size()));
            return false;
        }
    }
    if (bloque == 0) return true;  // sin memo
    if (!memo_) {
        MemoDbf::Clase clase = memoFoxPro() ? MemoDbf::Clase::Fpt : MemoDbf::Clase::Dbt;
        QIODevice* dispositivo = abrirMemo_ ? abrirMemo_(clase) : nullptr;
        if (!dispositivo) {
            falla_ = QStringLiteral("falta el archivo de memos (%1) que guarda el campo %2")
                         .arg(memoFoxPro() ? QStringLiteral(".fpt") : QStringLiteral(".dbt"), campo.nombre);
            return false;
        }
        auto memo = std::make_unique<MemoDbf>(*dispositivo, clase);
        if (!memo->abrir()) {
            falla_ = QStringLiteral("el archivo de memos está dañado: %1").arg(memo->falla());
            return false;
        }
        memo_ = std::move(memo);
    }
    const auto bytes = memo_->leer(bloque);
    if (!bytes) {
        falla_ = QStringLiteral("el campo %1 del registro %2: %3")
                     .arg(campo.nombre)
                     .arg(leidos_)
                     .arg(memo_->falla());
        return false;
    }
    if (!texto) {
        salida = *bytes;
        return true;
    }
    salida = decodificador_.decodificar(*bytes);
    return textoBien(campo, *bytes);
}
