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
    : ruta_(ruta), codificacion_(codificacion), que_(std::move(que)) {
    if (QFileInfo(ruta).isDir())
        fallar(ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("\"%1\": es una carpeta.").arg(ruta)));
    try {
        archivo_ = std::make_unique<ArchivoPropio::Nuevo>(ruta, 0666);
    } catch (const ErrorEjecucion& e) {
        fallar(e);
    }
}

void ArchivoCsv::fallar(const ErrorEjecucion& e) const {
    // "No se puede escribir "r.csv": disco lleno." -> "No se puede escribir el archivo de filas no
    // importadas "r.csv": disco lleno."
    QString causa = e.descripcion();
    const QString prefijo = QStringLiteral("\"%1\": ").arg(ruta_);
    const qsizetype i = causa.indexOf(prefijo);
    if (i >= 0) causa = causa.mid(i + prefijo.size());
    if (causa.endsWith('.')) causa.chop(1);
    throw ErrorEjecucion(
        Errores::ProveedorFallo,
        QStringLiteral("No se puede escribir el archivo %1 \"%2\": %3").arg(que_, ruta_, causa));
}

QString LineaCsv(const QStringList& valores) {
    QString texto;
    for (qsizetype i = 0; i < valores.size(); ++i) {
        if (i) texto += ';';
        texto += ValorCsv(valores[i]);
    }
    return texto;
}

void ArchivoCsv::linea(const QStringList& valores) {
    const QString texto = LineaCsv(valores) + QStringLiteral("\r\n");
    const QByteArray bytes = codificacion_ == Codificacion::Utf8 ? texto.toUtf8() : Cp1252::Codificar(texto);
    try {
        archivo_->escribir(bytes);
    } catch (const ErrorEjecucion& e) {
        fallar(e);
    }
}

void ArchivoCsv::terminar() {
    try {
        archivo_->terminar();
    } catch (const ErrorEjecucion& e) {
        fallar(e);
    }
}
