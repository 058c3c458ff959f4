// La corrida de importación y el examinador de transmisiones.
#include <QElapsedTimer>

#include "ado/Valores.h"
#include "data/SeriesGuardadas.h"
#include "import/OrdenCampos.h"
#include "import/VentanaImportacion.h"
#include "platform/Conversiones.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "servicios/FechaServidor.h"
#include "startup/Componentes.h"
#include "startup/Sesion.h"

namespace {

// Cada fila nueva se guarda sólo si su serie no está: la base decide en la misma sentencia, con
// el bloqueo que impide que dos estaciones guarden la misma serie a la vez. En la base embebida
// el índice único de la serie decide solo (una búsqueda en el índice en vez de dos).
const QString kInsertarFila = QStringLiteral(
    "INSERT INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) SELECT ?,?,?,?,? "
    "WHERE NOT EXISTS (SELECT * FROM AUX_GARANTIA WITH (UPDLOCK, HOLDLOCK) WHERE serie=?)");
const QString kInsertarFilaEmbebida = QStringLiteral(
    "INSERT OR IGNORE INTO AUX_GARANTIA (modelo,serie,nroTransmision,eca1,activacion) VALUES (?,?,?,?,?)");

// Las filas se confirman en grupos: una transacción por fila hace la importación diez veces
// más lenta. Un grupo dura a lo sumo esto, para que otra estación no espere el bloqueo.
constexpr qint64 kMsPorGrupo = 1000;
constexpr int kFilasPorGrupo = 200000;

// El grupo de filas abierto en la conexión de la suite. Se confirma antes de cada mensaje, al
// terminar y, si el programa termina en medio ("Salir"), antes del fin del proceso.
class GrupoFilas {
public:
    explicit GrupoFilas(Conexion& c) : c_(c) {
        aviso_ = Proceso::AlTerminar([this] { confirmar(); });
    }
    ~GrupoFilas() {
        confirmar();
        Proceso::QuitarAvisoAlTerminar(aviso_);
    }
    void asegurar() {
        if (abierto_) return;
        c_.BeginTrans();
        abierto_ = true;
        filas_ = 0;
        reloj_.start();
    }
    void contar() {
        if (++filas_ >= kFilasPorGrupo || reloj_.elapsed() >= kMsPorGrupo) confirmar();
    }
    void confirmar() {
        if (!abierto_) return;
        abierto_ = false;
        try {
            c_.CommitTrans();
        } catch (const ErrorEjecucion&) {
            try {
                c_.RollbackTrans();
            } catch (const ErrorEjecucion&) {
            }
            throw;
        }
    }

private:
    Conexion& c_;
    bool abierto_ = false;
    int filas_ = 0;
    QElapsedTimer reloj_;
    int aviso_;
};
}  // namespace

