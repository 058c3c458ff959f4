// Las tablas dBase/FoxPro (.dbf): la conexión abre la carpeta del archivo, como el proveedor de
// Visual FoxPro, y cada .dbf de la carpeta es una tabla; la ventana agrega a la lista sólo la del
// archivo elegido.
#include "ado/ArchivoOrigen.h"
#include "ado/Proveedores.h"

namespace {
class Dbase : public ClaseOrigen {
  public:
    QString nombre() const override { return QStringLiteral("dBase"); }
    QStringList extensiones() const override { return {QStringLiteral("dbf")}; }
    bool esCarpeta() const override { return true; }
    ListadoOrigen listado() const override { return ListadoOrigen::SoloNombreBase; }

    // La carpeta termina en "/".
    QString textoConexion(const QString& ruta) const override {
        const ArchivoOrigen a = ArchivoOrigen::De(ruta);
        const QString carpeta = a.carpeta.endsWith('/') ? a.carpeta : a.carpeta + '/';
        return QStringLiteral("Provider=vfpoledb.1;Data Source=") + TextoConexion::ValorOleDb(carpeta) +
               QStringLiteral(";Collating Sequence=general");
    }
    bool reconoce(const TextoConexion& texto) const override {
        return texto.valor(QStringLiteral("Provider"))
            .contains(QLatin1String("vfpoledb"), Qt::CaseInsensitive);
    }
    std::unique_ptr<Proveedor> crearProveedor(const TextoConexion&) const override {
        return CrearProveedorDbase();
    }

    QString tablaDelArchivo(const QString& ruta) const override { return nombreBase(ruta); }
    QString sentenciaDelArchivo(const QString& ruta) const override {
        return QStringLiteral("Select * from ") + NombreEntreCorchetes(nombreBase(ruta));
    }
};
}  // namespace

const ClaseOrigen& ClaseDbase() {
    static const Dbase clase;
    return clase;
}
