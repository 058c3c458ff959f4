#include "LibrosDePrueba.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <QFile>
#include <stdexcept>
#include <string>

#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "platform/ErrorEjecucion.h"

// Si no puede escribir, lanza: la prueba se detiene (un ASSERT aquí sólo dejaría esta función).
void EscribirZip(const QString& ruta, const std::vector<std::pair<QString, QByteArray>>& partes) {
    const auto exigir = [&](bool bien, const char* paso) {
        if (!bien)
            throw std::runtime_error(std::string("no se pudo escribir el zip ") + ruta.toStdString() + ": " +
                                     paso);
    };
    zipFile zip = zipOpen64(QFile::encodeName(ruta).constData(), APPEND_STATUS_CREATE);
    exigir(zip != nullptr, "zipOpen64");
    for (const auto& [nombre, bytes] : partes) {
        zip_fileinfo info{};
        exigir(zipOpenNewFileInZip64(zip, nombre.toUtf8().constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                     Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK,
               "zipOpenNewFileInZip64");
        exigir(zipWriteInFileInZip(zip, bytes.constData(), static_cast<unsigned>(bytes.size())) == ZIP_OK,
               "zipWriteInFileInZip");
        exigir(zipCloseFileInZip(zip) == ZIP_OK, "zipCloseFileInZip");
    }
    exigir(zipClose(zip, nullptr) == ZIP_OK, "zipClose");
}

void LibroAMano::escribir(const QString& ruta) const {
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray nsr = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const QByteArray tipo = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    QByteArray libro = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook " + ns + " " + nsr +
                       "><workbookPr " + propiedadesLibro + "/><sheets>";
    QByteArray rels =
        "<?xml version=\"1.0\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    std::vector<std::pair<QString, QByteArray>> partes = antes;
    for (std::size_t i = 0; i < hojas.size(); ++i) {
        const QByteArray n = QByteArray::number(static_cast<qulonglong>(i + 1));
        const QString estado =
            i < static_cast<std::size_t>(estados.size()) ? estados[static_cast<qsizetype>(i)] : QString();
        libro += "<sheet name=\"" + hojas[i].first.toHtmlEscaped().toUtf8() + "\" sheetId=\"" + n +
                 "\" r:id=\"rId" + n + "\"" +
                 (estado.isEmpty() ? QByteArray() : " state=\"" + estado.toUtf8() + "\"") + "/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + tipo + "worksheet\" Target=\"worksheets/sheet" +
                n + ".xml\"/>";
        const QByteArray prologo = i < prologos.size() ? prologos[i] : QByteArray();
        partes.emplace_back(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1),
                            "<?xml version=\"1.0\"?><worksheet " + ns + ">" + prologo + "<sheetData>" +
                                hojas[i].second + "</sheetData></worksheet>");
    }
    libro += "</sheets></workbook>";
    if (!cadenas.isEmpty()) {
        rels += "<Relationship Id=\"rIdS\" Type=\"" + tipo + "sharedStrings\" Target=\"sharedStrings.xml\"/>";
        partes.emplace_back(QStringLiteral("xl/sharedStrings.xml"),
                            "<?xml version=\"1.0\"?><sst " + ns + ">" + cadenas + "</sst>");
    }
    if (!estilos.isEmpty()) {
        rels += "<Relationship Id=\"rIdE\" Type=\"" + tipo + "styles\" Target=\"/xl/styles.xml\"/>";
        partes.emplace_back(QStringLiteral("xl/styles.xml"), estilos);
    }
    rels += "</Relationships>";
    partes.emplace_back(QStringLiteral("xl/workbook.xml"), libro);
    partes.emplace_back(QStringLiteral("xl/_rels/workbook.xml.rels"), rels);
    EscribirZip(ruta, partes);
}

QString ConexionExcel(const QString& ruta) {
    return QStringLiteral("Driver={Microsoft Excel Driver (*.xls)};DriverId=790;Dbq=%1;DefaultDir=/tmp;")
        .arg(ruta);
}

QString HojaLeida::texto(std::size_t fila, int campo) const {
    return TextoValor(filas.at(fila).at(static_cast<std::size_t>(campo)));
}

HojaLeida LeerHoja(const QString& ruta, const QString& hoja) {
    HojaLeida leida;
    Conexion c;
    c.Open(ConexionExcel(ruta));
    RecordsetPtr rs = c.abrirRecordset(QStringLiteral("SELECT * FROM [%1]").arg(hoja));
    for (int i = 0; i < rs->FieldCount(); ++i) leida.campos.append(rs->FieldName(i));
    while (!rs->EOF_()) {
        std::vector<QVariant> fila;
        for (int i = 0; i < rs->FieldCount(); ++i) fila.push_back(rs->Field(i));
        leida.filas.push_back(std::move(fila));
        rs->MoveNext();
    }
    c.Close();
    return leida;
}

QStringList HojasDe(const QString& ruta) {
    Conexion c;
    c.Open(ConexionExcel(ruta));
    QStringList hojas;
    RecordsetPtr rs = c.OpenSchemaTablas();
    for (; !rs->EOF_(); rs->MoveNext()) hojas.append(rs->Field(QStringLiteral("TABLE_NAME")).toString());
    c.Close();
    return hojas;
}

QString FallaAlLeer(const QString& ruta, const QString& hoja) {
    try {
        LeerHoja(ruta, hoja);
    } catch (const ErrorEjecucion& e) {
        EXPECT_NE(e.numero(), 0) << qPrintable(e.descripcion());
        return e.descripcion();
    }
    return {};
}
