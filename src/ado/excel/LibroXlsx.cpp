#include "ado/excel/LibroXlsx.h"

#include <QHash>
#include <QStringList>
#include <cstring>

#include "ado/excel/FechasExcel.h"
#include "ado/excel/XmlXlsx.h"
#include "platform/ErrorEjecucion.h"

namespace {
QString Texto(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

// La carpeta "_rels" de una parte: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
QString PartesRelaciones(const QString& parte) {
    const qsizetype barra = parte.lastIndexOf(u'/');
    return parte.left(barra + 1) + QStringLiteral("_rels/") + parte.mid(barra + 1) + QStringLiteral(".rels");
}

struct Relacion {
    QString tipo;
    QString destino;
};

// Las relaciones de una parte, por id; vacío si la parte no tiene relaciones.
QHash<QString, Relacion> LeerRelaciones(const ZipXlsx& zip, const QString& parte) {
    QHash<QString, Relacion> relaciones;
    const QString rels = PartesRelaciones(parte);
    if (!zip.contiene(rels)) return relaciones;
    RecorrerXml(zip.leer(rels), zip.ruta(), rels,
                {[&](const char* e, const char** at) {
                     if (std::strcmp(e, "Relationship") != 0) return;
                     const char* modo = Atributo(at, "TargetMode");
                     if (modo && std::strcmp(modo, "External") == 0) return;
                     relaciones.insert(Texto(Atributo(at, "Id")),
                                       {Texto(Atributo(at, "Type")),
                                        ResolverDestino(parte, Texto(Atributo(at, "Target")))});
                 },
                 nullptr});
    return relaciones;
}

QString DestinoDeTipo(const QHash<QString, Relacion>& relaciones, const char* finTipo) {
    for (const Relacion& r : relaciones) {
        if (r.tipo.endsWith(QLatin1String(finTipo))) return r.destino;
    }
    return {};
}
}  // namespace

QString ResolverDestino(const QString& parteOrigen, const QString& destino) {
    QString d = destino;
    d.replace(u'\\', u'/');
    QStringList piezas;
    if (!d.startsWith(u'/')) {
        piezas = parteOrigen.split(u'/');
        piezas.removeLast();
    }
    for (const QString& p : d.split(u'/', Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".")) continue;
        if (p == QLatin1String("..")) {
            if (!piezas.isEmpty()) piezas.removeLast();
            continue;
        }
        piezas.append(p);
    }
    return piezas.join(u'/');
}

LibroXlsx::LibroXlsx(const QString& ruta) : zip_(ruta) {
    // El paquete dice dónde está el libro; si no lo dice, se busca donde lo ponen todos.
    QString parteLibro = DestinoDeTipo(LeerRelaciones(zip_, QString()), "/officeDocument");
    if (parteLibro.isEmpty() || !zip_.contiene(parteLibro)) parteLibro = QStringLiteral("xl/workbook.xml");
    if (!zip_.contiene(parteLibro)) {
        throw ErrorEjecucion(
            Errores::ProveedorFallo,
            DescripcionLibro(ruta, QStringLiteral("no es un libro de Excel: es un zip sin la parte "
                                                  "\"xl/workbook.xml\"")),
            QStringLiteral("Proveedor de Excel"));
    }
    leerLibro(parteLibro);
}

void LibroXlsx::leerLibro(const QString& parteLibro) {
    const QHash<QString, Relacion> relaciones = LeerRelaciones(zip_, parteLibro);
    struct Declarada {
        QString nombre, id;
        bool oculta;
    };
    std::vector<Declarada> declaradas;
    RecorrerXml(zip_.leer(parteLibro), ruta(), parteLibro,
                {[&](const char* e, const char** at) {
                     if (std::strcmp(e, "sheet") == 0) {
                         const char* estado = Atributo(at, "state");
                         declaradas.push_back({Texto(Atributo(at, "name")), Texto(Atributo(at, "id")),
                                               estado && std::strcmp(estado, "visible") != 0});
                     } else if (std::strcmp(e, "workbookPr") == 0) {
                         const char* f = Atributo(at, "date1904");
                         sistema1904_ = f && (std::strcmp(f, "1") == 0 || std::strcmp(f, "true") == 0);
                     }
                 },
                 nullptr});
    for (const Declarada& d : declaradas) {
        QString parte = relaciones.value(d.id).destino;
        // Sin relación (paquetes mínimos) la hoja n suele estar en worksheets/sheetn.xml.
        if (parte.isEmpty())
            parte =
                ResolverDestino(parteLibro, QStringLiteral("worksheets/sheet%1.xml").arg(hojas_.size() + 1));
        hojas_.push_back({d.nombre, parte, d.oculta});
    }
    parteCadenas_ = DestinoDeTipo(relaciones, "/sharedStrings");
    if (parteCadenas_.isEmpty())
        parteCadenas_ = ResolverDestino(parteLibro, QStringLiteral("sharedStrings.xml"));
    if (!zip_.contiene(parteCadenas_)) parteCadenas_.clear();
    QString estilos = DestinoDeTipo(relaciones, "/styles");
    if (estilos.isEmpty()) estilos = ResolverDestino(parteLibro, QStringLiteral("styles.xml"));
    if (zip_.contiene(estilos)) leerEstilos(estilos);
}

void LibroXlsx::leerEstilos(const QString& parteEstilos) {
    QHash<int, QString> propios;  // numFmtId -> formatCode
    std::vector<int> formatos;    // numFmtId de cada xf de cellXfs
    bool enCeldas = false;
    RecorrerXml(zip_.leer(parteEstilos), ruta(), parteEstilos,
                {[&](const char* e, const char** at) {
                     if (std::strcmp(e, "numFmt") == 0) {
                         const char* id = Atributo(at, "numFmtId");
                         if (id) propios.insert(QByteArray(id).toInt(), Texto(Atributo(at, "formatCode")));
                     } else if (std::strcmp(e, "cellXfs") == 0) {
                         enCeldas = true;
                     } else if (enCeldas && std::strcmp(e, "xf") == 0) {
                         const char* id = Atributo(at, "numFmtId");
                         formatos.push_back(id ? QByteArray(id).toInt() : 0);
                     }
                 },
                 [&](const char* e) {
                     if (std::strcmp(e, "cellXfs") == 0) enCeldas = false;
                 }});
    estilosFecha_.reserve(formatos.size());
    for (int id : formatos) {
        // Un formato propio puede reusar un número incorporado: manda su código.
        const auto propio = propios.constFind(id);
        estilosFecha_.push_back(propio != propios.cend() ? EsFormatoFecha(-1, *propio) : EsFormatoFecha(id));
    }
}
