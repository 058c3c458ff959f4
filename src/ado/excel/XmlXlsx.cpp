#include "ado/excel/XmlXlsx.h"

#include <expat.h>

#include <cstring>

#include "ado/excel/ZipXlsx.h"
#include "platform/ErrorEjecucion.h"

const char* NombreLocal(const char* nombre) {
    const char* dos = std::strrchr(nombre, ':');
    return dos ? dos + 1 : nombre;
}

const char* Atributo(const char** atributos, const char* nombre) {
    for (int i = 0; atributos[i]; i += 2) {
        if (std::strcmp(NombreLocal(atributos[i]), nombre) == 0) return atributos[i + 1];
    }
    return nullptr;
}

namespace {
void XMLCALL AlAbrir(void* datos, const XML_Char* nombre, const XML_Char** atributos) {
    auto* e = static_cast<const EventosXml*>(datos);
    if (e->abre) e->abre(NombreLocal(nombre), atributos);
}
void XMLCALL AlCerrar(void* datos, const XML_Char* nombre) {
    auto* e = static_cast<const EventosXml*>(datos);
    if (e->cierra) e->cierra(NombreLocal(nombre));
}
}  // namespace

void RecorrerXml(const QByteArray& xml, const QString& libro, const QString& parte,
                 const EventosXml& eventos) {
    XML_Parser p = XML_ParserCreate(nullptr);
    if (!p)
        throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("No hay memoria para leer el libro."));
    XML_SetUserData(p, const_cast<EventosXml*>(&eventos));
    XML_SetElementHandler(p, AlAbrir, AlCerrar);
    const bool ok = XML_Parse(p, xml.constData(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
    const QString causa = ok ? QString()
                             : QStringLiteral("está dañado: la parte \"%1\" no es XML válido (línea %2: %3)")
                                   .arg(parte)
                                   .arg(XML_GetCurrentLineNumber(p))
                                   .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(p))));
    XML_ParserFree(p);
    if (!ok)
        throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionLibro(libro, causa),
                             QStringLiteral("Proveedor de Excel"));
}

QString TextoXlsx(const std::string& utf8) {
    QString texto = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (!texto.contains(QLatin1String("_x"))) return texto;
    // "_x000D_" es un retorno de carro; "_x005F_" escapa el propio "_".
    QString salida;
    salida.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (texto.at(i) == u'_' && i + 6 < texto.size() && texto.at(i + 1) == u'x' &&
            texto.at(i + 6) == u'_') {
            bool ok = false;
            const ushort codigo = texto.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                salida.append(QChar(codigo));
                i += 6;
                continue;
            }
        }
        salida.append(texto.at(i));
    }
    return salida;
}
