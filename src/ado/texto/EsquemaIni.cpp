#include "ado/texto/EsquemaIni.h"

#include <QRegularExpression>
#include <QStringList>
#include <map>

namespace {
std::optional<int> PaginaDeCharacterSet(const QString& valor) {
    const QString v = valor.trimmed().toUpper();
    if (v == QLatin1String("ANSI")) return 1252;
    if (v == QLatin1String("OEM")) return 850;  // la página OEM de un Windows en castellano
    if (v == QLatin1String("UTF-8") || v == QLatin1String("UTF8")) return 65001;
    bool ok = false;
    const int n = v.toInt(&ok);
    if (ok && n > 0) return n;
    return std::nullopt;
}

// "Nombre Text Width 10" o "\"Nombre con blancos\" Text": el nombre del campo.
QString NombreDeColumna(const QString& valor) {
    const QString v = valor.trimmed();
    if (v.startsWith('"')) {
        const qsizetype cierre = v.indexOf('"', 1);
        return cierre < 0 ? v.mid(1) : v.mid(1, cierre - 1);
    }
    const qsizetype blanco = v.indexOf(' ');
    return blanco < 0 ? v : v.left(blanco);
}
}  // namespace

std::optional<EsquemaArchivo> EsquemaDeArchivo(const QByteArray& contenido, const QString& archivo) {
    // schema.ini lo escribe el Bloc de notas: UTF-8 si lo es, si no la página ANSI.
    DecodificadorTexto decodificador(EsUtf8Valido(contenido, true) ? 65001 : 1252);
    QString texto = decodificador.decodificar(contenido);
    if (texto.startsWith(QChar(0xFEFF))) texto.remove(0, 1);

    bool dentro = false, encontrada = false;
    EsquemaArchivo esquema;
    std::map<int, QString> columnas;
    const QStringList lineas = texto.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& cruda : lineas) {
        const QString linea = cruda.trimmed();
        if (linea.isEmpty() || linea.startsWith(';')) continue;
        if (linea.startsWith('[') && linea.endsWith(']')) {
            dentro = linea.mid(1, linea.size() - 2).trimmed().compare(archivo, Qt::CaseInsensitive) == 0;
            encontrada = encontrada || dentro;
            continue;
        }
        if (!dentro) continue;
        const qsizetype igual = linea.indexOf('=');
        if (igual < 0) continue;
        const QString clave = linea.left(igual).trimmed();
        const QString valor = linea.mid(igual + 1).trimmed();
        if (clave.compare(QLatin1String("Format"), Qt::CaseInsensitive) == 0) {
            if (valor.compare(QLatin1String("TabDelimited"), Qt::CaseInsensitive) == 0) {
                esquema.opciones.delimitador = '\t';
            } else if (valor.compare(QLatin1String("CSVDelimited"), Qt::CaseInsensitive) == 0) {
                esquema.opciones.delimitador = ',';
            } else if (valor.compare(QLatin1String("FixedLength"), Qt::CaseInsensitive) == 0) {
                esquema.anchoFijo = true;
            } else if (valor.startsWith(QLatin1String("Delimited("), Qt::CaseInsensitive) &&
                       valor.endsWith(')') && valor.size() == 12 && valor[10].unicode() < 0x100) {
                esquema.opciones.delimitador = static_cast<char>(valor[10].unicode());
            }
        } else if (clave.compare(QLatin1String("ColNameHeader"), Qt::CaseInsensitive) == 0) {
            esquema.opciones.encabezado = valor.compare(QLatin1String("False"), Qt::CaseInsensitive) != 0;
        } else if (clave.compare(QLatin1String("CharacterSet"), Qt::CaseInsensitive) == 0) {
            esquema.opciones.codigoPagina = PaginaDeCharacterSet(valor);
        } else if (clave.startsWith(QLatin1String("Col"), Qt::CaseInsensitive)) {
            bool ok = false;
            const int n = clave.mid(3).toInt(&ok);
            // Un límite razonable: un número enorme no debe crear millones de columnas.
            if (ok && n >= 1 && n <= 4096) columnas[n] = NombreDeColumna(valor);
        }
    }
    if (!encontrada) return std::nullopt;
    if (!columnas.empty()) {
        const int ultima = columnas.rbegin()->first;
        for (int i = 1; i <= ultima; ++i) {
            const auto it = columnas.find(i);
            esquema.opciones.nombres.append(
                it == columnas.end() || it->second.isEmpty() ? QStringLiteral("F%1").arg(i) : it->second);
        }
    }
    return esquema;
}
