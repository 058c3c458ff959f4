// Las semillas de cada arnés de fuzzing, pasadas por el arnés compilado como el resto de las
// pruebas: lo que un fuzzer encontró una vez (y quedó como semilla) no vuelve a romperse.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdint>
#include <map>
#include <string>

using Arnes = int (*)(const uint8_t*, size_t);

// Débiles: un arnés que este árbol no compiló queda nulo.
#define DECLARAR(n) extern "C" __attribute__((weak)) int Arnes_##n(const uint8_t*, size_t);
DECLARAR(csv)
DECLARAR(dbf)
DECLARAR(xls)
DECLARAR(xlsx_xml)
DECLARAR(zip)
DECLARAR(mdb)
DECLARAR(lanzamiento)
DECLARAR(bases)
DECLARAR(tabla)

namespace {
// Los arneses que este árbol compiló (un arnés que aún no existe no se nombra en la lista).
std::vector<std::string> Compilados() {
    std::vector<std::string> nombres;
    for (const QString& n : QString::fromUtf8(GARANTIAS_ARNESES).split(u',', Qt::SkipEmptyParts))
        nombres.push_back(n.toStdString());
    return nombres;
}

Arnes Buscar(const std::string& nombre) {
    static const std::map<std::string, Arnes> arneses = {{"csv", &Arnes_csv},
                                                         {"dbf", &Arnes_dbf},
                                                         {"xls", &Arnes_xls},
                                                         {"xlsx_xml", &Arnes_xlsx_xml},
                                                         {"zip", &Arnes_zip},
                                                         {"mdb", &Arnes_mdb},
                                                         {"lanzamiento", &Arnes_lanzamiento},
                                                         {"bases", &Arnes_bases},
                                                         {"tabla", &Arnes_tabla}};
    const auto a = arneses.find(nombre);
    return a == arneses.end() ? nullptr : a->second;
}

class Semillas : public ::testing::TestWithParam<std::string> {};

TEST_P(Semillas, CadaSemillaPasaPorSuArnesSinFallar) {
    const QDir carpeta(QStringLiteral(GARANTIAS_SEMILLAS "/") + QString::fromStdString(GetParam()));
    const QStringList archivos = carpeta.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(archivos.isEmpty()) << "el arnés no tiene semillas en " << carpeta.path().toStdString();
    const Arnes arnes = Buscar(GetParam());
    ASSERT_NE(arnes, nullptr);
    for (const QString& a : archivos) {
        QFile f(carpeta.filePath(a));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << a.toStdString();
        const QByteArray bytes = f.readAll();
        SCOPED_TRACE(a.toStdString());
        // Un arnés que encuentra una falla aborta el proceso: la prueba cae con el nombre a la vista.
        EXPECT_EQ(
            arnes(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Arneses, Semillas, ::testing::ValuesIn(Compilados()),
                         [](const ::testing::TestParamInfo<std::string>& i) { return i.param; });
}  // namespace
