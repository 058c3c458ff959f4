// Las bases SQLite de un proveedor (.db): la conexión abre el archivo, sólo para leer. La base
// embebida de la suite usa el mismo motor con su propio texto de conexión (TextoConexionSuite).
#include "ado/ClasesOrigen.h"
#include "ado/Proveedores.h"

namespace {
class Sqlite : public ClaseOrigen {
  public:
    QString nombre() const override { return QStringLiteral("SQLite"); }
    QStringList extensiones() const override { return {QStringLiteral("db")}; }

    QString textoConexion(const QString& ruta) const override {
        return QStringLiteral("DRIVER=SQLite3 ODBC Driver;Database=") + TextoConexion::ValorOdbc(ruta) +
               QStringLiteral(";LongNames=0;Timeout=1000;NoTXN=0;SyncPragma=NORMAL;StepAPI=0;");
    }
    // Un texto con "Dialecto=" es de un controlador ODBC de SQLite de verdad, no de un archivo.
    bool reconoce(const TextoConexion& texto) const override {
        return texto.valor(QStringLiteral("Driver"))
                   .contains(QLatin1String("SQLite3 ODBC Driver"), Qt::CaseInsensitive) &&
               !texto.texto().contains(QLatin1String("Dialecto="), Qt::CaseInsensitive);
    }
    std::unique_ptr<Proveedor> crearProveedor(const TextoConexion&) const override {
        return CrearProveedorSqlite();
    }
};
}  // namespace

const ClaseOrigen& ClaseSqlite() {
    static const Sqlite clase;
    return clase;
}
