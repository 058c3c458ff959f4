#include <QFile>
#include <charconv>
#include <cmath>

#include "ado/ConsultaSimple.h"
#include "ado/NumeroExacto.h"
#include "ado/Proveedores.h"
#include "ado/Valores.h"
#include "ado/excel/CadenasXlsx.h"
#include "ado/excel/FechasExcel.h"
#include "ado/excel/FuenteHoja.h"
#include "ado/excel/HojaXmlEnHilo.h"
#include "ado/excel/HojasExcel.h"
#include "ado/excel/LibroXlsx.h"
#include "ado/excel/XmlXlsx.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kNombre = QStringLiteral("Proveedor de Excel");

// Las filas de una hoja de un .xlsx, leídas del zip a medida que se piden. Se queda con el libro
// (compartido) para no depender de que el proveedor siga abierto.
class FuenteXlsx : public FuenteHoja {
  public:
    FuenteXlsx(std::shared_ptr<const LibroXlsx> libro, const HojaXlsx& hoja)
        : libro_(std::move(libro)),
          hoja_([libro = libro_, parte = hoja.parte] { return libro->zip().abrirFlujo(parte); },
                libro_->ruta(), hoja.parte),
          nombreHoja_(hoja.nombre) {
        leerCabecera();
        declararUltimaFila(hoja_.ultimaFilaDeclarada());
    }

  protected:
    bool leerFila(FilaHoja& fila) override {
        // El libro se lee por un descriptor abierto al principio: reemplazado por otro, se sigue
        // leyendo el de antes; escrito en su lugar (truncado, agrandado), es una falla que lo dice.
        bool hay;
        try {
            hay = hoja_.siguiente(xml_);
        } catch (const ErrorEjecucion& e) {
            if (libro_->zip().cambio())
                throw ErrorEjecucion(kOrigenCambiado, DescripcionOrigenCambiado(libro_->ruta(), filas_),
                                     kNombre);
            throw ConHoja(e);
        }
        if (!hay) {
            if (libro_->zip().cambio())
                throw ErrorEjecucion(kOrigenCambiado, DescripcionOrigenCambiado(libro_->ruta(), filas_),
                                     kNombre);
            return false;
        }
        ++filas_;
        fila.numero = xml_.numero;
        const int utiles = columnasUtiles();
        int ancho = 0;
        for (const CeldaXml& c : xml_.celdas) ancho = std::max(ancho, c.columna + 1);
        if (utiles >= 0) ancho = std::min(ancho, utiles);  // lo de fuera de los campos ni se convierte
        fila.celdas.assign(static_cast<std::size_t>(ancho), QVariant());
        for (const CeldaXml& c : xml_.celdas) {
            if (c.columna >= ancho) continue;
            try {
                QVariant& v = fila.celdas[static_cast<std::size_t>(c.columna)];
                v = valor(c);
                // Un carácter nulo (escrito "_x0000_" o "&#0;") no es texto de una celda: "NULA\0B" y
                // "NULA\0C" se verían iguales en todas partes.
                if (v.typeId() == QMetaType::QString &&
                    static_cast<const QString*>(v.constData())->contains(QChar(0)))
                    throw ErrorEjecucion(
                        Errores::ProveedorFallo,
                        DescripcionLibro(libro_->ruta(), QStringLiteral("tiene un carácter nulo en "
                                                                        "un texto")),
                        kNombre);
            } catch (const ErrorEjecucion& e) {
                // La falla de una cadena compartida (demasiado larga, que falta) dice qué celda la pidió.
                throw ConHoja(ErrorEjecucion(
                    e.numero(),
                    e.descripcion() + QStringLiteral(" (la pide la celda %1)")
                                          .arg(CotasHoja::ReferenciaCelda(c.columna, xml_.numero)),
                    e.origen()));
            }
        }
        return true;
    }

  private:
    // Una falla de la hoja nombra la hoja.
    ErrorEjecucion ConHoja(const ErrorEjecucion& e) const {
        if (e.numero() == kOrigenCambiado) return e;
        return ErrorEjecucion(e.numero(), e.descripcion() + QStringLiteral(" (hoja \"%1\")").arg(nombreHoja_),
                              e.origen());
    }

