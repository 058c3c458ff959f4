// Las bases de Access (.mdb): la conexión abre el archivo, como el proveedor Jet 4.0.
#include "ado/ClasesOrigen.h"
#include "ado/Proveedores.h"

namespace {
class Access : public ClaseOrigen {
  public:
    QString nombre() const override { return QStringLiteral("Access"); }
    QStringList extensiones() const override { return {QStringLiteral("mdb")}; }

    // La clave va siempre vacía: nada entre "Password=" y el ";".
    QString textoConexion(const QString& ruta) const override {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
               TextoConexion::ValorOleDb(ruta) + QStringLiteral(";Jet OLEDB:Database Password=") +
               QStringLiteral(";");
    }
    bool reconoce(const TextoConexion& texto) const override {
        return texto.valor(QStringLiteral("Provider"))
            .contains(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive);
    }
    std::unique_ptr<Proveedor> crearProveedor(const TextoConexion&) const override {
        return CrearProveedorAccess();
    }

    // Las tablas del sistema ("MSysObjects"...) no se listan.
    bool pasaFiltro(const QString& nombre) const override {
        return nombre.trimmed().left(4).compare(QLatin1String("mSys"), Qt::CaseInsensitive) != 0;
    }
};
}  // namespace

const ClaseOrigen& ClaseAccess() {
    static const Access clase;
    return clase;
}
