#include "data/Dll_Funciones.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cmath>

#include "ado/Valores.h"
#include "platform/Mensajes.h"

QString Dll_Funciones::ValorNoNulo(const QVariant& valor) const { return TextoValor(valor); }

QString Dll_Funciones::RutaConBarra(const QString& carpeta) const {
    if (carpeta.endsWith('/')) return carpeta;
    return carpeta + '/';
}

bool Dll_Funciones::SepararRuta(const QString& ruta, QString& carpeta, QString& archivo,
                                QString& extension) const {
    const qsizetype barra = std::max(ruta.lastIndexOf('/'), ruta.lastIndexOf('\\'));
    carpeta = barra >= 0 ? ruta.left(barra) : QString();
    archivo = ruta.mid(barra + 1);
    const qsizetype punto = archivo.lastIndexOf('.');
    extension = punto >= 0 ? archivo.mid(punto + 1) : QString();
    return true;
}

QString Dll_Funciones::QuitarCaracteres(const QString& texto, const QString& quitar) const {
    if (quitar.isEmpty()) return texto;
    return QString(texto).remove(quitar);
}

QString Dll_Funciones::LimitarLargo(const QString& texto, int largo) const {
    return largo < 0 ? QString() : texto.left(largo);
}

QString Dll_Funciones::FormatearCodigo(const QString& codigo, int ancho) const {
    return codigo.size() >= ancho ? codigo : QString(ancho - codigo.size(), ' ') + codigo;
}

double Dll_Funciones::ValorNumerico(const QString& texto) const {
    const QString t = texto.trimmed();
    qsizetype i = 0;
    QString numero;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) numero += t[i++];
    bool decimal = false;
    for (; i < t.size(); ++i) {
        if (t[i].isDigit())
            numero += t[i];
        else if ((t[i] == ',' || t[i] == '.') && !decimal) {
            decimal = true;
            numero += '.';
        } else
            break;
    }
    bool ok = false;
    const double valor = numero.toDouble(&ok);
    if (!ok) return 0;
    return std::round(valor * 10000.0) / 10000.0;
}

namespace {
// Flujo de clave fijo: lo justo para que el texto guardado no se lea a simple vista. No es cifrado.
unsigned char Clave(std::size_t i, std::size_t largo) {
    uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(largo * 2654435761u) ^ static_cast<uint32_t>(i * 40503u);
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return static_cast<unsigned char>(x & 0xFF);
}

unsigned char Suma(const QByteArray& datos) {
    unsigned s = 0x5A;
    for (char c : datos) s = (s * 31 + static_cast<unsigned char>(c)) & 0xFF;
    return static_cast<unsigned char>(s);
}

constexpr auto kBase64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
}  // namespace

QString Dll_Funciones::Encriptar(const QString& texto) const {
    QByteArray datos = texto.toUtf8();
    QByteArray salida;
    salida.reserve(datos.size() + 1);
    salida.append(static_cast<char>(Suma(datos)));
    for (qsizetype i = 0; i < datos.size(); ++i) {
        salida.append(
            static_cast<char>(static_cast<unsigned char>(datos[i]) ^
                              Clave(static_cast<std::size_t>(i), static_cast<std::size_t>(datos.size()))));
    }
    // Base64 "url": letras, dígitos, "-" y "_": nunca comas, comillas, blancos ni saltos de línea.
    return QString::fromLatin1(salida.toBase64(kBase64));
}

QString Dll_Funciones::Desencriptar(const QString& texto) const {
    const auto decodificado =
        QByteArray::fromBase64Encoding(texto.toLatin1(), kBase64 | QByteArray::AbortOnBase64DecodingErrors);
    if (texto.isEmpty() || !decodificado || decodificado.decoded.isEmpty()) return texto;
    const QByteArray& bytes = decodificado.decoded;
    QByteArray datos;
    const qsizetype largo = bytes.size() - 1;
    for (qsizetype i = 0; i < largo; ++i) {
        datos.append(static_cast<char>(static_cast<unsigned char>(bytes[i + 1]) ^
                                       Clave(static_cast<std::size_t>(i), static_cast<std::size_t>(largo))));
    }
    if (static_cast<unsigned char>(bytes[0]) != Suma(datos)) return texto;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString resultado = utf8.decode(datos);
    if (utf8.hasError()) return texto;
    return resultado;
}

int Dll_Funciones::ManejarError(const ErrorEjecucion& error) const {
    // La descripción para el operador, sin el número interno, que no le dice nada; el título es el
    // del programa, no el del componente que falló.
    return MsgBox(error.paraPersonas(), Botones::AbortarReintentarOmitir | Botones::IconoCritico);
}
