// Bases de Access (.mdb, Jet 3 y Jet 4) leídas con libmdb de mdbtools, sólo para leer.
//
// libmdb no valida todo lo que lee: antes de entregarle un archivo se miran su tamaño y su
// cabecera, y cada valor que se toma de sus páginas se comprueba contra el tamaño de la página.
// Un identificador de libmdb no es seguro entre hilos; el programa usa uno solo.

// mdbtools.h incluye glib.h dentro de extern "C"; glib trae cabeceras de C++ que no lo admiten,
// así que se incluye antes, fuera de ese bloque.
#include <glib.h>
#include <mdbtools.h>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "ado/CarpetaOrigen.h"
#include "ado/CodigoPagina.h"
#include "ado/ConsultaSimple.h"
#include "ado/NombreSinMayusculas.h"
#include "ado/NumeroExacto.h"
#include "ado/Proveedores.h"
#include "platform/ErrorEjecucion.h"

namespace {

const QString kNombre = QStringLiteral("Proveedor de Access");

// Tamaño de cada búfer de texto que libmdb llena (los textos de Access ocupan a lo sumo 255
// caracteres; un memo más largo que esto llega cortado). Menor que el umbral de mmap de glibc,
// porque libmdb pide un búfer de este tamaño por cada valor que convierte.
constexpr size_t kTamanoBufer = 64 * 1024;

[[noreturn]] void Fallar(const QString& descripcion) {
    throw ErrorEjecucion(Errores::ProveedorFallo, descripcion, kNombre);
}

// Comprueba lo que libmdb da por bueno sin mirar: que el archivo exista, se pueda leer, tenga la
// cabecera de una base Jet y un tamaño de páginas enteras.
void ValidarArchivo(const QString& ruta) {
    const QFileInfo info(ruta);
    if (ruta.isEmpty()) Fallar(QStringLiteral("No se indicó el archivo de Access (falta Data Source)."));
    if (const auto roto = EnlaceRoto(ruta)) Fallar(*roto);
    if (!info.exists()) Fallar(QStringLiteral("No se encuentra el archivo \"%1\".").arg(ruta));
    if (!info.isFile()) Fallar(QStringLiteral("\"%1\" no es un archivo.").arg(ruta));
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly)) {
        Fallar(QStringLiteral("No se puede leer el archivo \"%1\": %2.").arg(ruta, archivo.errorString()));
    }
    const qint64 tamano = archivo.size();
    if (tamano == 0) Fallar(QStringLiteral("El archivo \"%1\" está vacío.").arg(ruta));
    const QByteArray cabecera = archivo.read(0x18);
    const QByteArray firma = QByteArray("\x00\x01\x00\x00", 4);
    const QByteArray motor = cabecera.mid(4, 16);
    const bool esJet = cabecera.startsWith(firma) && (QByteArray("Standard Jet DB\0", 16).startsWith(motor) ||
                                                      QByteArray("Standard ACE DB\0", 16).startsWith(motor));
    if (!esJet || cabecera.size() < 5)
        Fallar(QStringLiteral("El archivo \"%1\" no es una base de Access.").arg(ruta));
    if (cabecera.size() < 0x18) {
        Fallar(QStringLiteral("El archivo de Access \"%1\" está truncado (%2 bytes).").arg(ruta).arg(tamano));
    }
    const quint32 version = static_cast<quint8>(cabecera[0x14]) | static_cast<quint8>(cabecera[0x15]) << 8 |
                            static_cast<quint8>(cabecera[0x16]) << 16 |
                            static_cast<quint32>(static_cast<quint8>(cabecera[0x17])) << 24;
    if (version > MDB_VER_ACCDB_2019) {
        Fallar(QStringLiteral("El archivo \"%1\" es de una versión de Access que no se reconoce (%2).")
                   .arg(ruta)
                   .arg(version));
    }
    const qint64 pagina = version == MDB_VER_JET3 ? 2048 : 4096;
    if (tamano % pagina != 0 || tamano < 3 * pagina) {
        Fallar(
            QStringLiteral("El archivo de Access \"%1\" está truncado (%2 bytes; una base se hace de páginas "
                           "enteras de %3 bytes).")
                .arg(ruta)
                .arg(tamano)
                .arg(pagina));
    }
}

