// Los archivos de texto delimitado (.txt, .csv): la conexión abre la carpeta del archivo, como el
// controlador de texto de Windows, y cada archivo de la carpeta es una tabla.
#include "ado/ArchivoOrigen.h"
#include "ado/Proveedores.h"
#include "ado/texto/TablasTexto.h"

namespace {
class Texto : public ClaseOrigen {
  public:
    QString nombre() const override { return QStringLiteral("texto"); }
    QStringList extensiones() const override { return {QStringLiteral("txt"), QStringLiteral("csv")}; }
    bool esCarpeta() const override { return true; }
    ListadoOrigen listado() const override { return ListadoOrigen::TablasYNombreBase; }

    QString textoConexion(const QString& ruta) const override {
        const ArchivoOrigen a = ArchivoOrigen::De(ruta);
        return QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") +
               TextoConexion::ValorOdbc(a.carpeta) + ';';
    }
    bool reconoce(const TextoConexion& texto) const override {
        return texto.valor(QStringLiteral("Driver"))
            .contains(QLatin1String("Microsoft Text Driver"), Qt::CaseInsensitive);
    }
    std::unique_ptr<Proveedor> crearProveedor(const TextoConexion&) const override {
        return CrearProveedorTexto();
    }

    // El nombre con que el proveedor lista el archivo: "datos.2024#csv".
    QString tablaDelArchivo(const QString& ruta) const override {
        return TablaDeArchivoTexto(ArchivoOrigen::De(ruta).archivo);
    }
};
}  // namespace

const ClaseOrigen& ClaseTexto() {
    static const Texto clase;
    return clase;
}
