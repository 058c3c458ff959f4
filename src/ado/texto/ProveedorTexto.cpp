// Proveedor de los archivos de texto delimitado (.txt y .csv) de una carpeta, que hace las veces
// del controlador de texto de Windows: cada archivo es una tabla ("datos#csv").
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ado/CarpetaOrigen.h"
#include "ado/ConsultaSimple.h"
#include "ado/HuellaArchivo.h"
#include "ado/Proveedores.h"
#include "ado/texto/EsquemaIni.h"
#include "ado/texto/ExamenTexto.h"
#include "ado/texto/LectorCsv.h"
#include "ado/texto/TablasTexto.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kNombre = QStringLiteral("Proveedor de texto");
const QStringList kExtensiones = {QStringLiteral("csv"), QStringLiteral("txt")};

[[noreturn]] void Fallar(const QString& descripcion, int32_t numero = Errores::ProveedorFallo) {
    throw ErrorEjecucion(numero, descripcion, kNombre);
}

// Las filas de un archivo, leídas a medida que se piden. Los valores son los textos tal como
// están escritos ("00012345" sigue así); un campo vacío es nulo.
//
// Se lee la versión del archivo que se abrió: al final se compara su huella con la del principio
// (y con la del examen, si lo hubo), así un archivo truncado, agrandado o reescrito en medio de la
// lectura es una falla y no unas filas de más o de menos.
class FuenteTexto : public FuenteFilas {
  public:
    // examinada y total: lo que vio la pasada por el archivo entero, si la hubo.
    FuenteTexto(const QString& ruta, OpcionesCsv opciones, std::optional<HuellaArchivo> examinada,
                std::optional<qint64> total)
        : ruta_(ruta), archivo_(ruta), lector_(archivo_, std::move(opciones)), total_(total) {
        if (const auto roto = EnlaceRoto(ruta_)) Fallar(*roto);
        // Sin búfer de QFile: el lector tiene el suyo.
        if (!archivo_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            Fallar(QStringLiteral(
                       "No se puede abrir el archivo \"%1\": %2 (¿está bloqueado o sin permiso de lectura?).")
                       .arg(ruta_, archivo_.errorString()));
        }
        huella_ = HuellaArchivo::DeDescriptor(archivo_.handle());
        if (examinada && huella_ != examinada) Fallar(DescripcionOrigenCambiado(ruta_, 0), kOrigenCambiado);
        // Cada trozo leído se compara con la versión abierta: un cambio falla antes de dar una
        // fila hecha con bytes de otra versión.
        lector_.vigilar([this] {
            cambio_ = HuellaArchivo::DeDescriptor(archivo_.handle()) != huella_;
            return cambio_ ? QStringLiteral("el archivo cambió") : QString();
        });
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

    std::optional<qint64> total() const override { return total_; }
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
        ++filas_;
        return true;
    }

  private:
    [[noreturn]] void FallaLectura() const {
        if (cambio_) Fallar(DescripcionOrigenCambiado(ruta_, filas_), kOrigenCambiado);
        Fallar(QStringLiteral("No se puede leer el archivo \"%1\": %2.").arg(ruta_, lector_.falla()));
    }

    QString ruta_;
    QFile archivo_;
    LectorCsv lector_;
    std::optional<HuellaArchivo> huella_;
    qint64 filas_ = 0;
    std::optional<qint64> total_;
    bool cambio_ = false;
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

    void cerrar() override {
        abierto_ = false;
        examen_.reset();
    }