// Fecha de Access: días desde el 30/12/1899; la parte fraccionaria es la hora, también en las
// fechas anteriores a 1899 (-1,25 es el 29/12/1899 a las 06:00). Se redondea al segundo, que es
// lo que Access guarda y muestra. Fuera de los años 100 a 9999 no es una fecha: nulo.
QVariant FechaDeAccess(double valor) {
    if (!std::isfinite(valor) || valor < -657435.0 || valor > 2958466.0) return {};
    double dias = std::trunc(valor);
    qint64 segundos = std::llround(std::fabs(valor - dias) * 86400.0);
    if (segundos >= 86400) {
        segundos -= 86400;
        dias += valor < 0 ? -1 : 1;
    }
    const QDate fecha = QDate(1899, 12, 30).addDays(static_cast<qint64>(dias));
    if (segundos == 0) return fecha;
    return QDateTime(fecha, QTime(0, 0).addSecs(static_cast<int>(segundos)));
}

// Cómo se toma cada columna: por el texto que libmdb escribe en el búfer atado, o por los bytes
// crudos de la página (números y fechas: exactos y sin pasar por printf).
enum class Lectura { Texto, Booleano, Entero, Decimal, Numerico, Moneda, Fecha, Bytes, Nada };

Lectura LecturaDe(int tipo) {
    switch (tipo) {
        case MDB_BOOL:
            return Lectura::Booleano;
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
        case MDB_COMPLEX:
            return Lectura::Entero;
        case MDB_FLOAT:
        case MDB_DOUBLE:
            return Lectura::Decimal;
        case MDB_NUMERIC:
            return Lectura::Numerico;
        case MDB_MONEY:
            return Lectura::Moneda;
        case MDB_DATETIME:
            return Lectura::Fecha;
        case MDB_BINARY:
            return Lectura::Bytes;
        case MDB_TEXT:
        case MDB_MEMO:
        case MDB_REPID:
            return Lectura::Texto;
        default:
            return Lectura::Nada;  // OLE y tipos desconocidos: el operador no los ve
    }
}

struct Columna {
    MdbColumn* mdb = nullptr;
    Lectura lectura = Lectura::Nada;
    std::vector<char> bufer;  // sólo las columnas que libmdb convierte a texto
    int largo = 0;            // los bytes que libmdb escribió en bufer
};

// Una base abierta: el identificador de libmdb y las entradas de su catálogo. La comparten el
// proveedor y las filas abiertas (cada tabla apunta a su entrada): quien cierre último la libera.
struct BaseAccess {
    explicit BaseAccess(MdbHandle* m) : mdb(m) {}
    ~BaseAccess() {
        for (MdbCatalogEntry* e : entradas) g_free(e);
        mdb_close(mdb);
    }
    BaseAccess(const BaseAccess&) = delete;
    BaseAccess& operator=(const BaseAccess&) = delete;

    MdbHandle* mdb;
    std::vector<MdbCatalogEntry*> entradas;  // las tablas, en el orden del catálogo
    quint64 paginas = 0;                     // páginas enteras del archivo
};
using Base = std::shared_ptr<BaseAccess>;

// El mapa de uso dice en qué páginas están las filas de una tabla. libmdb lo recorre sin
// comprobarlo: uno corto lo hace leer fuera del búfer, y una página de mapa que no está en el
// archivo termina el proceso. Se mira antes de leer filas.
bool MapaValido(const BaseAccess& base, const MdbTableDef* tabla) {
    const unsigned char* mapa = tabla->usage_map;
    const std::size_t largo = tabla->map_sz;
    if (!mapa || largo < 1) return false;
    if (mapa[0] == 0) return largo >= 5;
    if (mapa[0] != 1) return false;
    for (std::size_t i = 1; i + 4 <= largo; i += 4) {
        const quint32 pagina =
            mapa[i] | mapa[i + 1] << 8 | mapa[i + 2] << 16 | static_cast<quint32>(mapa[i + 3]) << 24;
        if (pagina >= base.paginas) return false;
    }
    return true;
}

