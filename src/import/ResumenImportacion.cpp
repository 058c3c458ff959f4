#include "import/ResumenImportacion.h"

#include <functional>

#include "platform/Regional.h"

namespace {

// Cómo se escribe una cuenta: el número y su palabra.
using Cuenta = std::function<QString(qint64, const QString& singular, const QString& plural)>;

QString Texto(const ResumenImportacion& r, const Cuenta& cuenta) {
    QString t = r.prueba             ? QStringLiteral("Prueba sin escribir: ")
                : r.transmision == 0 ? QStringLiteral("Ninguna transmisión: ")
                                     : QStringLiteral("Transmisión %1: ").arg(r.transmision);
    if (r.detenida) t.prepend(QStringLiteral("Detenida. "));
    t += (r.prueba
              ? cuenta(r.insertadas, QStringLiteral("fila que se agregaría"),
                       QStringLiteral("filas que se agregarían"))
              : cuenta(r.insertadas, QStringLiteral("fila agregada"), QStringLiteral("filas agregadas"))) +
         QStringLiteral(", ") +
         cuenta(r.yaGuardadas, QStringLiteral("serie ya guardada"), QStringLiteral("series ya guardadas")) +
         QStringLiteral(", ") +
         cuenta(r.sinSerie, QStringLiteral("fila sin serie"), QStringLiteral("filas sin serie"));
    if (r.repetidasEnArchivo > 0)
        t += QStringLiteral(", ") + cuenta(r.repetidasEnArchivo, QStringLiteral("repetida en el archivo"),
                                           QStringLiteral("repetidas en el archivo"));
    t += u'.';
    // Una prueba dice que esos bytes ya se importaron, sin preguntar.
    if (r.prueba && !r.repetido.isEmpty()) t += ' ' + r.repetido.section(u'¿', 0, 0).trimmed();
    if (!r.avisoCampos.isEmpty()) t += QStringLiteral(" Aviso: ") + r.avisoCampos;
    return t;
}

}  // namespace

QString ResumenImportacion::texto() const {
    // Los programas que leen la salida esperan el número desnudo y la palabra en plural.
    return Texto(*this, [](qint64 n, const QString&, const QString& plural) {
        return QString::number(n) + u' ' + plural;
    });
}

QString ResumenImportacion::textoParaLeer() const { return Texto(*this, &Regional::Cantidad); }
