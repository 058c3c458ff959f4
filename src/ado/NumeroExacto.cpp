#include "ado/NumeroExacto.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <string>

namespace {
bool Cifra(char c) { return c >= '0' && c <= '9'; }
bool Blanco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// Un entero de más cifras que esto se devuelve como lo escribió el archivo: no es una serie
// (y "1E400" no se convierte en 401 cifras).
constexpr std::size_t kMaximoCifras = 64;
}  // namespace

QVariant NumeroExacto::DeTexto(std::string_view t) {
    while (!t.empty() && Blanco(t.front())) t.remove_prefix(1);
    while (!t.empty() && Blanco(t.back())) t.remove_suffix(1);
    if (t.empty()) return {};
    // Lo más común, un entero corto sin más: directo.
    if (t.size() <= 18 &&
        t.find_first_not_of("0123456789", t.front() == '-' ? 1 : 0) == std::string_view::npos &&
        t.size() > (t.front() == '-' ? 1u : 0u)) {
        qlonglong v = 0;
        std::from_chars(t.data(), t.data() + t.size(), v);
        return v;
    }
    const std::string_view escrito = t;
    bool negativo = false;
    if (t.front() == '+' || t.front() == '-') {
        negativo = t.front() == '-';
        t.remove_prefix(1);
    }
    // Las cifras de la mantisa, sin el punto, y cuántas iban después de él.
    std::string cifras;
    std::size_t i = 0, decimales = 0;
    for (; i < t.size() && Cifra(t[i]); ++i) cifras += t[i];
    if (i < t.size() && t[i] == '.') {
        for (++i; i < t.size() && Cifra(t[i]); ++i, ++decimales) cifras += t[i];
    }
    if (cifras.empty()) return {};
    long long exponente = 0;
    const bool conExponente = i < t.size() && (t[i] == 'e' || t[i] == 'E');
    if (conExponente) {
        ++i;
        bool expNegativo = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) expNegativo = t[i++] == '-';
        if (i == t.size() || !Cifra(t[i])) return {};
        for (; i < t.size() && Cifra(t[i]); ++i) {
            if (exponente < 100000) exponente = exponente * 10 + (t[i] - '0');
        }
        if (expNegativo) exponente = -exponente;
    }
    if (i != t.size()) return {};
    // Con exponente lo escribió un programa desde un doble ("8.9540312345678902E+18"): sus cifras
    // son las del doble, no las del proveedor. Vale lo que valga ese doble; desde 2^53 no es un
    // entero exacto (y una serie así se rechaza).
    if (conExponente) {
        double x = 0;
        std::string_view sinSigno = escrito;
        if (sinSigno.front() == '+') sinSigno.remove_prefix(1);
        const auto r = std::from_chars(sinSigno.data(), sinSigno.data() + sinSigno.size(), x);
        if (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) return {};
        if (r.ec == std::errc::result_out_of_range)  // from_chars no toca x: fuera de rango es infinito o 0
            x = std::copysign(exponente > 0 ? HUGE_VAL : 0.0, negativo ? -1.0 : 1.0);
        return DeDoble(x);
    }

    // Entero si las cifras que quedan a la derecha de la coma, corrida por el exponente, son ceros.
    const long long corrimiento = exponente - static_cast<long long>(decimales);
    bool entero = true;
    if (corrimiento < 0) {
        const auto quitar = static_cast<std::size_t>(std::min<long long>(-corrimiento, cifras.size()));
        for (std::size_t k = cifras.size() - quitar; k < cifras.size(); ++k) {
            if (cifras[k] != '0') entero = false;
        }
        if (entero) cifras.resize(cifras.size() - quitar);
    }
    if (!entero) {
        double x = 0;
        std::string_view sinSigno = escrito;
        if (sinSigno.front() == '+') sinSigno.remove_prefix(1);
        const auto r = std::from_chars(sinSigno.data(), sinSigno.data() + sinSigno.size(), x);
        if (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) return {};
        return x;
    }
    const std::size_t primera = cifras.find_first_not_of('0');
    if (primera == std::string::npos) return qlonglong{0};
    cifras.erase(0, primera);
    if (corrimiento > 0) {
        if (cifras.size() + static_cast<std::size_t>(corrimiento) > kMaximoCifras)
            return QString::fromLatin1(escrito.data(), static_cast<qsizetype>(escrito.size()));
        cifras.append(static_cast<std::size_t>(corrimiento), '0');
    }
    if (negativo) cifras.insert(cifras.begin(), '-');
    qlonglong v = 0;
    const auto r = std::from_chars(cifras.data(), cifras.data() + cifras.size(), v);
    if (r.ec == std::errc() && r.ptr == cifras.data() + cifras.size()) return v;
    return QString::fromLatin1(cifras.data(), static_cast<qsizetype>(cifras.size()));
}

QVariant NumeroExacto::DeDoble(double x) {
    if (std::floor(x) == x && std::fabs(x) < kLimiteDoble) return static_cast<qlonglong>(x);
    return x;
}

bool NumeroExacto::DobleInexacto(const QVariant& valor) {
    const int tipo = valor.typeId();
    if (tipo != QMetaType::Double && tipo != QMetaType::Float) return false;
    const double x = valor.toDouble();
    return !std::isfinite(x) || std::fabs(x) >= kLimiteDoble;
}