void VentanaImportacion::cmdImportar_Click() {
    Ocupacion ocupacion(m_);
    if (!ocupacion.libre()) return;
    cerrarFilasTransmision();  // una lectura abierta no queda debajo de la escritura
    Dll_Datos& datos = Componentes::Datos();
    QString nombre, sentencia;
    int32_t numero = 0;
    bool registroRechazado = false;
    resumen_ = ResumenImportacion{};
    resumen_.prueba = prueba_;
    rechazos_.limpiar();
    Rutina click([this](const ErrorEjecucion& e) { return trampa(e); });
    click
        .paso([&] {
            if (!NombreDeTabla(nombre)) click.terminar();
        })
        .paso([&] { sentencia = SentenciaDeLectura(nombre); })
        .paso([&] { ConectarProveedor(true); })
        .paso([&] {
            if (prueba_) return;  // una prueba no toma número
            // El número y el registro de la transmisión, en una transacción que tiene el bloqueo de
            // escritura: dos estaciones nunca toman el mismo número. La fecha y la hora salen de una
            // sola lectura del reloj del servidor.
            datos.reabrirSiHaceFalta();
            Conexion& c = datos.conexion();
            c.BeginTrans();
            try {
                RecordsetPtr rs;
                datos.AbrirRecordset(QStringLiteral("SELECT MAX(TRANSMISION) as transmision FROM MV_TRANSMISIONES WITH (UPDLOCK, HOLDLOCK)"),
                                     rs, nullptr, 0, 1, -1, true);
                numero = rs->EOF_() ? 1 : Conversiones::CLng(Conversiones::Val(TextoValor(rs->Field(QStringLiteral("transmision")))) + 1);
                datos.CerrarRecordset(rs);
                const QDateTime ahora = FechaServidor();
                datos.EjecutarSQL(QStringLiteral("INSERT INTO MV_TRANSMISIONES (TIPO,Transmision,Fecha, Hora, Responsable_envio, Anulado)") +
                                  QStringLiteral(" VALUES ('S',") + QString::number(numero) + QStringLiteral(",'") +
                                  Regional::Formato(ahora, QStringLiteral("DD/MM/YYYY")) + QStringLiteral("','") +
                                  Regional::Formato(ahora, QStringLiteral("HH:MM")) + QStringLiteral("',") +
                                  datos.FormatearValor(sesion().Usuario, QStringLiteral("'")) + QStringLiteral(",0)"));
            } catch (const ErrorEjecucion&) {
                c.RollbackTrans();
                throw;
            }
            if (c.Errors().Count() > 0) {
                const QString descripcion = c.Errors().Item(0).descripcion;
                c.RollbackTrans();
                registroRechazado = true;
                MsgBox(descripcion, Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("Aviso"));
                click.abandonar();
                return;
            }
            c.CommitTrans();
            resumen_.transmision = numero;
        })
        .paso([&] { ImportarFilas(sentencia, numero, click); })
        .paso([&] { origen_.Close(); })
        .paso([&] {
            resumen_.terminada = true;
            m_.setLblEstado(prueba_ ? QStringLiteral("Prueba finalizada") : QStringLiteral("Importación finalizada"));
        });
    click.correr();
    Q_UNUSED(registroRechazado);
}

