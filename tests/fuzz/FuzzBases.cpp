// Arnés de libFuzzer para el lector de BASES.TXT (conexiones registradas): el archivo como lo
// dejaría una persona que lo edita a mano, en Windows-1252. Lee entradas hasta el final; cada
// entrada leída tiene que avanzar sobre el texto (un lector que no avanza no termina nunca).
#include <cstdint>
#include <cstdlib>

#include "connections/ArchivoBases.h"
#include "platform/Cp1252.h"
#include "platform/ErrorEjecucion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    const QByteArray bytes(reinterpret_cast<const char*>(datos), static_cast<qsizetype>(largo));
    const QString texto = Cp1252::Decodificar(bytes);
    // Lo que se codifica y decodifica vuelve igual: el archivo se reescribe sin perder letras.
    if (Cp1252::Decodificar(Cp1252::Codificar(texto)) != texto) std::abort();
    LectorBases lector = LectorBases::DeTexto(texto, QStringLiteral("BASES.TXT"));
    CamposBase campos;
    // Cada entrada consume al menos un carácter: nunca hay más entradas que caracteres.
    for (qsizetype entradas = 0; !lector.alFinal(); ++entradas) {
        if (entradas > texto.size()) std::abort();
        try {
            lector.leerEntrada(campos);
        } catch (const ErrorEjecucion&) {
            break;  // fin del archivo en medio de una entrada
        }
    }
    return 0;
}