// Lee las tablas de MSysObjects. No se usa mdb_read_catalog: además lee las propiedades de cada
// objeto, y con ellas dañadas queda en un ciclo sin fin; aquí sólo hacen falta nombre, tipo y
// página. Devuelve false si la tabla del catálogo no se puede leer.
bool LeerCatalogo(BaseAccess& base) {
    MdbCatalogEntry sistema;
    std::memset(&sistema, 0, sizeof sistema);
    sistema.mdb = base.mdb;
    sistema.object_type = MDB_TABLE;
    sistema.table_pg = 2;  // MSysObjects empieza siempre en la página 2
    std::snprintf(sistema.object_name, sizeof sistema.object_name, "%s", "MSysObjects");
    MdbTableDef* tabla = mdb_read_table(&sistema);
    if (!tabla) return false;
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> liberar(tabla, mdb_free_tabledef);
    if (!mdb_read_columns(tabla) || !MapaValido(base, tabla)) return false;
    // Cada búfer atado mide lo que libmdb puede escribir en él (bind_size).
    std::vector<char> id(kTamanoBufer), nombre(kTamanoBufer), tipo(kTamanoBufer);
    char cId[] = "Id", cNombre[] = "Name", cTipo[] = "Type";
    if (mdb_bind_column_by_name(tabla, cId, id.data(), nullptr) < 0 ||
        mdb_bind_column_by_name(tabla, cNombre, nombre.data(), nullptr) < 0 ||
        mdb_bind_column_by_name(tabla, cTipo, tipo.data(), nullptr) < 0) {
        return false;
    }
    mdb_rewind_table(tabla);
    while (mdb_fetch_row(tabla)) {
        if (std::atoi(tipo.data()) != MDB_TABLE || nombre[0] == '\0') continue;
        auto* entrada = static_cast<MdbCatalogEntry*>(g_malloc0(sizeof(MdbCatalogEntry)));
        entrada->mdb = base.mdb;
        std::snprintf(entrada->object_name, sizeof entrada->object_name, "%s", nombre.data());
        entrada->object_type = MDB_TABLE;
        entrada->table_pg = std::strtoul(id.data(), nullptr, 10) & 0x00FFFFFF;
        base.entradas.push_back(entrada);
    }
    return true;
}

class FuenteAccess : public FuenteFilas {
  public:
    FuenteAccess(Base base, MdbTableDef* tabla, QString archivo)
        : base_(std::move(base)), tabla_(tabla), archivo_(std::move(archivo)) {
        columnas_.resize(tabla_->num_cols);
        for (unsigned i = 0; i < tabla_->num_cols; ++i) {
            Columna& c = columnas_[i];
            c.mdb = static_cast<MdbColumn*>(g_ptr_array_index(tabla_->columns, i));
            c.lectura = LecturaDe(c.mdb->col_type);
            nombres_.push_back(QString::fromUtf8(c.mdb->name));
            if (c.lectura == Lectura::Texto || c.lectura == Lectura::Booleano ||
                c.lectura == Lectura::Numerico) {
                c.bufer.assign(kTamanoBufer, '\0');
                if (mdb_bind_column(tabla_, static_cast<int>(i) + 1, c.bufer.data(), &c.largo) < 0) {
                    mdb_free_tabledef(tabla_);
                    Fallar(QStringLiteral("No se puede leer la columna %1 de la base de Access \"%2\".")
                               .arg(nombres_.last(), archivo_));
                }
            }
        }
        mdb_rewind_table(tabla_);
    }
    ~FuenteAccess() override { mdb_free_tabledef(tabla_); }

    int columnas() const override { return static_cast<int>(columnas_.size()); }
    QString nombreColumna(int i) const override { return nombres_.at(i); }
    std::optional<qint64> total() const override { return static_cast<qint64>(tabla_->num_rows); }

    bool siguiente(std::vector<QVariant>& fila) override {
        if (terminada_) return false;
        if (!mdb_fetch_row(tabla_)) {
            terminada_ = true;
            // libmdb no distingue el final de una página que no pudo leer: la cuenta de filas
            // de la tabla dice si faltan.
            if (leidas_ < tabla_->num_rows) {
                Fallar(QStringLiteral(
                           "La base de Access \"%1\" está dañada: la tabla %2 anuncia %3 filas y sólo se "
                           "pudieron leer %4.")
                           .arg(archivo_, QString::fromUtf8(tabla_->name))
                           .arg(tabla_->num_rows)
                           .arg(leidas_));
            }
            return false;
        }
        ++leidas_;
        fila.resize(columnas_.size());
        for (std::size_t i = 0; i < columnas_.size(); ++i) {
            exigirTexto(columnas_[i], i);
            fila[i] = valor(columnas_[i]);
        }
        return true;
    }

