// Los libros de Excel (.xls, .xlsx): la conexión abre el libro y cada hoja es una tabla. Las dos
// extensiones se abren con el mismo texto de conexión; el libro se lee por lo que es, no por su
// extensión (un .xls que en realidad es un .xlsx, o al revés, se abre igual).
#include <QFile>
#include <QFileInfo>

#include "ado/ArchivoOrigen.h"
#include "ado/Proveedores.h"

namespace {
class Excel : public ClaseOrigen {
  public:
    QString textoConexion(const QString& ruta) const override {
        const ArchivoOrigen a = ArchivoOrigen::De(ruta);
        return QStringLiteral("Driver={Microsoft Excel Driver (*.xls)};DriverId=790;Dbq=") +
               TextoConexion::ValorOdbc(ruta) + QStringLiteral(";DefaultDir=") +
               TextoConexion::ValorOdbc(a.carpeta) + ';';
    }
    bool reconoce(const TextoConexion& texto) const override {
        return texto.valor(QStringLiteral("Driver"))
            .contains(QLatin1String("Microsoft Excel Driver"), Qt::CaseInsensitive);
    }
    std::unique_ptr<Proveedor> crearProveedor(const TextoConexion& texto) const override {
        const QString ruta = texto.valor(QStringLiteral("Dbq"));
        QFile archivo(ruta);
        if (archivo.open(QIODevice::ReadOnly)) {
            const QByteArray firma = archivo.read(8);
            if (firma.startsWith("PK\x03\x04")) return CrearProveedorXlsx();
            if (firma.startsWith("\xD0\xCF\x11\xE0")) return CrearProveedorXls();
        }
        if (QFileInfo(ruta).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0)
            return CrearProveedorXlsx();
        return CrearProveedorXls();
    }
};

// De un .xls sólo se listan las hojas: los nombres con "$".
class Xls : public Excel {
  public:
    QString nombre() const override { return QStringLiteral("Excel (xls)"); }
    QStringList extensiones() const override { return {QStringLiteral("xls")}; }
    bool pasaFiltro(const QString& nombre) const override { return nombre.trimmed().contains('$'); }
};

class Xlsx : public Excel {
  public:
    QString nombre() const override { return QStringLiteral("Excel (xlsx)"); }
    QStringList extensiones() const override { return {QStringLiteral("xlsx")}; }
};
}  // namespace

const ClaseOrigen& ClaseXls() {
    static const Xls clase;
    return clase;
}

const ClaseOrigen& ClaseXlsx() {
    static const Xlsx clase;
    return clase;
}
