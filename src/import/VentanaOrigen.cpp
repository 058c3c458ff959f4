// La conexión al archivo de origen y su vista previa.
#include <QFileInfo>
#include <functional>

#include "ado/Valores.h"
#include "import/CarpetaDeBusqueda.h"
#include "import/OrdenCampos.h"
#include "import/Rechazos.h"
#include "import/TrampaOrigen.h"
#include "import/VentanaImportacion.h"
#include "import/VistaPrevia.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "suite/Componentes.h"

namespace {
// La línea de estado vuelve a "..." cuando termina la vista previa, también si el operador la
// dejó con "Abortar" o si faltó el nombre de la tabla: no queda diciendo que algo se carga.
class EstadoLibreAlTerminar {
  public:
    explicit EstadoLibreAlTerminar(ModeloVentana& m) : m_(m) {}
    ~EstadoLibreAlTerminar() { m_.setLblEstado(QStringLiteral("...")); }

  private:
    ModeloVentana& m_;
};

// Lo escrito por el operador sin los blancos de los bordes, salvo que tal cual nombre algo que
// existe (" datos.csv" es otro archivo que "datos.csv").
QString SinBlancosSalvoQueNombre(const QString& texto, const std::function<bool(const QString&)>& nombra) {
    if (texto.isEmpty() || (!texto.front().isSpace() && !texto.back().isSpace())) return texto;
    return nombra(texto) ? texto : texto.trimmed();
}

const QString kTabla = QStringLiteral("Tabla");
const QString kOdbc = QStringLiteral("ODBC");
const QString kSqlPrevio = QStringLiteral("SqlPrevio");
}  // namespace

VentanaImportacion::VentanaImportacion(ModeloVentana& modelo, std::unique_ptr<SelectorArchivo> selector)
    : m_(modelo), dialogo_(std::move(selector)) {}

Respuesta VentanaImportacion::trampa(const ErrorEjecucion& error) { return TrampaOrigen(origen_, error); }

void VentanaImportacion::mensajeDeError() {
    // La descripción del primer error del proveedor, sin ícono y con el título de la aplicación.
    MsgBox(origen_.Errors().Item(0).descripcion, Botones::Aceptar);
}

void VentanaImportacion::ConectarProveedor(bool no_cerrar) {
    QString ruta, textoGuardado, textoConexion;
    bool hayArchivo = false;
    bool intento = false;  // se intentó abrir una conexión
    bool abrio = false;    // y abrió
    Rutina r([this](const ErrorEjecucion& e) { return trampa(e); });
    std::size_t pasoCierre = 0;
    r.paso([&] {
         textoGuardado = m_.campo(kOdbc).trimmed();
         ruta = SinBlancosSalvoQueNombre(m_.campo(kTabla),
                                         [](const QString& r) { return QFileInfo::exists(r); });
         hayArchivo = !ruta.isEmpty();
         textoConexion = textoGuardado;
     })
        .paso([&] { archivo_ = ArchivoOrigen::De(ruta); })
        .paso([&] {
            if (!archivo_.conocido()) {
                r.irA(pasoCierre);  // ninguna clase conocida: no se abre nada
                return;
            }
            intento = true;
            if (hayArchivo) textoConexion = archivo_.textoConexion();
            if (archivo_.clase->listado() == ListadoOrigen::Tablas) {
                abrio = AbrirOrigen(textoConexion, archivo_);
                r.irA(pasoCierre);
            }
        })
        .paso([&] { origen_.Open(textoConexion); })
        .paso([&] {
            const bool sinErrores = origen_.Errors().Count() == 0;
            const bool soloAvisos = !sinErrores && origen_.Errors().Item(0).nativo == 0;
            if (archivo_.clase->listado() == ListadoOrigen::SoloNombreBase) {
                if (!sinErrores) {
                    mensajeDeError();
                    return;
                }
                m_.setCampo(kOdbc, textoConexion);
                fijarLectura(archivo_);  // sin tabla elegida: la del propio archivo
                m_.cmbTablaAgregar(archivo_.nombreBase());
                rsOrigen_ = origen_.abrirRecordset(lectura_.sentencia());
                if (origen_.Errors().Count() == 0) rsOrigen_->Close();
                abrio = true;
                return;
            }
            if (sinErrores || soloAvisos) {
                m_.setCampo(kOdbc, textoConexion);
                ListarTablas(archivo_);
                m_.cmbTablaAgregar(archivo_.nombreBase());
                abrio = true;
                if (soloAvisos) {
                    MsgBox(QStringLiteral("Se ha conectado con exito"),
                           Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("ATENCION"));
                }
            } else {
                mensajeDeError();
            }
        });
    pasoCierre = r.cantidad();
    r.paso([&] {
         if (intento && !abrio) OlvidarOrigen();
     }).paso([&] {
        if (!no_cerrar) origen_.Close();
    });
    r.correr();
}

