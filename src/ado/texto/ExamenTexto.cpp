#include "ado/texto/ExamenTexto.h"

#include <QByteArray>
#include <cstring>

#include "ado/CodigoPagina.h"

namespace {
constexpr qsizetype kTrozo = 1024 * 1024;

}  // namespace

ResultadoExamen ExaminarTexto(QIODevice& origen, char delimitador, std::optional<int> codigoPagina,
                              qint64 maxRegistro) {
    ResultadoExamen r;
    QByteArray trozo(kTrozo, Qt::Uninitialized);
    bool llano[256] = {};
    for (int c = 0x20; c < 0x7F; ++c) llano[c] = c != '"' && c != static_cast<unsigned char>(delimitador);
    ValidadorUtf8 utf8;
    bool decidir = !codigoPagina.has_value();
    qint64 lineaNoUtf8 = 0;  // la primera línea que no es UTF-8
    bool bom = false;

    // Estado del registro en curso, como lo lee el lector: un campo va entre comillas sólo si
    // empieza con una; dentro, "" es una comilla; después de la de cierre sigue hasta el
    // delimitador o el fin de línea.
    qint64 linea = 1;
    qint64 lineaComilla = 0;  // donde abrió la comilla en curso
    qint64 inicioRegistro = 0, lineaRegistro = 1;
    bool inicioCampo = true, enComillas = false, comillaVista = false, tras_cr = false;
    qint64 posicion = 0;
    // Los registros vistos, el primero que no está en blanco (el encabezado) y el último.
    qint64 registros = 0, encabezado = -1, ultimoConDatos = -1;
    const auto cerrarRegistro = [&](qint64 fin) {
        ++registros;
        if (fin <= inicioRegistro) return;  // en blanco
        if (encabezado < 0) encabezado = registros;
        ultimoConDatos = registros;
    };
    const auto falla = [&](const QString& texto) {
        r.falla = texto;
        return r;
    };

    for (bool primero = true;; primero = false) {
        const qint64 n = origen.read(trozo.data(), trozo.size());
        if (n < 0) return falla(QStringLiteral("falló la lectura (%1)").arg(origen.errorString()));
        if (n == 0) break;
        const auto* p = reinterpret_cast<const unsigned char*>(trozo.constData());
        qint64 i = 0;
        if (primero) {
            if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF)))
                return falla(
                    QStringLiteral("está en UTF-16 (texto Unicode); guárdelo como CSV en UTF-8 o ANSI"));
            if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
                bom = true;
                i = 3;
                inicioRegistro = 3;
            }
        }
        for (; i < n; ++i) {
            // Lo llano (ASCII visible que no es comilla ni delimitador) no cambia nada salvo que el
            // campo ya empezó: se saltea de una vez. No dentro de una secuencia UTF-8 a medias ni
            // justo después de una comilla dentro de comillas.
            if (llano[p[i]] && !comillaVista && !(decidir && utf8.aMedias())) {
                while (i + 1 < n && llano[p[i + 1]]) ++i;
                tras_cr = false;
                if (!enComillas) inicioCampo = false;
                continue;
            }
            const unsigned char c = p[i];
            if (decidir && !utf8.byte(c)) {
                if (bom) {
                    return falla(QStringLiteral("empieza con la marca de UTF-8 pero la línea %1 no está en "
                                                "UTF-8: guárdelo de nuevo en una sola codificación")
                                     .arg(linea));
                }
                decidir = false;  // ya se sabe: Windows-1252
                lineaNoUtf8 = linea;
            }
            if (c == 0) {
                return falla(QStringLiteral("tiene un byte nulo en la línea %1: no es un archivo de texto "
                                            "(¿una planilla u otro archivo con la extensión cambiada?)")
                                 .arg(linea));
            }
            const bool finLinea = c == '\n' || c == '\r';
            const bool segundoDeCrLf = c == '\n' && tras_cr;
            if (finLinea) {
                // CR LF es un solo fin de línea; CR solo o LF solo, uno cada uno.
                if (!(c == '\n' && tras_cr)) ++linea;
                tras_cr = c == '\r';
            } else {
                tras_cr = false;
            }
            if (enComillas) {
                if (comillaVista) {
                    comillaVista = false;
                    if (c == '"') continue;  // comilla doblada: sigue dentro
                    enComillas = false;      // la anterior cerró el campo; c va fuera de comillas
                } else {
                    if (c == '"') comillaVista = true;
                    continue;
                }
            }
            if (inicioCampo && c == '"') {
                enComillas = true;
                lineaComilla = linea;
                inicioCampo = false;
                continue;
            }
            inicioCampo = false;
            if (c == static_cast<unsigned char>(delimitador)) {
                inicioCampo = true;
            } else if (finLinea) {
                const qint64 fin = posicion + i;
                if (fin - inicioRegistro > maxRegistro) {
                    return falla(QStringLiteral("el registro que empieza en la línea %1 pasa de %2 MiB: el "
                                                "archivo está dañado")
                                     .arg(lineaRegistro)
                                     .arg(maxRegistro / (1024 * 1024)));
                }
                if (!segundoDeCrLf) cerrarRegistro(fin);
                inicioCampo = true;
                inicioRegistro = fin + 1;
                lineaRegistro = linea;
            }
        }
        posicion += n;
    }
    if (enComillas && !comillaVista) {
        return falla(
            QStringLiteral("tiene una comilla que abre un campo en la línea %1 y no se cierra nunca: "
                           "el archivo está mal formado")
                .arg(lineaComilla));
    }
    if (posicion - inicioRegistro > maxRegistro) {
        return falla(QStringLiteral("el registro que empieza en la línea %1 pasa de %2 MiB: el archivo está "
                                    "dañado")
                         .arg(lineaRegistro)
                         .arg(maxRegistro / (1024 * 1024)));
    }
    if (decidir && !utf8.cerrar()) {
        if (bom) {
            return falla(QStringLiteral("empieza con la marca de UTF-8 pero la línea %1 no está en UTF-8: "
                                        "guárdelo de nuevo en una sola codificación")
                             .arg(linea));
        }
        lineaNoUtf8 = linea;
    }
    if (posicion > inicioRegistro) cerrarRegistro(posicion);  // el último, sin fin de línea
    ExamenTexto e;
    e.filas = encabezado < 0 ? 0 : ultimoConDatos - encabezado;
    e.codigoPagina = codigoPagina ? *codigoPagina : (lineaNoUtf8 == 0 ? 65001 : 1252);
    e.bytes = posicion;
    r.examen = e;
    return r;
}