  private:
    // Un texto con un byte nulo en medio (que cortaría el valor sin decirlo) o que no es UTF-8 no
    // se lee: la fila se rechaza nombrando la columna.
    void exigirTexto(const Columna& c, std::size_t i) const {
        if (c.lectura != Lectura::Texto || c.bufer[0] == '\0') return;
        const std::size_t hasta =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(c.largo, 0)), c.bufer.size());
        const QByteArrayView bytes(c.bufer.data(), static_cast<qsizetype>(hasta));
        bool nulo = strnlen(c.bufer.data(), hasta) < hasta;
        // Jet 3 guarda el texto de a un byte por carácter, y libmdb quita los nulos al convertirlo:
        // menos caracteres que bytes guardados es un nulo que se perdió.
        if (!nulo && IS_JET3(base_->mdb) && c.mdb->col_type == MDB_TEXT && c.mdb->cur_value_len > 0)
            nulo = QString::fromUtf8(bytes).size() < c.mdb->cur_value_len;
        if (!nulo && EsUtf8Valido(bytes, true)) return;
        Fallar(
            QStringLiteral(
                "La fila %1 de la tabla %2 de la base de Access \"%3\", columna %4 (\"%5\"), tiene "
                "un texto %6: no se puede leer sin cambiarlo.")
                .arg(leidas_)
                .arg(QString::fromUtf8(tabla_->name), archivo_)
                .arg(i + 1)
                .arg(nombres_.at(static_cast<qsizetype>(i)),
                     nulo ? QStringLiteral("con un byte nulo") : QStringLiteral("que no es UTF-8 válido")));
    }

    // Los bytes crudos del valor actual en la página de la fila; nulo si falta o no cabe.
    const unsigned char* crudo(const MdbColumn* c, int minimo) const {
        const int inicio = c->cur_value_start;
        const int largo = c->cur_value_len;
        if (largo <= 0 || largo < minimo || inicio < 0 || inicio + largo > base_->mdb->fmt->pg_size)
            return nullptr;
        return base_->mdb->pg_buf + inicio;
    }

    QVariant valor(const Columna& c) const {
        const MdbColumn* m = c.mdb;
        switch (c.lectura) {
            case Lectura::Texto: {
                if (c.bufer[0] == '\0') return {};
                return QString::fromUtf8(c.bufer.data(),
                                         static_cast<qsizetype>(strnlen(c.bufer.data(), c.bufer.size())));
            }
            case Lectura::Booleano:
                return c.bufer[0] == '1';
            case Lectura::Numerico: {
                if (c.bufer[0] == '\0') return {};
                // libmdb da el número en texto: se lee de sus cifras, no por un doble.
                const std::string_view texto(c.bufer.data(), strnlen(c.bufer.data(), c.bufer.size()));
                const QVariant v = NumeroExacto::DeTexto(texto);
                return v.isValid()
                           ? v
                           : QVariant(QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size())));
            }
            case Lectura::Entero: {
                const int tamano = m->col_type == MDB_BYTE ? 1 : m->col_type == MDB_INT ? 2 : 4;
                const unsigned char* b = crudo(m, tamano);
                if (!b) return {};
                if (tamano == 1) return static_cast<qlonglong>(b[0]);
                if (tamano == 2) return static_cast<qlonglong>(static_cast<qint16>(b[0] | b[1] << 8));
                return static_cast<qlonglong>(
                    static_cast<qint32>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<quint32>(b[3]) << 24));
            }
            case Lectura::Decimal: {
                if (m->col_type == MDB_FLOAT) {
                    const unsigned char* b = crudo(m, 4);
                    if (!b) return {};
                    float f;
                    std::memcpy(&f, b, 4);
                    // Un simple se muestra con los dígitos que tiene (0,1 y no 0,100000001).
                    return QString::number(f, 'g', 7).toDouble();
                }
                const unsigned char* b = crudo(m, 8);
                if (!b) return {};
                double d;
                std::memcpy(&d, b, 8);
                return d;
            }
            case Lectura::Moneda: {
                const unsigned char* b = crudo(m, 8);
                if (!b) return {};
                qint64 diezmilesimos;
                std::memcpy(&diezmilesimos, b, 8);
                return static_cast<double>(diezmilesimos) / 10000.0;
            }
            case Lectura::Fecha: {
                const unsigned char* b = crudo(m, 8);
                if (!b) return {};
                double d;
                std::memcpy(&d, b, 8);
                return FechaDeAccess(d);
            }
            case Lectura::Bytes: {
                const unsigned char* b = crudo(m, 1);
                if (!b) return {};
                return QByteArray(reinterpret_cast<const char*>(b), m->cur_value_len);
            }
            case Lectura::Nada:
                return {};
        }
        return {};
    }

    Base base_;
    MdbTableDef* tabla_;
    QString archivo_;
    std::vector<Columna> columnas_;
    QStringList nombres_;
    unsigned leidas_ = 0;
    bool terminada_ = false;
};

class ProveedorAccess : public Proveedor {
  public:
    QString nombre() const override { return kNombre; }