bool VentanaImportacion::AbrirOrigen(const QString& textoConexion, const ArchivoOrigen& archivo) {
    // Los pasos de AbrirOrigen corren bajo la trampa de quien lo llama: una falla al abrir que
    // el operador salta deja juzgar la lista de errores.
    bool abrio = false;
    Rutina r([this](const ErrorEjecucion& e) { return trampa(e); });
    r.paso([&] { origen_.Open(textoConexion); }).paso([&] {
        if (origen_.Errors().Count() == 0 || origen_.Errors().Item(0).nativo == 0) {
            m_.setCampo(kOdbc, textoConexion);
            ListarTablas(archivo);
            abrio = true;
        } else {
            mensajeDeError();
        }
    });
    r.correr();
    return abrio && origen_.abierta();
}

void VentanaImportacion::OlvidarOrigen() {
    m_.cmbTablaLimpiar();
    m_.setCmbTablaTexto(QString());
    olvidarLectura();
    VaciarVistaPrevia();
}

void VentanaImportacion::VaciarVistaPrevia() {
    m_.MSFlexGrid2.Clear();
    m_.MSFlexGrid2.setRows(2);
    m_.MSFlexGrid2.setCols(2);
    m_.setLblResumen(QString());
}

void VentanaImportacion::ListarTablas(const ArchivoOrigen& archivo) {
    const QString recordado = m_.cmbTablaTexto();
    m_.cmbTablaLimpiar();
    RecordsetPtr tablas = origen_.OpenSchemaTablas();
    if (!tablas->EOF_()) {
        for (; !tablas->EOF_(); tablas->MoveNext()) {
            // Tal cual: los blancos al borde son parte del nombre (" datos.csv" no es "datos.csv").
            const QString nombre = TextoValor(tablas->Field(QStringLiteral("TABLE_NAME")));
            if (archivo.pasaFiltro(nombre)) m_.cmbTablaAgregar(nombre);
        }
        tablas->Close();
    }
    m_.setCmbTablaTexto(recordado);
    cmbTabla_Click();
}

void VentanaImportacion::cmbTabla_Click() {
    archivo_.tabla = m_.cmbTablaTexto();
    lectura_ = archivo_;
    // El texto de la lista tal cual, también vacío ("SELECT * FROM []").
    m_.setCampo(kSqlPrevio, SentenciaDeTabla(archivo_.tabla));
}

void VentanaImportacion::cmbTabla_Elegir(const QString& nombre) {
    if (m_.ocupado()) return;
    m_.setCmbTablaTexto(nombre);
    VaciarVistaPrevia();
    cmbTabla_Click();
}

void VentanaImportacion::fijarLectura(const ArchivoOrigen& lectura) {
    lectura_ = lectura;
    m_.setCampo(kSqlPrevio, lectura_.sentencia());
}

void VentanaImportacion::olvidarLectura() {
    lectura_ = ArchivoOrigen{};
    m_.setCampo(kSqlPrevio, QString());
}

