#include "import/ArchivoCsv.h"

#include <QFileInfo>

#include "platform/Cp1252.h"
#include "platform/ErrorEjecucion.h"

namespace {
// Un valor de csv: entre comillas (las de adentro duplicadas) si tiene separador, comillas o saltos.
QString ValorCsv(const QString& v) {
    if (!v.contains(';') && !v.contains('"') && !v.contains('\n') && !v.contains('\r')) return v;
    QString c = v;
    c.replace('"', QStringLiteral("\"\""));
    return '"' + c + '"';
}
}  // namespace

ArchivoCsv::ArchivoCsv(const QString& ruta, Codificacion codificacion, QString que)
    : ruta_(ruta), codificacion_(codificacion), que_(std::move(que)), archivo_(ruta) {
    if (QFileInfo(ruta).isDir() || !archivo_.open(QIODevice::WriteOnly)) fallar();
}

void ArchivoCsv::fallar() const {
    const QString causa =
        QFileInfo(ruta_).isDir() ? QStringLiteral("es una carpeta") : archivo_.errorString();
    throw ErrorEjecucion(
        Errores::ProveedorFallo,
        QStringLiteral("No se puede escribir el archivo %1 \"%2\": %3").arg(que_, ruta_, causa));
}

void ArchivoCsv::linea(const QStringList& valores) {
    QString texto;
    for (qsizetype i = 0; i < valores.size(); ++i) {
        if (i) texto += ';';
        texto += ValorCsv(valores[i]);
    }
    texto += QStringLiteral("\r\n");
    const QByteArray bytes = codificacion_ == Codificacion::Utf8 ? texto.toUtf8() : Cp1252::Codificar(texto);
    if (archivo_.write(bytes) != bytes.size()) fallar();
}

void ArchivoCsv::terminar() {
    if (!archivo_.commit()) fallar();
}
