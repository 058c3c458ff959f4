#include "ado/excel/HojasExcel.h"

#include <QFile>
#include <QFileInfo>

#include "ado/CarpetaOrigen.h"
#include "ado/NombreSinMayusculas.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kOrigen = QStringLiteral("Proveedor de Excel");

[[noreturn]] void Fallar(const QString& descripcion) {
    throw ErrorEjecucion(Errores::ProveedorFallo, descripcion, kOrigen);
}
}  // namespace

void ComprobarArchivoExcel(const QString& ruta) {
    if (ruta.trimmed().isEmpty())
        Fallar(QStringLiteral("No se indicó el libro de Excel (falta Dbq en la conexión)."));
    if (const auto roto = EnlaceRoto(ruta)) Fallar(*roto);
    const QFileInfo info(ruta);
    if (!info.exists()) Fallar(QStringLiteral("No existe el libro de Excel \"%1\".").arg(ruta));
    if (info.isDir()) Fallar(QStringLiteral("\"%1\" es una carpeta, no un libro de Excel.").arg(ruta));
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        Fallar(
            QStringLiteral("No se puede leer el libro de Excel \"%1\": %2 (¿sin permiso o bloqueado por otro "
                           "programa?).")
                .arg(ruta, archivo.errorString()));
    }
    if (archivo.size() == 0)
        Fallar(QStringLiteral("El libro de Excel \"%1\" está vacío (0 bytes).").arg(ruta));
}

QString ClaseDeContenido(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray inicio = f.read(512);
    if (inicio.startsWith("PK\x03\x04")) return QStringLiteral(": es un zip");
    if (inicio.startsWith("\xD0\xCF\x11\xE0"))
        return QStringLiteral(": es un documento de Office (.xls, .doc)");
    const QByteArray minusculas = inicio.trimmed().toLower();
    if (minusculas.startsWith("<html") || minusculas.startsWith("<!doctype html") ||
        minusculas.contains("<table")) {
        return QStringLiteral(": es una página HTML guardada con extensión de Excel");
    }
    if (minusculas.startsWith("<")) return QStringLiteral(": es un documento XML");
    for (char c : inicio) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\r' && c != '\n' && c != '\t') return {};
    }
    return QStringLiteral(": es un archivo de texto");
}

int BuscarHoja(const QStringList& hojas, const QString& tabla, const QString& ruta) {
    QString buscada = tabla;
    if (buscada.size() >= 2 && buscada.startsWith(u'\'') && buscada.endsWith(u'\''))
        buscada = buscada.mid(1, buscada.size() - 2);
    // "Hoja1$" o "Hoja1": primero tal cual está escrita; si ninguna hoja se llama así, la única
    // que se llama así sin contar mayúsculas. Con "Hoja1" y "HOJA1" en el libro, "hoja1" no
    // elige por el operador: se rechaza nombrando las dos.
    const auto esta = [&](const QString& hoja, Qt::CaseSensitivity cs) {
        return buscada.compare(hoja + u'$', cs) == 0 || buscada.compare(hoja, cs) == 0;
    };
    const NombreHallado hallada = BuscarNombre(
        static_cast<int>(hojas.size()), [&](int i, Qt::CaseSensitivity cs) { return esta(hojas[i], cs); });
    if (hallada.indice >= 0) return hallada.indice;
    if (!hallada.parecidos.isEmpty()) {
        QStringList nombres;
        for (int i : hallada.parecidos) nombres << u'"' + hojas[i] + u'"';
        throw ErrorEjecucion(
            kHojaInexistente,
            QStringLiteral("El libro de Excel \"%1\" tiene varias hojas que se llaman \"%2\" salvo por las "
                           "mayúsculas (%3): escriba el nombre de la hoja exactamente como está en el libro.")
                .arg(ruta, tabla, nombres.join(QStringLiteral(", "))),
            kOrigen);
    }
    throw ErrorEjecucion(
        kHojaInexistente,
        QStringLiteral("El libro de Excel \"%1\" no tiene la hoja \"%2\". Sus hojas son: %3.")
            .arg(ruta, tabla,
                 hojas.isEmpty() ? QStringLiteral("(ninguna)") : hojas.join(QStringLiteral(", "))),
        kOrigen);
}

QString DescripcionLibroSoloLectura(const QString& ruta) {
    return QStringLiteral(
               "El libro de Excel \"%1\" se abre sólo para leer: no se pueden guardar filas en él.")
        .arg(ruta);
}
