#include "FilasMuestra.h"

namespace {
struct Producto {
    const char* modelo;
    const char* prefijo;  // las series de un fabricante empiezan igual
};
const Producto kProductos[] = {
    {"Heladera No Frost 340 L", "HNF"},
    {"Lavarropas Automático 7 kg Carga Frontal", "LAV"},
    {"Televisor 43\" LED Smart", "TVL"},
    {"Televisor 32' LED", "TVL"},
    {"Aire Acondicionado Split 3200 W Frío/Calor", "AAS"},
    {"Microondas Digital 20 L", "MOD"},
    {"Cocina 4 Hornallas con Horno", "COC"},
    {"Calefactor Tiro Balanceado 3000 kcal", "CTB"},
    {"Termotanque Eléctrico 80 L", "TTE"},
    {"Lavavajillas 12 Cubiertos", "LVV"},
    {"Freezer Horizontal 200 L", "FRZ"},
    {"Secarropas Centrífugo 5,5 kg", "SEC"},
    {"Ventilador de Pie 20\"", "VEN"},
    {"Notebook 14\" 8 GB Año 2024", "NBK"},
};
const char* const kPuntosDeVenta[] = {
    "0412 - Sucursal Rosario Centro", "0415 - Córdoba Nueva Córdoba", "0420 - Mendoza Godoy Cruz",
    "0433 - Mar del Plata Güemes",    "0450 - Neuquén Capital",       "0461 - San Miguel de Tucumán",
};

int NumeroDe(ArchivoMuestra a) { return static_cast<int>(a); }

FilaMuestra Fila(ArchivoMuestra archivo, int i) {
    const int a = NumeroDe(archivo);
    // Un generador fijo (congruencial) da series que parecen de verdad y son siempre las mismas.
    quint32 x = static_cast<quint32>(a * 64 + i + 1) * 2654435761u;
    x ^= x >> 15;
    const Producto& p = kProductos[(x >> 8) % std::size(kProductos)];
    FilaMuestra f;
    f.eca1 = QString::fromUtf8(kPuntosDeVenta[(x >> 4) % std::size(kPuntosDeVenta)]);
    f.serie = QString::fromLatin1(p.prefijo) +
              QStringLiteral("%1%2").arg(23 + a % 2).arg(x % 100000000u, 8, 10, QLatin1Char('0'));
    f.modelo = QString::fromUtf8(p.modelo);
    f.factura = QStringLiteral("B-0004-%1").arg(10230 + a * 100 + i, 8, 10, QLatin1Char('0'));
    f.activacion = QDate(2024, 3, 1).addDays(a * 30 + i * 2);
    return f;
}
}  // namespace

std::vector<FilaMuestra> FilasDe(ArchivoMuestra archivo) {
    const int cantidad[] = {30, 28, 25, 26};
    std::vector<FilaMuestra> filas;
    for (int i = 0; i < cantidad[NumeroDe(archivo)]; ++i) filas.push_back(Fila(archivo, i));
    // Las repetidas: el mismo producto vendido, informado otra vez en el archivo siguiente.
    auto repetir = [&](ArchivoMuestra de, int origen, int destino) {
        const FilaMuestra anterior = Fila(de, origen);
        filas[destino].serie = anterior.serie;
        filas[destino].modelo = anterior.modelo;
    };
    switch (archivo) {
        case ArchivoMuestra::Csv:
            filas[17].serie.clear();  // un renglón sin serie, como los de los subtotales
            break;
        case ArchivoMuestra::Xlsx:
            repetir(ArchivoMuestra::Csv, 3, 5);
            repetir(ArchivoMuestra::Csv, 11, 20);
            break;
        case ArchivoMuestra::Dbf:
            repetir(ArchivoMuestra::Xlsx, 0, 2);
            repetir(ArchivoMuestra::Xlsx, 9, 14);
            break;
        case ArchivoMuestra::Db:
            repetir(ArchivoMuestra::Csv, 0, 7);
            repetir(ArchivoMuestra::Csv, 25, 19);
            break;
    }
    return filas;
}
