// Proveedor de los archivos de texto delimitado (.txt y .csv) de una carpeta, que hace las veces
// del controlador de texto de Windows: cada archivo es una tabla ("datos#csv").
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ado/CarpetaOrigen.h"
#include "ado/ConsultaSimple.h"
#include "ado/texto/EsquemaIni.h"
#include "ado/texto/LectorCsv.h"
#include "ado/texto/TablasTexto.h"
#include "ado/Proveedores.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kNombre = QStringLiteral("Proveedor de texto");
const QStringList kExtensiones = {QStringLiteral("csv"), QStringLiteral("txt")};

[[noreturn]] void Fallar(const QString& descripcion, int32_t numero = Errores::ProveedorFallo) {
    throw ErrorEjecucion(numero, descripcion, kNombre);
}

// Las filas de un archivo, leídas a medida que se piden. Los valores son los textos tal como
// están escritos ("00012345" sigue así); un campo vacío es nulo.
class FuenteTexto : public FuenteFilas {
  public:
    FuenteTexto(const QString& ruta, OpcionesCsv opciones)
        : ruta_(ruta), archivo_(ruta), lector_(archivo_, std::move(opciones)) {
        if (const auto roto = EnlaceRoto(ruta_)) Fallar(*roto);
        // Sin búfer de QFile: el lector tiene el suyo.
        if (!archivo_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            Fallar(QStringLiteral(
                       "No se puede abrir el archivo \"%1\": %2 (¿está bloqueado o sin permiso de lectura?).")
                       .arg(ruta_, archivo_.errorString()));
        }
        switch (lector_.empezar()) {
            case LectorCsv::Estado::Fila:
                break;
            case LectorCsv::Estado::Fin:
                Fallar(QStringLiteral("El archivo \"%1\" está vacío: no tiene la fila de encabezado con los "
                                      "nombres de los campos.")
                           .arg(ruta_));
            case LectorCsv::Estado::Falla:
                FallaLectura();
        }
    }

    int columnas() const override { return static_cast<int>(lector_.nombres().size()); }
    QString nombreColumna(int i) const override { return lector_.nombres().at(i); }

    bool siguiente(std::vector<QVariant>& fila) override {
        switch (lector_.siguienteCrudo()) {
            case LectorCsv::Estado::Fin:
                return false;
            case LectorCsv::Estado::Falla:
                FallaLectura();
            case LectorCsv::Estado::Fila:
                break;
        }
        const auto n = static_cast<std::size_t>(lector_.nombres().size());
        fila.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const QByteArrayView bytes = lector_.campo(static_cast<qsizetype>(i));
            QVariant& v = fila[i];
            if (bytes.isEmpty()) {
                v = QVariant();
                continue;
            }
            // El texto se escribe sobre el de la fila anterior: si ya nadie lo comparte, sin pedir
            // memoria nueva.
            if (v.typeId() != QMetaType::QString) v = QVariant(QString());
            lector_.decodificar(bytes, *static_cast<QString*>(v.data()));
        }
        return true;
    }

  private:
    [[noreturn]] void FallaLectura() const {
        Fallar(QStringLiteral("No se puede leer el archivo \"%1\": %2.").arg(ruta_, lector_.falla()));
    }

    QString ruta_;
    QFile archivo_;
    LectorCsv lector_;
};

class ProveedorTexto : public Proveedor {
  public:
    QString nombre() const override { return kNombre; }

    void abrir(const TextoConexion& texto) override {
        const QString carpeta = CarpetaComprobada(texto.valor(QStringLiteral("DBQ")), QStringLiteral("DBQ"),
                                                  QStringLiteral("los archivos de texto"), kNombre);
        carpeta_.setPath(carpeta);
        abierto_ = true;
    }

    void cerrar() override { abierto_ = false; }

    QStringList tablas() override {
        exigirAbierto();
        QStringList nombres;
        for (const QFileInfo& f : ArchivosDeCarpeta(carpeta_, kExtensiones)) nombres.append(TablaDeArchivoTexto(f.fileName()));
        return nombres;
    }

    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool) override {
        exigirAbierto();
        const auto tabla = TablaDeConsulta(sql);
        if (!tabla) Fallar(DescripcionConsultaNoAdmitida(sql));
        const auto archivo = ArchivoDeTablaTexto(ArchivosDeCarpeta(carpeta_, kExtensiones), *tabla);
        if (!archivo) {
            Fallar(QStringLiteral("No se encuentra la tabla \"%1\": no hay un archivo .csv ni .txt con ese "
                                  "nombre en la carpeta \"%2\".")
                       .arg(*tabla, carpeta_.path()),
                   kTablaInexistente);
        }
        OpcionesCsv opciones;
        if (const auto esquema = esquemaDe(archivo->fileName())) {
            if (esquema->anchoFijo) {
                Fallar(QStringLiteral("El archivo \"%1\" es de ancho fijo según schema.ini "
                                      "(Format=FixedLength), formato que "
                                      "este programa no lee; use un archivo delimitado.")
                           .arg(archivo->filePath()));
            }
            opciones = esquema->opciones;
        }
        return std::make_unique<FuenteTexto>(archivo->filePath(), std::move(opciones));
    }

  private:
    void exigirAbierto() const {
        if (!abierto_)
            throw ErrorEjecucion(Errores::ConexionCerrada, QStringLiteral("El origen no está abierto."),
                                 kNombre);
    }

    // La sección de schema.ini para el archivo, si la carpeta tiene uno que lo describa.
    std::optional<EsquemaArchivo> esquemaDe(const QString& archivo) const {
        for (const QFileInfo& f : ArchivosDeCarpeta(carpeta_, {QStringLiteral("ini")})) {
            if (f.fileName().compare(QLatin1String("schema.ini"), Qt::CaseInsensitive) != 0) continue;
            QFile ini(f.filePath());
            if (!ini.open(QIODevice::ReadOnly)) {
                Fallar(QStringLiteral("No se puede abrir \"%1\": %2.").arg(f.filePath(), ini.errorString()));
            }
            constexpr qint64 kMaxIni = 1024 * 1024;  // un schema.ini es de unos pocos kB
            return EsquemaDeArchivo(ini.read(kMaxIni), archivo);
        }
        return std::nullopt;
    }

    QDir carpeta_;
    bool abierto_ = false;
};
}  // namespace

std::unique_ptr<Proveedor> CrearProveedorTexto() { return std::make_unique<ProveedorTexto>(); }
