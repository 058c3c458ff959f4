// Arnés de libFuzzer para el lector de texto delimitado y schema.ini. Además de buscar caídas,
// compara la lectura con un búfer diminuto y con el de siempre: el borde del búfer no debe
// cambiar ni una fila. Cómo compilarlo y correrlo: tests/fuzz/LEEME.md.
#include <QBuffer>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ado/texto/EsquemaIni.h"
#include "ado/texto/LectorCsv.h"

namespace {
struct Lectura {
    LectorCsv::Estado inicio;
    QStringList nombres;
    std::vector<std::vector<QString>> filas;
    LectorCsv::Estado fin;
};

Lectura Leer(QByteArray bytes, const OpcionesCsv& opciones, qsizetype bufer) {
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    LectorCsv lector(b, opciones, bufer);
    Lectura l;
    l.inicio = lector.empezar();
    l.fin = l.inicio;
    if (l.inicio != LectorCsv::Estado::Fila) return l;
    l.nombres = lector.nombres();
    std::vector<QString> campos;
    while ((l.fin = lector.siguiente(campos)) == LectorCsv::Estado::Fila) {
        if (campos.size() != static_cast<std::size_t>(l.nombres.size())) std::abort();
        l.filas.push_back(campos);
    }
    return l;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    if (largo < 2) return 0;
    const uint8_t control = datos[0];
    const QByteArray resto(reinterpret_cast<const char*>(datos + 2), static_cast<qsizetype>(largo - 2));
    OpcionesCsv opciones;
    if (control & 1) opciones.delimitador = static_cast<char>(datos[1]);
    if (control & 2) opciones.encabezado = false;
    if (control & 4) opciones.codigoPagina = (control & 8) ? 850 : 65001;
    if (control & 16) {
        // El mismo texto como schema.ini: que no se caiga y que sus opciones también se lean.
        if (auto e = EsquemaDeArchivo(resto, QStringLiteral("datos.csv"))) opciones = e->opciones;
    }
    const qsizetype chico = 16 + (datos[1] % 48);
    const Lectura grande = Leer(resto, opciones, LectorCsv::kBufer);
    const Lectura pequena = Leer(resto, opciones, chico);
    // Los sondeos (codificación, delimitador, bytes nulos) miran lo que cabe en el búfer: con uno
    // diminuto pueden decidir otra cosa. Fijados el delimitador y la página, y sin bytes nulos,
    // las dos lecturas deben coincidir en todo.
    if (!opciones.delimitador || !opciones.codigoPagina || resto.contains('\0')) return 0;
    if (grande.inicio != pequena.inicio || grande.fin != pequena.fin || grande.nombres != pequena.nombres ||
        grande.filas != pequena.filas) {
        std::abort();
    }
    return 0;
}