    QStringList tablas() override {
        exigirAbierto();
        QStringList nombres;
        for (const QFileInfo& f : ArchivosDeCarpeta(carpeta_, kExtensiones))
            nombres.append(TablaDeArchivoTexto(f.fileName()));
        return nombres;
    }

    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool) override {
        exigirAbierto();
        const auto tabla = TablaDeConsulta(sql);
        if (!tabla) Fallar(DescripcionConsultaNoAdmitida(sql));
        return leerTabla(*tabla);
    }

    std::unique_ptr<FuenteFilas> leerTabla(const QString& tabla) override {
        const QFileInfo archivo = archivoDeTabla(tabla);
        OpcionesCsv opciones = opcionesDe(archivo);
        std::optional<HuellaArchivo> examinada;
        std::optional<qint64> total;
        if (examen_ && examen_->ruta == archivo.filePath()) {
            // La codificación decidida con el archivo entero, no con su principio.
            opciones.codigoPagina = examen_->codigoPagina;
            examinada = examen_->huella;
            total = examen_->filas;
        }
        return std::make_unique<FuenteTexto>(archivo.filePath(), std::move(opciones), examinada, total);
    }

    void examinarTabla(const QString& tabla) override {
        examen_.reset();
        // Una tabla que ya no está o un archivo que no se abre no se examinan: la lectura misma lo
        // dice después, con su mensaje y su trampa.
        std::optional<QFileInfo> encontrado;
        try {
            encontrado = archivoDeTabla(tabla);
        } catch (const ErrorEjecucion&) {
            return;
        }
        const QFileInfo archivo = *encontrado;
        const OpcionesCsv opciones = opcionesDe(archivo);
        QFile f(archivo.filePath());
        if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return;
        const auto huella = HuellaArchivo::DeDescriptor(f.handle());
        // El delimitador, como lo decide la lectura (de la primera línea o de schema.ini).
        char delimitador;
        {
            LectorCsv lector(f, opciones);
            if (lector.empezar() == LectorCsv::Estado::Falla) {
                Fallar(QStringLiteral("No se puede leer el archivo \"%1\": %2.")
                           .arg(f.fileName(), lector.falla()));
            }
            delimitador = lector.delimitador();
        }
        if (!f.seek(0))
            Fallar(
                QStringLiteral("No se puede leer el archivo \"%1\": %2.").arg(f.fileName(), f.errorString()));
        const ResultadoExamen r =
            ExaminarTexto(f, delimitador, opciones.codigoPagina, LectorCsv::kMaxRegistro);
        if (!r.examen) {
            Fallar(QStringLiteral("El archivo \"%1\" no se puede importar: %2.").arg(f.fileName(), r.falla));
        }
        if (HuellaArchivo::DeDescriptor(f.handle()) != huella)
            Fallar(DescripcionOrigenCambiado(f.fileName(), 0), kOrigenCambiado);
        examen_ = Examen{archivo.filePath(), r.examen->codigoPagina, huella, r.examen->filas};
    }

  private:
    // Lo que decidió examinarTabla para un archivo de la carpeta.
    struct Examen {
        QString ruta;
        int codigoPagina;
        std::optional<HuellaArchivo> huella;
        qint64 filas;
    };

    QFileInfo archivoDeTabla(const QString& tabla) const {
        exigirAbierto();
        const auto archivo = ArchivoDeTablaTexto(ArchivosDeCarpeta(carpeta_, kExtensiones), tabla);
        if (!archivo) {
            Fallar(QStringLiteral("No se encuentra la tabla \"%1\": no hay un archivo .csv ni .txt con ese "
                                  "nombre en la carpeta \"%2\".")
                       .arg(tabla, carpeta_.path()),
                   kTablaInexistente);
        }
        return *archivo;
    }

    OpcionesCsv opcionesDe(const QFileInfo& archivo) const {
        OpcionesCsv opciones;
        if (const auto esquema = esquemaDe(archivo.fileName())) {
            if (esquema->anchoFijo) {
                Fallar(QStringLiteral("El archivo \"%1\" es de ancho fijo según schema.ini "
                                      "(Format=FixedLength), formato que "
                                      "este programa no lee; use un archivo delimitado.")
                           .arg(archivo.filePath()));
            }
            opciones = esquema->opciones;
        }
        return opciones;
    }

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
    std::optional<Examen> examen_;
};
}  // namespace

std::unique_ptr<Proveedor> CrearProveedorTexto() { return std::make_unique<ProveedorTexto>(); }