void VentanaImportacion::ImportarFilas(const QString& sentencia, int32_t numero, Rutina& click) {
    Dll_Datos& datos = Componentes::Datos();
    Conexion& suite = datos.conexion();
    bool haySeriesRepetidas = false;
    bool hayFilas = false;
    bool dejar = false;
    std::unique_ptr<SentenciaPreparada> insertar;
    std::unique_ptr<PruebaSeries> prueba;  // sólo en una prueba: decide sin escribir
    qint64 numeroFila = 0;                 // la fila de datos del origen, desde 1
    bool embebida = false;
    GrupoFilas grupo(suite);
    qint64 hechas = 0;
    std::optional<qint64> total;

    // Antes de cualquier pregunta al operador, lo escrito queda confirmado.
    auto trampaFilas = [&](const ErrorEjecucion& e) {
        try {
            grupo.confirmar();
        } catch (const ErrorEjecucion&) {
        }
        return trampa(e);
    };
    Rutina r(trampaFilas);
    r.paso([&] { rsOrigen_ = origen_.abrirRecordset(sentencia); })
        .paso([&] {
            hayFilas = !rsOrigen_->EOF_();
            total = rsOrigen_->total();
            rechazos_.limpiar(NombresCampos(*rsOrigen_));
            resumen_.avisoCampos = AvisoOrdenCampos(rechazos_.nombresCampos());
            embebida = datos.TipoMotor() == QLatin1String("SQLite");
            if (prueba_)
                prueba = std::make_unique<PruebaSeries>(datos);
            else
                insertar = suite.preparar(embebida ? kInsertarFilaEmbebida : kInsertarFila);
        })
        .paso([&] {
            if (!hayFilas) return;
            bool fin = false;
            while (!fin && !dejar) {
                QString serie;
                bool saltar = false;
                Rutina fila(trampaFilas);
                ++numeroFila;
                fila.paso([&] {
                        serie = TextoValor(rsOrigen_->Field(1));
                        if (serie.trimmed().isEmpty()) {
                            ++resumen_.sinSerie;
                            rechazos_.agregar(RechazoDeFila(*rsOrigen_, numeroFila, MotivoRechazo::SinSerie));
                            saltar = true;
                        }
                    })
                    .paso([&] {
                        if (!saltar) m_.setLblEstado(QStringLiteral("Importando ") + serie);
                    })
                    .paso([&] {
                        if (saltar) return;
                        if (prueba) {
                            if (prueba->agregaria(serie)) {
                                ++resumen_.insertadas;
                            } else {
                                ++resumen_.yaGuardadas;
                                rechazos_.agregar(RechazoDeFila(*rsOrigen_, numeroFila, MotivoRechazo::SerieGuardada));
                            }
                            return;
                        }
                        std::vector<QVariant> valores{TextoValor(rsOrigen_->Field(2)), serie, numero,
                                                      TextoValor(rsOrigen_->Field(0)), TextoValor(rsOrigen_->Field(4))};
                        if (!embebida) valores.push_back(serie);
                        grupo.asegurar();
                        const int64_t cambiadas = suite.ejecutar(*insertar, valores);
                        if (suite.Errors().Count() > 0) {
                            const QString descripcion = suite.Errors().Item(0).descripcion;
                            rechazos_.agregar(RechazoDeFila(*rsOrigen_, numeroFila, MotivoRechazo::Fallo, descripcion));
                            grupo.confirmar();  // las filas anteriores quedan
                            m_.setLblEstado(descripcion);
                            MsgBox(descripcion, Botones::Aceptar | Botones::IconoCritico, QStringLiteral("Aviso"));
                            dejar = true;
                            return;
                        }
                        if (cambiadas > 0) {
                            ++resumen_.insertadas;
                        } else {
                            ++resumen_.yaGuardadas;
                            haySeriesRepetidas = true;
                            rechazos_.agregar(RechazoDeFila(*rsOrigen_, numeroFila, MotivoRechazo::SerieGuardada));
                        }
                        grupo.contar();
                    })
                    .paso([&] {
                        if (dejar) return;
                        m_.setProgreso(++hechas, total.value_or(-1));
                        Proceso::BombearEventos();
                        rsOrigen_->MoveNext();
                    })
                    .paso([&] { fin = rsOrigen_->EOF_(); });
                if (!fila.correr()) {
                    dejar = true;
                    click.abandonar();
                }
            }
            grupo.confirmar();
            if (dejar) r.abandonar();
        })
        .paso([&] {
            rsOrigen_->Close();
            prueba.reset();  // la tabla de la prueba se borra al terminar
        })
        .paso([&] {
            if (prueba_) return;
            // El registro de la transmisión se borra sólo si la corrida no agregó ninguna fila:
            // las filas agregadas nunca quedan bajo un número sin transmisión.
            if (!haySeriesRepetidas || resumen_.insertadas > 0) return;
            datos.EjecutarSQL(QStringLiteral("DELETE FROM MV_TRANSMISIONES WHERE Transmision=") + QString::number(numero));
            if (suite.Errors().Count() > 0) {
                MsgBox(suite.Errors().Item(0).descripcion, Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("Aviso"));
                r.abandonar();
            }
        });
    if (!r.correr()) click.abandonar();
}

void VentanaImportacion::SSTab1_Click(int pestana) {
    if (m_.ocupado()) return;
    if (pestana == 1) cargaTransmisiones();
}

