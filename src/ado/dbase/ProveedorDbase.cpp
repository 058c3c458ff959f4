// Proveedor de las tablas dBase/FoxPro (.dbf) de una carpeta, que hace las veces del proveedor
// de Visual FoxPro: la carpeta es la base y cada .dbf una tabla, con sus memos .dbt o .fpt al lado.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ado/CarpetaOrigen.h"
#include "ado/ConsultaSimple.h"
#include "ado/Proveedores.h"
#include "ado/dbase/LectorDbf.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kNombre = QStringLiteral("Proveedor de dBase");

[[noreturn]] void Fallar(const QString& descripcion, int32_t numero = Errores::ProveedorFallo) {
    throw ErrorEjecucion(numero, descripcion, kNombre);
}

// El archivo de la carpeta con ese nombre base (hasta el último ".") y esa extensión; el nombre
// exacto gana al que sólo difiere en mayúsculas.
std::optional<QFileInfo> BuscarArchivo(const QDir& carpeta, const QString& base, const QString& extension) {
    return ArchivoDeNombre(ArchivosDeCarpeta(carpeta, {extension}), base,
                           [](const QFileInfo& f) { return f.completeBaseName(); });
}

// Las filas de una tabla, leídas registro por registro. El memo se abre la primera vez que un
// registro lo necesita: una tabla sin su memo se lee hasta el primer memo que no esté en blanco.
class FuenteDbf : public FuenteFilas {
  public:
    explicit FuenteDbf(const QFileInfo& tabla)
        : ruta_(tabla.filePath()),
          carpeta_(tabla.absolutePath()),
          base_(tabla.completeBaseName()),
          archivo_(ruta_),
          lector_(archivo_, [this](MemoDbf::Clase& clase) { return abrirMemo(clase); }) {
        if (const auto roto = EnlaceRoto(ruta_)) Fallar(*roto);
        if (!archivo_.open(QIODevice::ReadOnly)) {
            Fallar(QStringLiteral(
                       "No se puede abrir la tabla \"%1\": %2 (¿está bloqueada o sin permiso de lectura?).")
                       .arg(ruta_, archivo_.errorString()));
        }
        if (lector_.abrir() != LectorDbf::Estado::Fila) {
            Fallar(QStringLiteral("No se puede leer la tabla \"%1\": %2.").arg(ruta_, lector_.falla()));
        }
    }

    int columnas() const override { return static_cast<int>(lector_.campos().size()); }
    QString nombreColumna(int i) const override {
        return lector_.campos().at(static_cast<std::size_t>(i)).nombre;
    }
    std::optional<qint64> total() const override { return lector_.registros(); }

    bool siguiente(std::vector<QVariant>& fila) override {
        switch (lector_.siguiente(fila)) {
            case LectorDbf::Estado::Fila:
                return true;
            case LectorDbf::Estado::Fin:
                return false;
            case LectorDbf::Estado::Falla:
                break;
        }
        Fallar(QStringLiteral("No se puede leer la tabla \"%1\": %2.").arg(ruta_, lector_.falla()));
    }

  private:
    // Busca el memo de la clase que pide la versión de la tabla y, si no está, el de la otra.
    QIODevice* abrirMemo(MemoDbf::Clase& clase) {
        const bool fpt = clase == MemoDbf::Clase::Fpt;
        auto archivo = BuscarArchivo(carpeta_, base_, fpt ? QStringLiteral("fpt") : QStringLiteral("dbt"));
        if (!archivo) {
            archivo = BuscarArchivo(carpeta_, base_, fpt ? QStringLiteral("dbt") : QStringLiteral("fpt"));
            if (archivo) clase = fpt ? MemoDbf::Clase::Dbt : MemoDbf::Clase::Fpt;
        }
        if (!archivo) return nullptr;
        memo_.setFileName(archivo->filePath());
        if (!memo_.open(QIODevice::ReadOnly)) {
            Fallar(QStringLiteral("No se puede abrir el archivo de memos \"%1\" de la tabla \"%2\": %3.")
                       .arg(memo_.fileName(), ruta_, memo_.errorString()));
        }
        return &memo_;
    }

    QString ruta_;
    QDir carpeta_;
    QString base_;
    QFile archivo_;
    QFile memo_;
    LectorDbf lector_;
};

class ProveedorDbase : public Proveedor {
  public:
    QString nombre() const override { return kNombre; }

    void abrir(const TextoConexion& texto) override {
        const QString carpeta =
            CarpetaComprobada(texto.valor(QStringLiteral("Data Source")), QStringLiteral("Data Source"),
                              QStringLiteral("las tablas .dbf"), kNombre);
        carpeta_.setPath(carpeta);
        abierto_ = true;
    }

    void cerrar() override { abierto_ = false; }

    QStringList tablas() override {
        exigirAbierto();
        QStringList nombres;
        for (const QFileInfo& f : ArchivosDeCarpeta(carpeta_, {QStringLiteral("dbf")}))
            nombres.append(f.completeBaseName());
        return nombres;
    }

    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool) override {
        exigirAbierto();
        const auto tabla = TablaDeConsulta(sql);
        if (!tabla) Fallar(DescripcionConsultaNoAdmitida(sql));
        return leerTabla(*tabla);
    }

    std::unique_ptr<FuenteFilas> leerTabla(const QString& tabla) override {
        exigirAbierto();
        // La tabla es el nombre base ("datos.2024") o, si no hay tal, el nombre del archivo
        // ("datos.2024.dbf").
        auto archivo = BuscarArchivo(carpeta_, tabla, QStringLiteral("dbf"));
        if (!archivo) {
            archivo = ArchivoDeNombre(ArchivosDeCarpeta(carpeta_, {QStringLiteral("dbf")}), tabla,
                                      [](const QFileInfo& f) { return f.fileName(); });
        }
        if (!archivo) {
            QString base = tabla.trimmed();
            if (base.endsWith(QLatin1String(".dbf"), Qt::CaseInsensitive)) base.chop(4);
            Fallar(
                QStringLiteral(
                    "No se encuentra la tabla \"%1\": no existe el archivo \"%2.dbf\" en la carpeta \"%3\".")
                    .arg(tabla, base, carpeta_.path()),
                kTablaInexistente);
        }
        return std::make_unique<FuenteDbf>(*archivo);
    }

  private:
    void exigirAbierto() const {
        if (!abierto_)
            throw ErrorEjecucion(Errores::ConexionCerrada, QStringLiteral("El origen no está abierto."),
                                 kNombre);
    }

    QDir carpeta_;
    bool abierto_ = false;
};
}  // namespace

std::unique_ptr<Proveedor> CrearProveedorDbase() { return std::make_unique<ProveedorDbase>(); }