void VentanaImportacion::CmdBuscar_Click() {
    Ocupacion ocupacion(m_);
    if (!ocupacion.libre()) return;
    EstadoLibreAlTerminar libre(m_);
    // Nada del archivo anterior queda a la vista, tampoco si el nuevo no se puede leer.
    VaciarVistaPrevia();
    Rutina r([this](const ErrorEjecucion& e) {
        if (e.numero() == dialogo_.ErrorCancelacion()) {
            dialogo_.NombreArchivo.clear();
            return Respuesta::Saltar;
        }
        MsgBox(e.conNumero(), Botones::Aceptar);
        return Respuesta::Abandonar;
    });
    r.paso([&] {
         dialogo_.TituloDialogo = QStringLiteral("Selección del Archivo ");
         dialogo_.CancelarConError = true;
         dialogo_.CarpetaInicial = CarpetaDeBusqueda::Inicial();
     })
        .paso([&] {
            dialogo_.MostrarAbrir();
            CarpetaDeBusqueda::Recordar(dialogo_.NombreArchivo);
        })
        .paso([&] { m_.setCampo(kTabla, dialogo_.NombreArchivo); })  // la ruta exacta del diálogo
        .paso([&] { m_.setLblEstado(QStringLiteral("Conectando con el archivo...")); })
        .paso([&] { ConectarProveedor(false); })
        .paso([&] { m_.setLblEstado(QStringLiteral("Leyendo archivo...")); })
        .paso([&] {
            // De un libro o una base, la primera hoja o tabla; de una carpeta (texto, dBase), la
            // del archivo elegido.
            if (!m_.cmbTablaLista().isEmpty()) {
                m_.setCmbTablaTexto(archivo_.tablaPorDefecto(m_.cmbTablaLista()));
                cmbTabla_Click();
            }
        })
        .paso([&] { m_.setLblEstado(QStringLiteral("Cargando vista previa...")); })
        .paso([&] { cargarVistaPreviaArchivo(); });
    r.correr();
}

void VentanaImportacion::cmdCargarVistaPrevia_Click() {
    Ocupacion ocupacion(m_);
    if (!ocupacion.libre()) return;
    EstadoLibreAlTerminar libre(m_);
    // Como al buscar: lo de la tabla anterior no queda a la vista bajo un nombre que no se pudo leer.
    VaciarVistaPrevia();
    cargarVistaPreviaArchivo();
}

bool VentanaImportacion::NombreDeTabla(QString& nombre) {
    nombre = SinBlancosSalvoQueNombre(m_.cmbTablaTexto(),
                                      [this](const QString& t) { return m_.cmbTablaLista().contains(t); });
    if (!nombre.trimmed().isEmpty()) return true;
    MsgBox(QStringLiteral("Debe informar el nombre de la tabla a leer"),
           Botones::Aceptar | Botones::IconoInformacion, QStringLiteral("Aviso al Operador"));
    return false;
}

ArchivoOrigen VentanaImportacion::LecturaElegida(const QString& nombre) {
    if (m_.campo(kSqlPrevio).trimmed().isEmpty()) {
        ArchivoOrigen lectura = archivo_;
        lectura.tabla = nombre;
        fijarLectura(lectura);
    }
    return lectura_;
}

void VentanaImportacion::cargarVistaPreviaArchivo() {
    QString nombre, sentencia;
    Rutina r([this](const ErrorEjecucion& e) { return trampa(e); });
    r.paso([&] {
         if (!NombreDeTabla(nombre)) r.terminar();
     })
        // La sentencia se lee después de conectar: el relleno de la lista la rehace con el nombre
        // escrito, y la vista previa muestra lo que el operador nombró, no la tabla de antes.
        .paso([&] { ConectarProveedor(true); })
        .paso([&] { sentencia = LecturaElegida(nombre).sentencia(); })
        .paso([&] { LlenarVistaPrevia(sentencia, r); })
        .paso([&] { origen_.Close(); });
    if (!r.correr() && Detencion::Pedida()) {
        m_.setLblEstado(QStringLiteral("Vista previa detenida"));
        CerrarOrigenDetenido(rsOrigen_.get(), origen_);
    }
}

