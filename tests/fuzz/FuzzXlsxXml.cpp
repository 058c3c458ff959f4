// Arnés de libFuzzer para el XML de los libros .xlsx: las filas de una hoja (HojaXml), las cadenas
// compartidas (CadenasXlsx), los estilos (RecorrerXml) y los códigos de formato. La entrada es
// "control, hoja XML, \0, cadenas XML". Además de buscar caídas, lee la hoja con trozos diminutos
// y de una vez: el borde de un trozo no debe cambiar ni una celda. Y la lee también con
// HojaXmlRapida, que tiene que dar lo mismo que HojaXml con los mismos trozos.
// Cómo compilarlo y correrlo: tests/fuzz/LEEME.md.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ado/excel/CadenasXlsx.h"
#include "ado/excel/FechasExcel.h"
#include "ado/excel/HojaXml.h"
#include "ado/excel/HojaXmlRapida.h"
#include "ado/excel/XmlXlsx.h"
#include "platform/ErrorEjecucion.h"

namespace {
struct Lectura {
    std::vector<FilaXml> filas;
    bool fallo = false;
};

template <typename Hoja>
Lectura Leer(Hoja& hoja) {
    Lectura l;
    try {
        FilaXml fila;
        while (hoja.siguiente(fila)) {
            if (fila.numero <= (l.filas.empty() ? 0 : l.filas.back().numero))
                std::abort();  // siempre creciente
            for (const CeldaXml& c : fila.celdas) {
                if (c.columna < 0 || c.columna > 16383) std::abort();
            }
            l.filas.push_back(fila);
            if (l.filas.size() > 100000) break;
        }
    } catch (const ErrorEjecucion&) {
        l.fallo = true;
    }
    return l;
}

Lectura LeerHoja(const QByteArray& xml, int trozo) {
    FlujoMemoria flujo(xml, trozo);
    HojaXml hoja(flujo, QStringLiteral("f.xlsx"), QStringLiteral("hoja"));
    return Leer(hoja);
}

Lectura LeerRapida(const QByteArray& xml, int trozo) {
    HojaXmlRapida hoja([&] { return std::make_unique<FlujoMemoria>(xml, trozo); }, QStringLiteral("f.xlsx"),
                       QStringLiteral("hoja"));
    return Leer(hoja);
}

bool Iguales(const Lectura& a, const Lectura& b) {
    if (a.fallo != b.fallo || a.filas.size() != b.filas.size()) return false;
    for (std::size_t i = 0; i < a.filas.size(); ++i) {
        const FilaXml& x = a.filas[i];
        const FilaXml& y = b.filas[i];
        if (x.numero != y.numero || x.celdas.size() != y.celdas.size()) return false;
        for (std::size_t j = 0; j < x.celdas.size(); ++j) {
            const CeldaXml& p = x.celdas[j];
            const CeldaXml& q = y.celdas[j];
            if (p.columna != q.columna || p.tipo != q.tipo || p.estilo != q.estilo || p.valor != q.valor)
                return false;
        }
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
    if (largo < 1) return 0;
    const int trozo = 1 + datos[0] % 13;
    const QByteArray resto(reinterpret_cast<const char*>(datos + 1), static_cast<qsizetype>(largo - 1));
    const qsizetype corte = resto.indexOf('\0');
    const QByteArray hoja = corte < 0 ? resto : resto.left(corte);
    const QByteArray cadenasXml = corte < 0 ? QByteArray() : resto.mid(corte + 1);

    const Lectura entera = LeerHoja(hoja, 1 << 16);
    const Lectura diminuta = LeerHoja(hoja, trozo);
    // Un error de XML puede aparecer después de filas ya dadas; si ambas lecturas terminan igual,
    // las filas deben ser las mismas.
    if (!Iguales(entera, diminuta)) std::abort();
    if (!Iguales(entera, LeerRapida(hoja, 1 << 16)) || !Iguales(diminuta, LeerRapida(hoja, trozo)))
        std::abort();

    if (!cadenasXml.isEmpty()) {
        CadenasXlsx cadenas(std::make_unique<FlujoMemoria>(cadenasXml, trozo), QStringLiteral("f.xlsx"),
                            QStringLiteral("cadenas"));
        for (const FilaXml& f : entera.filas) {
            for (const CeldaXml& c : f.celdas) {
                TextoXlsx(c.valor);
                if (c.tipo != 's') continue;
                try {
                    cadenas.cadena(QByteArray::fromStdString(c.valor).toLongLong());
                } catch (const ErrorEjecucion&) {
                }
            }
        }
        try {
            cadenas.cadena(cadenas.leidas() + 1000);
        } catch (const ErrorEjecucion&) {
        }
        // Las mismas bytes, como si fueran styles.xml.
        try {
            RecorrerXml(cadenasXml, QStringLiteral("f.xlsx"), QStringLiteral("estilos"),
                        {[](const char*, const char** at) {
                             if (const char* f = Atributo(at, "formatCode"))
                                 EsFormatoFecha(-1, QString::fromUtf8(f));
                         },
                         nullptr});
        } catch (const ErrorEjecucion&) {
        }
    }
    if (hoja.size() < 64) {
        EsFormatoFecha(-1, QString::fromUtf8(hoja));
        FechaDeTexto(QString::fromUtf8(hoja));
        double serie = 0;
        std::memcpy(&serie, hoja.leftJustified(8, '\0').constData(), sizeof serie);
        FechaDeSerie(serie, datos[0] & 1);
    }
    return 0;
}
