// libFuzzer: el lector propio de .xls. El primer byte elige qué se prueba: par, los bytes son un
// documento compuesto entero (contenedor y registros); impar, son el flujo del libro (sólo los
// registros BIFF, que así se alcanzan sin armar el contenedor).
#include <QBuffer>
#include <QVariant>

#include "ado/excel/ContenedorOle.h"
#include "ado/excel/LibroBiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    if (largo < 1) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(datos) + 1, static_cast<qsizetype>(largo - 1));
    QByteArray flujo;
    if ((datos[0] & 1) == 0) {
        QBuffer b;
        b.setData(bytes);
        if (!b.open(QIODevice::ReadOnly)) return 0;
        ContenedorOle ole(b);
        if (!ole.abrir()) return 0;
        const auto f = ole.flujo({QStringLiteral("Workbook"), QStringLiteral("Book")});
        if (!f) return 0;
        flujo = *f;
    } else {
        flujo = bytes;
    }
    LibroBiff libro(flujo);
    if (!libro.abrir()) return 0;
    for (std::size_t i = 0; i < libro.hojas().size(); ++i) {
        LibroBiff::Celdas celdas;
        if (!libro.leerHoja(i, celdas)) continue;
        for (const auto& c : celdas.celdas) (void)libro.valor(c, celdas);
    }
    return 0;
}
