#include "ado/excel/LibroFreeXL.h"

#include <freexl.h>

#include <QFile>
#include <cmath>

#include "ado/NumeroExacto.h"
#include "ado/excel/FechasExcel.h"
#include "ado/excel/FuenteHoja.h"
#include "ado/excel/HojasExcel.h"
#include "platform/ErrorEjecucion.h"

namespace {
const QString kNombre = QStringLiteral("Proveedor de Excel");

[[noreturn]] void Fallar(const QString& ruta, const QString& causa) {
    throw ErrorEjecucion(Errores::ProveedorFallo,
                         QStringLiteral("El libro de Excel \"%1\" %2.").arg(ruta, causa), kNombre);
}

QString CausaFreeXL(int codigo, const QString& ruta) {
    switch (codigo) {
        case FREEXL_INSUFFICIENT_MEMORY:
            return QStringLiteral("no se pudo leer: no hay memoria suficiente");
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
            return QStringLiteral("no es un libro .xls (no es un documento de Office)") +
                   ClaseDeContenido(ruta);
        case FREEXL_CFBF_READ_ERROR:
        case FREEXL_CFBF_SEEK_ERROR:
            return QStringLiteral("está truncado: el archivo termina antes que sus datos");
        case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        case FREEXL_CFBF_EMPTY_FAT_CHAIN:
        case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        case FREEXL_INVALID_MINI_STREAM:
        case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
            return QStringLiteral(
                       "está dañado: la estructura del documento de Office no es válida (código %1)")
                .arg(codigo);
        case FREEXL_BIFF_INVALID_BOF:
        case FREEXL_BIFF_INVALID_SST:
        case FREEXL_BIFF_ILLEGAL_SST_INDEX:
        case FREEXL_ILLEGAL_RK_VALUE:
            return QStringLiteral("está dañado: sus registros de Excel no son válidos (código %1)")
                .arg(codigo);
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return QStringLiteral(
                "no contiene un libro de Excel: es otro documento de Office, o un libro protegido "
                "con contraseña (que se guarda cifrado)");
        case FREEXL_INVALID_CHARACTER:
        case FREEXL_UNSUPPORTED_CHARSET:
            return QStringLiteral("usa un juego de caracteres que no se puede convertir (código %1)")
                .arg(codigo);
        case FREEXL_CRAFTED_FILE:
            return QStringLiteral("está dañado o fue alterado: sus datos se contradicen");
        default:
            return QStringLiteral("no se pudo leer (FreeXL, código %1)").arg(codigo);
    }
}

}  // namespace

LibroFreeXL AbrirLibroFreeXL(const QString& ruta) {
    // FreeXL confunde un archivo corto que no es OLE con uno truncado: la firma se mira antes.
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly) || !archivo.read(8).startsWith("\xD0\xCF\x11\xE0")) {
        Fallar(ruta,
               QStringLiteral("no es un libro .xls (no es un documento de Office)") + ClaseDeContenido(ruta));
    }
    archivo.close();
    const void* manejador = nullptr;
    const int r = freexl_open(QFile::encodeName(ruta).constData(), &manejador);
    if (r != FREEXL_OK) {
        if (manejador) freexl_close(manejador);
        Fallar(ruta, CausaFreeXL(r, ruta));
    }
    // FreeXL responde "bien" sin libro cuando un registro no se deja interpretar.
    if (!manejador) {
        Fallar(ruta,
               QStringLiteral("no se pudo leer: tiene registros que el lector de .xls no sabe interpretar "
                              "(libro dañado, o de una variante o juego de caracteres no admitido; "
                              "guárdelo de nuevo como .xlsx)"));
    }
    LibroFreeXL libro(manejador, [](const void* m) { freexl_close(m); });
    unsigned int clave = 0;
    if (freexl_get_info(manejador, FREEXL_BIFF_PASSWORD, &clave) == FREEXL_OK && clave != FREEXL_BIFF_PLAIN) {
        Fallar(ruta,
               QStringLiteral(
                   "está protegido con contraseña: quite la protección en Excel y vuelva a intentarlo"));
    }
    return libro;
}