void VentanaImportacion::LlenarVistaPrevia(const QString& sentencia, Rutina& llamador) {
    ModeloGrilla& grilla = m_.MSFlexGrid2;
    bool vacio = false;
    bool abandonada = false;
    const Trampa trampaVentana = [this](const ErrorEjecucion& e) { return trampa(e); };

    // Una fila de la vista previa. Cada sentencia es su propio paso: "Omitir" salta sólo la que
    // falló, así la grilla crece aunque el origen no avance y el ciclo siempre termina.
    bool fin = false;
    int f = 0;
    Rutina fila(trampaVentana);
    fila.paso([&] {
            // Sin conjunto de filas abierto (el operador omitió la falla al abrirlo) no hay fila que
            // mostrar: la grilla no gana una fila numerada y vacía.
            if (rsOrigen_ && rsOrigen_->abierto()) return;
            fin = true;
            fila.terminar();
        })
        .paso([&] {
            // Un origen de un solo campo no tiene "segundo campo": se lee vacío.
            const QString segundo = rsOrigen_->FieldCount() > 1 ? TextoValor(rsOrigen_->Field(1)) : QString();
            m_.setLblEstado(QStringLiteral("Leyendo ") + segundo);
        })
        .paso([&] { Proceso::BombearEventos(); })
        .paso([&] { f = grilla.Rows() - 1; })
        .paso([&] { grilla.setTextMatrix(f, 0, QString::number(f)); })
        .paso([&] {
            for (int i = 0; i < rsOrigen_->FieldCount(); ++i) {
                if (!Sentencia(trampaVentana,
                               [&] { grilla.setTextMatrix(f, i + 1, TextoValor(rsOrigen_->Field(i))); })) {
                    fila.abandonar();
                    return;
                }
            }
        })
        .paso([&] { rsOrigen_->MoveNext(); })
        .paso([&] { grilla.setRows(grilla.Rows() + 1); })
        .paso([&] {
            // Si la condición misma falla y se salta, el ciclo termina, como en la rutina original.
            fin = true;
            fin = grilla.Rows() > kFilasVistaPrevia + 1 || rsOrigen_->EOF_();
        });

    Rutina r(trampaVentana);
    r.paso([&] { rsOrigen_ = origen_.abrirRecordset(sentencia); })
        .paso([&] {
            // El operador omitió la falla al abrir: no hay filas que mostrar, y los pasos que siguen
            // sólo darían otra falla por cada uno. La grilla queda vacía.
            if (rsOrigen_ && rsOrigen_->abierto()) return;
            grilla.Clear();
            grilla.setRows(2);
            m_.setLblEstado(QStringLiteral("..."));
            r.terminar();
        })
        .paso([&] {
            // Un origen sin filas no deja a la vista las de otro: muestra sus títulos y lo dice.
            vacio = rsOrigen_->EOF_();
            m_.setLblResumen(vacio ? QStringLiteral("La hoja o tabla \"%1\" no tiene filas.")
                                         .arg(m_.cmbTablaTexto().trimmed())
                                   : QString());
        })
        .paso([&] { grilla.Clear(); })
        .paso([&] { grilla.setRows(2); })
        .paso([&] { grilla.setCols(rsOrigen_->FieldCount() + 1); })
        .paso([&] {
            // Sólo las columnas que existen: un origen de menos de cinco campos se muestra igual.
            const std::pair<int, int> anchos[] = {{0, 500}, {1, 2000}, {2, 2000}, {3, 1500}, {5, 900}};
            for (const auto& [columna, twips] : anchos) {
                if (columna < grilla.Cols()) grilla.setColWidth(columna, twips);
            }
        })
        .paso([&] {
            for (int i = 0; i < rsOrigen_->FieldCount(); ++i) {
                if (!Sentencia(trampaVentana,
                               [&] { grilla.setTextMatrix(0, i + 1, rsOrigen_->FieldName(i)); })) {
                    r.abandonar();
                    return;
                }
            }
        })
        .paso([&] {
            fin = vacio;
            while (!fin) {
                if (!fila.correr()) {
                    abandonada = true;
                    r.abandonar();
                    return;
                }
            }
        })
        .paso([&] {
            // Títulos en otro orden: el operador lo lee entero antes de importar.
            if (!vacio) m_.setLblResumen(AvisoVistaPrevia(NombresCampos(*rsOrigen_)));
        })
        .paso([&] { rsOrigen_->Close(); })
        .paso([&] { m_.setLblEstado(QStringLiteral("...")); });
    if (!r.correr() || abandonada) llamador.abandonar();
}
