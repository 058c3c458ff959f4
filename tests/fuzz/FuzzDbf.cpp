// Arnés de libFuzzer para el lector de tablas dBase/FoxPro y sus memos. La entrada es
// [2 bytes: largo de la tabla, little-endian][tabla][memo]. Cómo compilarlo y correrlo: tests/fuzz/LEEME.md.
#include <QBuffer>
#include <cstdint>
#include <vector>

#include "ado/dbase/LectorDbf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    if (largo < 2) return 0;
    const size_t largoTabla = std::min<size_t>(datos[0] | (datos[1] << 8), largo - 2);
    QByteArray tabla(reinterpret_cast<const char*>(datos + 2), static_cast<qsizetype>(largoTabla));
    QByteArray memo(reinterpret_cast<const char*>(datos + 2 + largoTabla),
                    static_cast<qsizetype>(largo - 2 - largoTabla));
    QBuffer bt(&tabla), bm(&memo);
    bt.open(QIODevice::ReadOnly);
    bm.open(QIODevice::ReadOnly);
    LectorDbf lector(bt, [&](MemoDbf::Clase&) -> QIODevice* { return memo.isEmpty() ? nullptr : &bm; });
    if (lector.abrir() != LectorDbf::Estado::Fila) return 0;
    std::vector<QVariant> fila;
    int filas = 0;
    while (lector.siguiente(fila) == LectorDbf::Estado::Fila) {
        if (fila.size() != lector.campos().size()) __builtin_trap();
        for (const QVariant& v : fila) (void)v.toString();
        if (++filas > 100000) __builtin_trap();  // no puede haber más filas que bytes
    }
    return 0;
}