namespace {
QVariant Valor(const FreeXL_CellValue& v) {
    switch (v.type) {
        case FREEXL_CELL_INT:
            return static_cast<qlonglong>(v.value.int_value);
        case FREEXL_CELL_DOUBLE: {
            return NumeroExacto::DeDoble(v.value.double_value);
        }
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME: {
            const QString texto = v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
            const QVariant fecha = FechaDeTexto(texto);
            return fecha.isValid() ? fecha : QVariant(texto);
        }
        default:
            return {};
    }
}

// Las filas de una hoja del libro. La hoja activa de FreeXL es del libro, no de la fuente: se
// vuelve a elegir en cada fila por si otro recordset eligió otra mientras tanto.
class FuenteXls : public FuenteHoja {
  public:
    FuenteXls(LibroFreeXL libro, unsigned short hoja, QString ruta)
        : libro_(std::move(libro)), hoja_(hoja), ruta_(std::move(ruta)) {
        elegir();
        unsigned short columnas = 0;
        if (freexl_worksheet_dimensions(libro_.get(), &filas_, &columnas) != FREEXL_OK) {
            Fallar(ruta_, QStringLiteral("está dañado: no se pueden leer las dimensiones de una hoja"));
        }
        columnasHoja_ = columnas;
        leerCabecera();
        // FreeXL no lee más allá de la cota del libro: nunca hay más filas que las declaradas.
        declararUltimaFila(filas_);
    }

  protected:
    bool leerFila(FilaHoja& fila) override {
        if (siguiente_ >= filas_) return false;
        elegir();
        const int utiles = columnasUtiles();
        const unsigned short ancho =
            utiles >= 0 ? static_cast<unsigned short>(std::min<int>(utiles, columnasHoja_)) : columnasHoja_;
        fila.numero = siguiente_ + 1;
        fila.celdas.assign(ancho, QVariant());
        for (unsigned short c = 0; c < ancho; ++c) {
            FreeXL_CellValue v;
            const int r = freexl_get_cell_value(libro_.get(), siguiente_, c, &v);
            if (r != FREEXL_OK) Fallar(ruta_, CausaFreeXL(r, ruta_));
            fila.celdas[c] = Valor(v);
        }
        ++siguiente_;
        return true;
    }

  private:
    void elegir() {
        if (freexl_select_active_worksheet(libro_.get(), hoja_) != FREEXL_OK) {
            Fallar(ruta_, QStringLiteral("está dañado: no se puede elegir la hoja %1").arg(hoja_ + 1));
        }
    }

    LibroFreeXL libro_;
    unsigned short hoja_;
    QString ruta_;
    unsigned int filas_ = 0;
    unsigned short columnasHoja_ = 0;
    unsigned int siguiente_ = 0;
};
}  // namespace

QStringList HojasFreeXL(const LibroFreeXL& libro, const QString& ruta) {
    unsigned int cuantas = 0;
    if (freexl_get_info(libro.get(), FREEXL_BIFF_SHEET_COUNT, &cuantas) != FREEXL_OK) {
        Fallar(ruta, QStringLiteral("está dañado: no se puede contar sus hojas"));
    }
    QStringList hojas;
    for (unsigned int i = 0; i < cuantas && i <= 0xFFFF; ++i) {
        const char* nombre = nullptr;
        if (freexl_get_worksheet_name(libro.get(), static_cast<unsigned short>(i), &nombre) != FREEXL_OK ||
            !nombre) {
            Fallar(ruta, QStringLiteral("está dañado: no se puede leer el nombre de la hoja %1").arg(i + 1));
        }
        hojas.append(QString::fromUtf8(nombre));
    }
    return hojas;
}

std::unique_ptr<FuenteFilas> CrearFuenteFreeXL(LibroFreeXL libro, unsigned short hoja, const QString& ruta) {
    return std::make_unique<FuenteXls>(std::move(libro), hoja, ruta);
}