void VentanaImportacion::cargaTransmisiones() {
    ModeloGrilla& g = m_.MSFlexGrid1;
    Dll_Datos& datos = Componentes::Datos();
    try {
        g.Clear();
        g.setRows(2);
        g.setCols(4);
        const std::pair<const char*, int> columnas[] = {{"", 10}, {"Nro", 500}, {"Usuario", 1500}, {"Fecha", 1500}};
        for (int c = 0; c < 4; ++c) {
            g.setTextMatrix(0, c, QString::fromUtf8(columnas[c].first));
            g.setColWidth(c, columnas[c].second);
        }
        RecordsetPtr rs;
        datos.AbrirRecordset(QStringLiteral("SELECT * FROM MV_TRANSMISIONES WHERE TIPO='S' ORDER BY FECHA DESC,HORA DESC"), rs, nullptr,
                             0, 1, -1, true);
        for (; !rs->EOF_(); rs->MoveNext()) {
            m_.setLblEstadoTransmisiones(QStringLiteral("Cargando ") + TextoValor(rs->Field(QStringLiteral("transmision"))));
            const int f = g.Rows() - 1;
            g.setTextMatrix(f, 1, TextoValor(rs->Field(QStringLiteral("transmision"))));
            g.setTextMatrix(f, 2, TextoValor(rs->Field(QStringLiteral("responsable_envio"))));
            g.setTextMatrix(f, 3, TextoValor(rs->Field(QStringLiteral("fecha"))) + ' ' + TextoValor(rs->Field(QStringLiteral("Hora"))));
            g.setRows(g.Rows() + 1);
        }
        datos.CerrarRecordset(rs);
        m_.setLblEstadoTransmisiones(QStringLiteral("..."));
    } catch (const ErrorEjecucion& e) {
        // Una falla al leer no termina el programa: el operador ve su descripción.
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoExclamacion);
    }
}

namespace {
// La grilla de filas muestra enseguida este tramo y lee el resto a medida que se recorre.
constexpr int kFilasPrimerTramo = 200;
constexpr int kFilasPorTramo = 1000;
}  // namespace

void VentanaImportacion::MSFlexGrid1_Click() {
    if (m_.ocupado()) return;
    ModeloGrilla& lista = m_.MSFlexGrid1;
    ModeloGrilla& g = m_.MSFlexGrid3;
    Dll_Datos& datos = Componentes::Datos();
    try {
        int32_t numero = 0;
        try {
            numero = Conversiones::CLng(Conversiones::Val(lista.TextMatrix(lista.Row, 1)));
        } catch (const ErrorEjecucion& e) {
            if (e.numero() != Errores::Desbordamiento && e.numero() != 381) throw;
        }
        if (numero == 0) return;
        cerrarFilasTransmision();
        g.Clear();
        g.setRows(2);
        g.setCols(4);
        const std::pair<const char*, int> columnas[] = {{"", 50}, {"Modelo", 2000}, {"Serie", 2500}, {"ECA1", 2000}};
        for (int c = 0; c < 4; ++c) {
            g.setTextMatrix(0, c, QString::fromUtf8(columnas[c].first));
            g.setColWidth(c, columnas[c].second);
        }
        datos.AbrirRecordset(QStringLiteral("SELECT * FROM AUX_GARANTIA WHERE NroTransmision=") + QString::number(numero), rsFilas_, nullptr,
                             0, 1, -1, true);
        leerFilasTransmision(kFilasPrimerTramo);
        g.setMas([this] { return rsFilas_ && rsFilas_->abierto(); }, [this] { leerFilasTransmision(kFilasPorTramo); });
        m_.setLblEstadoTransmisiones(QStringLiteral("... "));
    } catch (const ErrorEjecucion& e) {
        cerrarFilasTransmision();
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoExclamacion);
    }
}

void VentanaImportacion::leerFilasTransmision(int cuantas) {
    ModeloGrilla& g = m_.MSFlexGrid3;
    try {
        for (int i = 0; i < cuantas && !rsFilas_->EOF_(); ++i, rsFilas_->MoveNext()) {
            const QString serie = TextoValor(rsFilas_->Field(QStringLiteral("serie")));
            m_.setLblEstadoTransmisiones(QStringLiteral("Cargando ") + serie);
            const int f = g.Rows() - 1;
            g.setTextMatrix(f, 1, TextoValor(rsFilas_->Field(QStringLiteral("modelo"))));
            g.setTextMatrix(f, 2, serie);
            g.setTextMatrix(f, 3, TextoValor(rsFilas_->Field(QStringLiteral("eca1"))));
            g.setRows(g.Rows() + 1);
        }
        if (rsFilas_->EOF_()) cerrarFilasTransmision();
    } catch (const ErrorEjecucion& e) {
        cerrarFilasTransmision();
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoExclamacion);
    }
}

void VentanaImportacion::cerrarFilasTransmision() {
    if (rsFilas_ && rsFilas_->abierto()) rsFilas_->Close();
    rsFilas_.reset();
}
