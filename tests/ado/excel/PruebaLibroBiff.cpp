// El lector propio de .xls sobre libros hechos byte a byte: las clases de celda, los textos
// partidos en registros CONTINUE, BIFF5 con su página de códigos, las fechas por formato, el
// orden de las celdas, los dos lugares del documento compuesto donde vive el flujo y las fallas.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "LibrosDePrueba.h"
#include "XlsAMano.h"
#include "comun/Pruebas.h"

namespace {
// Los formatos de número del libro: XF 0 general, 1 fecha incorporada (14), 2 fecha y hora propia,
// 3 tiempo transcurrido (no es fecha), 4 número con decimales.
QByteArray Estilos(bool biff8) {
    const auto formato = [&](quint16 id, const QString& codigo) {
        return RegistroBiff(
            0x041E, U16(id) + (biff8 ? TextoBiff8(codigo)
                                     : QByteArray(1, static_cast<char>(codigo.size())) + codigo.toLatin1()));
    };
    const auto xf = [&](quint16 fmt) {
        return RegistroBiff(0x00E0, U16(0) + U16(fmt) + QByteArray(biff8 ? 16 : 12, '\0'));
    };
    return formato(164, QStringLiteral("dd/mm/yyyy hh:mm")) + formato(165, QStringLiteral("[h]:mm")) +
           formato(166, QStringLiteral("0.00")) + xf(0) + xf(14) + xf(164) + xf(165) + xf(166);
}

QByteArray Label(quint16 f, quint16 c, const QString& t) {
    return RegistroBiff(0x0204, Celda(f, c) + TextoBiff8(t));
}
QByteArray Numero(quint16 f, quint16 c, double x, quint16 xf = 0) {
    return RegistroBiff(0x0203, Celda(f, c, xf) + Doble(x));
}
QByteArray Formula(quint16 f, quint16 c, const QByteArray& resultado) {
    return RegistroBiff(0x0006, Celda(f, c) + resultado + U16(0) + U32(0) + U16(0));
}
QByteArray Especial(int tipo, int valor) {
    QByteArray r(8, '\0');
    r[0] = static_cast<char>(tipo);
    r[2] = static_cast<char>(valor);
    r[6] = r[7] = '\xFF';
    return r;
}
// RK: entero de 30 bits o doble recortado, con o sin el "por 100".
quint32 RkEntero(qint32 v, bool cien = false) {
    return (static_cast<quint32>(v) << 2) | 2u | (cien ? 1u : 0u);
}

struct Caso {
    const char* nombre;
    std::function<QByteArray()> archivo;
    const char* tablas;  // separadas por "|"; vacío: no se mira
    const char* hoja;
    QStringList campos;
    std::vector<QStringList> filas;  // como las ve el operador
    const char* falla = nullptr;     // si no es nulo, la lectura falla con este texto
};

XlsAMano UnaHoja(const QByteArray& registros, const QByteArray& global = Estilos(true)) {
    XlsAMano x;
    x.global = global;
    x.hojas.push_back({QStringLiteral("Datos"), registros});
    return x;
}

const std::vector<Caso>& Casos() {
    static const std::vector<Caso> casos = {
        {"cada clase de celda",
         [] {
             const QByteArray sst = RegistroBiff(0x00FC, U32(1) + U32(1) + TextoBiff8("00012345"));
             QByteArray r;
             const char* titulos[] = {"serie", "fecha", "momento", "horas", "ok"};
             for (int c = 0; c < 5; ++c) r += Label(0, c, titulos[c]);
             r += RegistroBiff(0x00FD, Celda(1, 0) + U32(0)) + Numero(1, 1, 43831, 1) +
                  Numero(1, 2, 43831.5, 2) + Numero(1, 3, 1.5, 3) +
                  RegistroBiff(0x0205, Celda(1, 4) + QByteArray("\x01\x00", 2));
             r += RegistroBiff(0x027E, Celda(2, 0) + U32(RkEntero(123))) +
                  RegistroBiff(0x027E, Celda(2, 1) + U32(RkEntero(12345, true))) +
                  RegistroBiff(0x00BD, U16(2) + U16(2) + U16(0) + U32(RkEntero(-7)) + U16(4) +
                                           U32(RkEntero(250, true)) + U16(3));
             r += Formula(3, 0, Doble(7)) + Formula(3, 1, Especial(0, 0)) +
                  RegistroBiff(0x0207, TextoBiff8("abc")) + Formula(3, 2, Especial(1, 0)) +
                  Formula(3, 3, Especial(2, 7)) + Formula(3, 4, Especial(3, 0));
             return DocumentoOle(UnaHoja(r, Estilos(true) + sst).flujo());
         },
         "Datos$",
         "Datos",
         {"serie", "fecha", "momento", "horas", "ok"},
         {{"00012345", "01/01/2020", "01/01/2020 12:00:00", "1,5", "Verdadero"},
          {"123", "123,45", "-7", "2,5", ""},
          {"7", "abc", "Falso", "#DIV/0!", ""}}},
        {"textos compartidos partidos en CONTINUE",
         [] {
             // El segundo texto empieza en un byte y sigue en UTF-16 en el CONTINUE; el tercero
             // tiene un formato enriquecido cuyos bytes cruzan a otro CONTINUE.
             QByteArray sst = U32(3) + U32(3) + TextoBiff8("uno") + U16(9) + QByteArray(1, '\0') +
                              QString::fromUtf8("Año ").toLatin1();
             QByteArray c1 = QByteArray(1, '\x01');
             for (QChar ch : QString::fromUtf8("Ωμέγα")) c1 += U16(ch.unicode());
             c1 += U16(4) + QByteArray(1, '\x08') + U16(1) + "rico" + U16(0);
             const QByteArray c2 = U16(0);
             QByteArray r = Label(0, 0, "a") + Label(0, 1, "b") + Label(0, 2, "c");
             for (int c = 0; c < 3; ++c) r += RegistroBiff(0x00FD, Celda(1, c) + U32(c));
             return DocumentoOle(
                 UnaHoja(r, RegistroBiff(0x00FC, sst) + RegistroBiff(0x003C, c1) + RegistroBiff(0x003C, c2))
                     .flujo());
         },
         "",
         "Datos",
         {"a", "b", "c"},
         {{"uno", QString::fromUtf8("Año Ωμέγα"), "rico"}}},
        {"BIFF5 en Mac Roman con fechas de 1904",
         [] {
             XlsAMano x;
             x.biff8 = false;
             x.global = RegistroBiff(0x0042, U16(10000)) + RegistroBiff(0x0022, U16(1)) + Estilos(false);
             const QByteArray texto = "Caf\x8E";
             x.hojas.push_back({QString(),
                                RegistroBiff(0x0204, Celda(0, 0) + U16(4) + texto) + Numero(0, 1, 0, 1) +
                                    Numero(1, 0, 1, 0) + Numero(1, 1, 366, 1),
                                0, 0, QByteArray("Hoja\x8E")});
             return DocumentoOle(x.flujo(), QStringLiteral("Book"));
         },
         "Hojaé$",
         "Hojaé$",
         {"Café", "01/01/1904"},
         {{"1", "01/01/1905"}}},
        {"BIFF5 sin CODEPAGE se lee en Windows-1252",
         [] {
             XlsAMano x;
             x.biff8 = false;
             x.hojas.push_back({QStringLiteral("H"), RegistroBiff(0x0204, Celda(0, 0) + U16(4) + "Caf\x8E")});
             return DocumentoOle(x.flujo(), QStringLiteral("Book"));
         },
         "H$",
         "H",
         {"CafŽ"},
         {}},
        {"celdas desordenadas, hoja oculta y gráfico",
         [] {
             XlsAMano x;
             x.global = Estilos(true);
             x.hojas.push_back({QStringLiteral("Visible"), Label(0, 0, "v")});
             x.hojas.push_back({QStringLiteral("Oculta"),
                                Numero(2, 1, 6) + Numero(2, 0, 5) + Label(0, 1, "y") + Label(0, 0, "x"), 1});
             x.hojas.push_back({QStringLiteral("Grafico"), {}, 0, 2});
             return DocumentoOle(x.flujo());
         },
         "Visible$|Oculta$",
         "Oculta$",
         {"x", "y"},
         {{"", ""}, {"5", "6"}}},
        {"hoja en sectores comunes",
         [] {
             QByteArray r = Label(0, 0, "n");
             for (int f = 1; f <= 400; ++f) r += Numero(f, 0, f * 0.5);
             return DocumentoOle(UnaHoja(r).flujo());
         },
         "Datos$",
         "Datos",
         {"n"},
         {}},
        {"libro con contraseña",
         [] { return DocumentoOle(UnaHoja({}, RegistroBiff(0x002F, U16(0))).flujo()); },
         "",
         "Datos",
         {},
         {},
         "contraseña"},
        {"texto compartido que no existe",
         [] {
             return DocumentoOle(UnaHoja(RegistroBiff(0x00FD, Celda(0, 0) + U32(5)),
                                         RegistroBiff(0x00FC, U32(1) + U32(1) + TextoBiff8("uno")))
                                     .flujo());
         },
         "",
         "Datos",
         {},
         {},
         "dañado"},
        {"registro que pasa del final",
         [] { return DocumentoOle(UnaHoja(U16(0x0203) + U16(200) + QByteArray(10, '\0')).flujo()); },
         "",
         "Datos",
         {},
         {},
         "dañado"},
        {"documento de Office sin libro",
         [] { return DocumentoOle(UnaHoja({}).flujo(), "WordDocument"); },
         "",
         "Datos",
         {},
         {},
         "no contiene un libro de Excel"},
        {"documento truncado",
         [] { return DocumentoOle(UnaHoja({}).flujo()).left(1024); },
         "",
         "Datos",
         {},
         {},
         "truncado"},
    };
    return casos;
}
}  // namespace