    QVariant valor(const CeldaXml& c) {
        switch (c.tipo) {
            case 's': {
                if (c.valor.empty()) return {};
                qint64 i = -1;
                std::from_chars(c.valor.data(), c.valor.data() + c.valor.size(), i);
                return cadenas().cadena(i);
            }
            case 'i':
            case 't':
                return TextoXlsx(c.valor);
            case 'b':
                if (c.valor.empty()) return {};
                return c.valor == "1" || c.valor == "true";
            case 'e':
                return ValorErrorDeCelda(
                    QString::fromUtf8(c.valor.data(), static_cast<qsizetype>(c.valor.size())));
            case 'd': {
                if (c.valor.empty()) return {};
                const QString texto =
                    QString::fromUtf8(c.valor.data(), static_cast<qsizetype>(c.valor.size()));
                const QVariant fecha = FechaDeTexto(texto);
                return fecha.isValid() ? fecha : QVariant(texto);
            }
            default:
                return numero(c);
        }
    }

    QVariant numero(const CeldaXml& c) {
        if (c.valor.empty()) return {};
        const std::string_view texto(c.valor);
        if (libro_->estiloFecha(c.estilo)) {
            double x = 0;
            const char* inicio = c.valor.data();
            const char* fin = inicio + c.valor.size();
            while (inicio < fin && (*inicio == ' ' || *inicio == '+')) ++inicio;  // from_chars no acepta "+"
            const auto r = std::from_chars(inicio, fin, x);
            if (r.ec == std::errc() && r.ptr == fin) {
                const QVariant fecha = FechaDeSerie(x, libro_->sistema1904());
                if (fecha.isValid()) return fecha;
            }
        }
        // Un entero se lee de sus cifras: una serie de 19 cifras guardada como número no pasa por
        // un doble que le cambie las últimas.
        QVariant v = NumeroExacto::DeTexto(texto);
        if (!v.isValid()) return QString::fromUtf8(c.valor.data(), static_cast<qsizetype>(c.valor.size()));
        return v;
    }

    CadenasXlsx& cadenas() {
        if (!cadenas_) {
            if (libro_->parteCadenas().isEmpty()) {
                throw ErrorEjecucion(
                    Errores::ProveedorFallo,
                    DescripcionLibro(libro_->ruta(), QStringLiteral("está dañado: una celda pide una cadena "
                                                                    "compartida y el libro no tiene")),
                    kNombre);
            }
            cadenas_ = std::make_unique<CadenasXlsx>(libro_->zip().abrirFlujo(libro_->parteCadenas()),
                                                     libro_->ruta(), libro_->parteCadenas());
        }
        return *cadenas_;
    }

    std::shared_ptr<const LibroXlsx> libro_;
    HojaXmlEnHilo hoja_;
    QString nombreHoja_;
    FilaXml xml_;
    std::unique_ptr<CadenasXlsx> cadenas_;
    qint64 filas_ = 0;
};

class ProveedorXlsx : public Proveedor {
  public:
    QString nombre() const override { return kNombre; }

    void abrir(const TextoConexion& texto) override {
        const QString ruta = texto.valor(QStringLiteral("Dbq"));
        ComprobarArchivoExcel(ruta);
        QFile archivo(ruta);
        if (!archivo.open(QIODevice::ReadOnly) || !archivo.read(4).startsWith("PK")) {
            throw ErrorEjecucion(
                Errores::ProveedorFallo,
                DescripcionLibro(
                    ruta, QStringLiteral("no es un libro .xlsx (no es un zip)") + ClaseDeContenido(ruta)),
                kNombre);
        }
        archivo.close();
        libro_ = std::make_shared<const LibroXlsx>(ruta);
    }

    void cerrar() override { libro_.reset(); }

    QStringList tablas() override {
        QStringList nombres;
        if (libro_) {
            for (const HojaXlsx& h : libro_->hojas()) nombres.append(h.nombre + u'$');
        }
        return nombres;
    }

    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool actualizable) override {
        if (!libro_)
            throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("El libro no está abierto."),
                                 kNombre);
        const auto tabla = TablaDeConsulta(sql);
        if (!tabla)
            throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionConsultaNoAdmitida(sql), kNombre);
        if (actualizable)
            throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionLibroSoloLectura(libro_->ruta()),
                                 kNombre);
        return leerTabla(*tabla);
    }

    std::unique_ptr<FuenteFilas> leerTabla(const QString& tabla) override {
        if (!libro_)
            throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("El libro no está abierto."),
                                 kNombre);
        QStringList nombres;
        for (const HojaXlsx& h : libro_->hojas()) nombres.append(h.nombre);
        const int i = BuscarHoja(nombres, tabla, libro_->ruta());
        return std::make_unique<FuenteXlsx>(libro_, libro_->hojas()[static_cast<std::size_t>(i)]);
    }

  private:
    std::shared_ptr<const LibroXlsx> libro_;
};
}  // namespace

std::unique_ptr<Proveedor> CrearProveedorXlsx() { return std::make_unique<ProveedorXlsx>(); }
