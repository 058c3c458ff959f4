// El avance de la importación de una hoja: filas hechas de la cota que declara el libro, sin
// pasar nunca de ella, y al terminar las filas que hubo de verdad aunque la cota no fuera cierta.
#include <QDir>

#include "ado/excel/LibrosDePrueba.h"
#include "import/VentanaDePrueba.h"

namespace {
class AvanceDeLaCorrida : public VentanaDePrueba {};
}  // namespace

TEST_F(AvanceDeLaCorrida, UnaHojaCuentaDeSuCotaSinPasarla) {
    // Cinco filas de datos bajo la cabecera (filas 2 a 6); títulos que no nombran campos conocidos.
    const auto fila = [](int n, const QStringList& valores) {
        const QByteArray r = QByteArray::number(n);
        QByteArray xml = "<row r=\"" + r + "\">";
        for (int c = 0; c < valores.size(); ++c)
            xml += "<c r=\"" + QByteArray(1, static_cast<char>('A' + c)) + r + "\" t=\"inlineStr\"><is><t>" +
                   valores[c].toUtf8() + "</t></is></c>";
        return xml + "</row>";
    };
    QByteArray filas = fila(1, {"a", "b", "c", "d", "e"});
    for (int i = 2; i <= 6; ++i) filas += fila(i, {"E", QStringLiteral("S%1").arg(i), "M", "x", "A"});
    const struct {
        const char* nombre;
        QByteArray prologo;
        const char* avance;  // cada aviso: hechas/total (-1: sin total)
    } casos[] = {
        {"cota cierta", "<dimension ref=\"A1:E6\"/>", "1/5 2/5 3/5 4/5 5/5"},
        {"sin cota", "", "1/-1 2/-1 3/-1 4/-1 5/-1"},
        {"cota corta: pasada, sin total; al final, las filas que hubo", "<dimension ref=\"A1:E3\"/>",
         "1/2 2/2 3/-1 4/-1 5/-1 5/5"},
        {"cota larga: al final, las filas que hubo", "<dimension ref=\"A1:E1000\"/>",
         "1/999 2/999 3/999 4/999 5/999 5/5"},
    };
    ventana_->setRepetir(true);  // las filas se repiten de un caso a otro: sin esa pregunta
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const QString carpeta = dir_.filePath(QStringLiteral("origen/") + c.nombre);
        QDir().mkpath(carpeta);
        LibroAMano libro;
        libro.hojas = {{QStringLiteral("Hoja"), filas}};
        libro.prologos = {c.prologo};
        libro.escribir(carpeta + "/libro.xlsx");
        buscar(carpeta + "/libro.xlsx");
        QStringList avance;
        const auto conexion =
            QObject::connect(modelo_.get(), &ModeloVentana::progreso,
                             [&](qint64 h, qint64 t) { avance << QStringLiteral("%1/%2").arg(h).arg(t); });
        ventana_->cmdImportar_Click();
        QObject::disconnect(conexion);
        EXPECT_EQ(avance.join(' '), c.avance);
        EXPECT_TRUE(mensajes_->cuadros().empty()) << qPrintable(mensajes_->textos().join("\n"));
        mensajes_->olvidar();
    }
}