TEST(LibroBiff, LibrosHechosAMano) {
    QTemporaryDir dir;
    for (const Caso& c : Casos()) {
        SCOPED_TRACE(c.nombre);
        const QString ruta = dir.filePath(QStringLiteral("libro.xls"));
        QFile::remove(ruta);
        EscribirArchivo(ruta, c.archivo());
        if (c.falla) {
            const QString falla = FallaAlLeer(ruta, QString::fromUtf8(c.hoja));
            EXPECT_TRUE(falla.contains(ruta) && falla.contains(QString::fromUtf8(c.falla)))
                << qPrintable(falla);
            continue;
        }
        if (*c.tablas) EXPECT_EQ(HojasDe(ruta).join(u'|'), QString::fromUtf8(c.tablas));
        const HojaLeida h = LeerHoja(ruta, QString::fromUtf8(c.hoja));
        EXPECT_EQ(h.campos, c.campos);
        if (QString::fromUtf8(c.nombre) == "hoja en sectores comunes") {
            ASSERT_EQ(h.filas.size(), 400u);
            EXPECT_EQ(h.texto(399, 0), "200");
            EXPECT_EQ(h.texto(0, 0), "0,5");
            continue;
        }
        ASSERT_EQ(h.filas.size(), c.filas.size());
        for (std::size_t f = 0; f < c.filas.size(); ++f) {
            QStringList leida;
            for (int k = 0; k < h.campos.size(); ++k) leida << h.texto(f, k);
            EXPECT_EQ(leida, c.filas[f]) << "fila " << f;
        }
    }
}