    void abrir(const TextoConexion& texto) override {
        cerrar();
        archivo_ = texto.valor(QStringLiteral("Data Source"));
        ValidarArchivo(archivo_);
        // libmdb convierte los textos al juego que pida MDBICONV; el programa los lee en UTF-8.
        if (!qEnvironmentVariableIsEmpty("MDBICONV") &&
            qEnvironmentVariable("MDBICONV").compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0) {
            qunsetenv("MDBICONV");
        }
        // Textos: libmdb los da en UTF-8; los de Jet 4 vienen de UCS-2 y los de Jet 3 del código de
        // página de la base (Windows-1252 en las bases de aquí), o del que diga MDB_JET3_CHARSET.
        MdbHandle* mdb = mdb_open(QFile::encodeName(archivo_).constData(), MDB_NOFLAGS);
        if (!mdb)
            Fallar(QStringLiteral("El archivo \"%1\" no es una base de Access o está dañado.").arg(archivo_));
        auto base = std::make_shared<BaseAccess>(mdb);
        base->paginas =
            static_cast<quint64>(QFileInfo(archivo_).size()) / static_cast<quint64>(mdb->fmt->pg_size);
        mdb_set_bind_size(mdb, kTamanoBufer);
        mdb_set_boolean_fmt_numbers(mdb);
        if (!LeerCatalogo(*base)) {
            Fallar(
                QStringLiteral("La base de Access \"%1\" está dañada: no se puede leer su lista de tablas.")
                    .arg(archivo_));
        }
        for (MdbCatalogEntry* e : base->entradas) tablas_.push_back(QString::fromUtf8(e->object_name));
        base_ = std::move(base);
    }

    void cerrar() override {
        tablas_.clear();
        base_.reset();
    }

    QStringList tablas() override { return tablas_; }

    std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool actualizable) override {
        if (!base_) Fallar(QStringLiteral("El origen no está abierto."));
        const auto nombre = TablaDeConsulta(sql);
        if (!nombre) Fallar(DescripcionConsultaNoAdmitida(sql));
        if (actualizable)
            Fallar(QStringLiteral("La base de Access \"%1\" se abre sólo para leer.").arg(archivo_));
        return leerTabla(*nombre);
    }

    std::unique_ptr<FuenteFilas> leerTabla(const QString& nombre) override {
        if (!base_) Fallar(QStringLiteral("El origen no está abierto."));
        // Jet no distingue mayúsculas en los nombres; el nombre exacto gana, y dos tablas que sólo
        // difieren en mayúsculas no se eligen a ciegas.
        const NombreHallado hallada =
            BuscarNombre(static_cast<int>(tablas_.size()),
                         [&](int k, Qt::CaseSensitivity cs) { return tablas_[k].compare(nombre, cs) == 0; });
        const int indice = hallada.indice;
        if (!hallada.parecidos.isEmpty()) {
            QStringList nombres;
            for (int k : hallada.parecidos) nombres << u'"' + tablas_[k] + u'"';
            Fallar(
                QStringLiteral("La base de Access \"%1\" tiene varias tablas que se llaman \"%2\" salvo por "
                               "las mayúsculas (%3): escriba el nombre exactamente como está en la base.")
                    .arg(archivo_, nombre, nombres.join(QStringLiteral(", "))));
        }
        if (indice < 0) {
            Fallar(QStringLiteral("La tabla \"%1\" no existe en la base de Access \"%2\".")
                       .arg(nombre, archivo_));
        }
        MdbTableDef* tabla = mdb_read_table(base_->entradas[static_cast<std::size_t>(indice)]);
        if (!tabla) {
            Fallar(QStringLiteral("La base de Access \"%1\" está dañada: no se puede leer la tabla \"%2\".")
                       .arg(archivo_, nombre));
        }
        if (!mdb_read_columns(tabla) || tabla->num_cols == 0 || tabla->num_cols > MDB_MAX_COLS ||
            !MapaValido(*base_, tabla)) {
            mdb_free_tabledef(tabla);
            Fallar(QStringLiteral("La base de Access \"%1\" está dañada: no se puede leer la definición de "
                                  "la tabla \"%2\".")
                       .arg(archivo_, nombre));
        }
        return std::make_unique<FuenteAccess>(base_, tabla, archivo_);
    }

  private:
    Base base_;
    QString archivo_;
    QStringList tablas_;
};

}  // namespace

std::unique_ptr<Proveedor> CrearProveedorAccess() { return std::make_unique<ProveedorAccess>(); }
