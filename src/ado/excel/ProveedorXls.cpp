#include <QFile>

#include "ado/ConsultaSimple.h"
#include "ado/Proveedores.h"
#include "ado/excel/ContenedorOle.h"
#include "ado/excel/FuenteHoja.h"
#include "ado/excel/HojasExcel.h"
#include "ado/excel/LibroBiff.h"
#include "ado/excel/LibroFreeXL.h"
#include "platform/ErrorEjecucion.h"

// Los libros .xls (BIFF5 y BIFF8) se leen con el lector propio (ContenedorOle + LibroBiff): lee
// las fórmulas con su resultado, los BIFF5 con su página de códigos y es varias veces más rápido.
// Un libro que el lector propio rechaza se intenta con FreeXL antes de darlo por dañado. Las dos
// vías leen el flujo del libro entero al abrirlo (una hoja entera al consultarla): un .xls no pasa
// de 65.536 filas, así que el costo está acotado.

namespace {
const QString kNombre = QStringLiteral("Proveedor de Excel");

[[noreturn]] void Fallar(const QString& ruta, const QString& causa) {
    throw ErrorEjecucion(Errores::ProveedorFallo,
                         QStringLiteral("El libro de Excel \"%1\" %2.").arg(ruta, causa), kNombre);
}

// Las filas de una hoja leída por el lector propio: sus celdas, ya ordenadas, se agrupan por fila.
class FuenteBiff : public FuenteHoja {
  public:
    FuenteBiff(std::shared_ptr<LibroBiff> libro, std::size_t hoja, const QString& ruta)
        : libro_(std::move(libro)) {
        if (!libro_->leerHoja(hoja, celdas_))
            Fallar(ruta, QStringLiteral("está dañado: %1").arg(libro_->falla()));
        leerCabecera();
        if (celdas_.ultimaFilaDeclarada) declararUltimaFila(*celdas_.ultimaFilaDeclarada);
    }

  protected:
    bool leerFila(FilaHoja& fila) override {
        const auto& celdas = celdas_.celdas;
        if (siguiente_ >= celdas.size()) return false;
        const quint32 numero = celdas[siguiente_].fila;
        std::size_t fin = siguiente_;
        while (fin < celdas.size() && celdas[fin].fila == numero) ++fin;
        // Lo que queda a la derecha de los campos no se convierte.
        const int utiles = columnasUtiles();
        std::size_t ancho = celdas[fin - 1].columna + 1u;
        if (utiles >= 0) ancho = std::min<std::size_t>(ancho, static_cast<std::size_t>(utiles));
        fila.numero = static_cast<qint64>(numero) + 1;
        fila.celdas.assign(ancho, QVariant());
        for (std::size_t k = siguiente_; k < fin; ++k) {
            if (celdas[k].columna < ancho) fila.celdas[celdas[k].columna] = libro_->valor(celdas[k], celdas_);
        }
        siguiente_ = fin;
        return true;
    }

  private:
    std::shared_ptr<LibroBiff> libro_;
    LibroBiff::Celdas celdas_;
    std::size_t siguiente_ = 0;
};

// Abre el libro con el lector propio. Sin valor, con la causa en causa, si no lo pudo leer;
// lanza si el archivo no es un documento de Office o está protegido (FreeXL no haría más).
std::shared_ptr<LibroBiff> AbrirBiff(const QString& ruta, QString& causa) {
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        Fallar(ruta, QStringLiteral("no se puede leer: %1 (¿sin permiso o bloqueado por otro programa?)")
                         .arg(archivo.errorString()));
    }
    ContenedorOle ole(archivo);
    if (!ole.abrir()) {
        switch (ole.falla()) {
            case ContenedorOle::Falla::NoEsOle:
                Fallar(ruta, QStringLiteral("no es un libro .xls (no es un documento de Office)") +
                                 ClaseDeContenido(ruta));
            case ContenedorOle::Falla::Truncado:
                causa = QStringLiteral("está truncado: %1").arg(ole.descripcion());
                return nullptr;
            default:
                causa = QStringLiteral("está dañado: la estructura del documento de Office no es válida (%1)")
                            .arg(ole.descripcion());
                return nullptr;
        }
    }
    const auto flujo = ole.flujo({QStringLiteral("Workbook"), QStringLiteral("Book")});
    if (!flujo) {
        if (ole.falla() == ContenedorOle::Falla::Truncado) {
            causa = QStringLiteral("está truncado: %1").arg(ole.descripcion());
        } else if (ole.falla() != ContenedorOle::Falla::Ninguna) {
            causa = QStringLiteral("está dañado: la estructura del documento de Office no es válida (%1)")
                        .arg(ole.descripcion());
        } else if (ole.tieneFlujo(QStringLiteral("EncryptedPackage"))) {
            Fallar(ruta,
                   QStringLiteral("está protegido con contraseña: quite la protección en Excel y vuelva a "
                                  "intentarlo"));
        } else {
            Fallar(ruta,
                   QStringLiteral("no contiene un libro de Excel: es otro documento de Office, o un libro "
                                  "protegido con contraseña (que se guarda cifrado)"));
        }
        return nullptr;
    }
    auto libro = std::make_shared<LibroBiff>(*flujo);
    if (!libro->abrir()) {
        causa = QStringLiteral("está dañado: sus registros de Excel no son válidos (%1)").arg(libro->falla());
        return nullptr;
    }
    if (libro->protegido()) {
        Fallar(ruta,
               QStringLiteral(
                   "está protegido con contraseña: quite la protección en Excel y vuelva a intentarlo"));
    }
    return libro;
}

class ProveedorXls : public Proveedor {
  public:
    QString nombre() const override { return kNombre; }

    void abrir(const TextoConexion& texto) override {
        ruta_ = texto.valor(QStringLiteral("Dbq"));
        ComprobarArchivoExcel(ruta_);
        QString causa;
        biff_ = AbrirBiff(ruta_, causa);
        if (biff_) {
            hojas_.clear();
            for (const LibroBiff::Hoja& h : biff_->hojas()) hojas_.append(h.nombre);
            return;
        }
        // El lector propio no pudo: FreeXL, y si tampoco puede, la causa que dio el propio.
        try {
            libro_ = AbrirLibroFreeXL(ruta_);
        } catch (const ErrorEjecucion&) {
            Fallar(ruta_, causa);
        }
        hojas_ = HojasFreeXL(libro_, ruta_);
    }

    void cerrar() override {
        biff_.reset();
        libro_.reset();
        hojas_.clear();
    }

    QStringList tablas() override {
        QStringList nombres;
        for (const QString& h : hojas_) nombres.append(h + u'$');
        return nombres;
    }

    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool actualizable) override {
        if (!libro_ && !biff_)
            throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("El libro no está abierto."),
                                 kNombre);
        const auto tabla = TablaDeConsulta(sql);
        if (!tabla)
            throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionConsultaNoAdmitida(sql), kNombre);
        if (actualizable)
            throw ErrorEjecucion(Errores::ProveedorFallo, DescripcionLibroSoloLectura(ruta_), kNombre);
        return leerTabla(*tabla);
    }

    std::unique_ptr<FuenteFilas> leerTabla(const QString& tabla) override {
        if (!libro_ && !biff_)
            throw ErrorEjecucion(Errores::ProveedorFallo, QStringLiteral("El libro no está abierto."),
                                 kNombre);
        const int i = BuscarHoja(hojas_, tabla, ruta_);
        if (biff_) return std::make_unique<FuenteBiff>(biff_, static_cast<std::size_t>(i), ruta_);
        return CrearFuenteFreeXL(libro_, static_cast<unsigned short>(i), ruta_);
    }

  private:
    QString ruta_;
    std::shared_ptr<LibroBiff> biff_;  // el lector propio, o
    LibroFreeXL libro_;                // FreeXL cuando el propio no pudo
    QStringList hojas_;
};
}  // namespace

std::unique_ptr<Proveedor> CrearProveedorXls() { return std::make_unique<ProveedorXls>(); }
