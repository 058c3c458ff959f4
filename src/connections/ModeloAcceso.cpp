#include "connections/ModeloAcceso.h"

#include "connections/AccesoDirecto.h"
#include "connections/Registro.h"
#include "platform/Rutina.h"
#include "suite/Archivos.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/Sesion.h"

namespace {
// La trampa de las rutinas del archivo que contestan como el cuadro de error: 4 repite el paso,
// 5 sigue con el siguiente, otra respuesta deja la rutina.
Trampa TrampaAviso(const QString& rutina) {
    return [rutina](const ErrorEjecucion& e) {
        return RespuestaDelOperador(AvisoError(e, std::nullopt, rutina));
    };
}
}  // namespace

QString ModeloAcceso::DireccionWeb() { return QStringLiteral("https://garantias.example.org"); }

QString ModeloAcceso::Sugerencia(Caja caja) {
    switch (caja) {
        case Caja::TxtUserId:
            return QStringLiteral("Ingrese el usuario");
        case Caja::TxtDbName:
            return QStringLiteral("ingrese el nombre de la base de datos");
        case Caja::TxtServidor:
            return QStringLiteral("ingrese el nombre del servidor e instancia");
        default:
            return {};
    }
}

ModeloAcceso::ModeloAcceso() {
    // Textos iniciales de las cajas: un blanco en el usuario (cuenta como vacío) y el puerto de siempre.
    caja(Caja::TxtUserId).texto = QStringLiteral(" ");
    caja(Caja::TxtPuerto).texto = QStringLiteral("1433");
}

void ModeloAcceso::Form_Load() {
    if (cargado_) return;
    cargado_ = true;
    llenarlist();
    MensajeInicial(Caja::TxtUserId);
    MensajeInicial(Caja::TxtUserPassword);
    MensajeInicial(Caja::TxtDbName);
    MensajeInicial(Caja::TxtServidor);
}

QString ModeloAcceso::valor(Caja c) const {
    const QString& t = texto(c);
    const QString sugerencia = Sugerencia(c);
    // Con blancos de más (un espacio escrito tras la sugerencia) sigue siendo la sugerencia.
    if (!sugerencia.isEmpty() && t.trimmed() == sugerencia) return {};
    return t;
}

void ModeloAcceso::ponerTexto(Caja c, const QString& texto) {
    EstadoCaja& e = caja(c);
    if (e.texto == texto) return;
    e.texto = texto;
    // La reacción de cambio: la clave, la base y el servidor vuelven a su sugerencia al vaciarse.
    if (c == Caja::TxtUserPassword || c == Caja::TxtDbName || c == Caja::TxtServidor) MensajeInicial(c);
}

void ModeloAcceso::enfocar(Caja c) {
    if (c == Caja::TxtUserId) MensajeInicial(c);
}

ModeloAcceso::Destino ModeloAcceso::DestinoEnter(Caja c) {
    switch (c) {
        case Caja::TxtUserId:
            return Destino::TxtUserPassword;
        case Caja::TxtUserPassword:
            return Destino::TxtDbName;
        case Caja::TxtDbName:
            return Destino::TxtServidor;
        case Caja::TxtServidor:
            return Destino::bcAceptar;
        default:
            return Destino::ninguno;
    }
}

void ModeloAcceso::MensajeInicial(Caja c) {
    const QString sugerencia = Sugerencia(c);
    EstadoCaja& e = caja(c);
    if (!e.texto.trimmed().isEmpty() && e.texto != sugerencia) return;
    e.texto = sugerencia;
    e.colorTexto = kColorSugerencia;
    // Seleccionada entera: la primera tecla la reemplaza.
    e.seleccion = std::make_pair(0, static_cast<int>(e.texto.trimmed().size()));
}

void ModeloAcceso::llenarlist() {
    LectorBases lector = LectorBases::DeTexto({});
    bool abierto = false;
    Rutina r(TrampaAviso(QStringLiteral("FormLoad")));
    std::size_t pasoCerrar = 0, pasoLeer = 0;
    r.paso([&] { rutaLista_ = RutaBases(); });
    r.paso([&] {
        if (ExisteArchivo(rutaLista_)) return;
        lista_.clear();
        seleccion_ = -1;
        r.terminar();
    });
    r.paso([&] {
        lista_.clear();
        seleccion_ = -1;
        lector = LectorBases(rutaLista_);
        abierto = true;
    });
    pasoLeer = r.cantidad();
    r.paso([&] {
        if (!abierto || lector.alFinal()) r.irA(pasoCerrar);
    });
    r.paso([&] { lector.leerEntrada(campos_); });
    r.paso([&] {
        if (!campos_[CampoBase::Nombre].trimmed().isEmpty()) lista_ << campos_[CampoBase::Nombre];
        r.irA(pasoLeer);
    });
    pasoCerrar = r.cantidad();
    r.paso([&] { abierto = false; });
    // Elegir la primera corre la reacción de clic de la lista.
    r.paso([&] {
        if (!lista_.isEmpty()) lstBases_Click(0);
    });
    r.correr();
}

void ModeloAcceso::DatosBase(const QString& Nombre) {
    // Cualquier falla deja la rutina, sea cual sea la respuesta; la entrada actual guarda lo que
    // recibió antes.
    try {
        if (!ExisteArchivo(rutaLista_)) return;
        LectorBases lector(RutaBases());
        const QString buscado = Nombre.trimmed();
        while (!lector.alFinal()) {
            lector.leerEntrada(campos_);
            if (campos_[CampoBase::Nombre].trimmed() == buscado) {
                actual_.servidor = campos_[CampoBase::Servidor];
                actual_.base = campos_[CampoBase::Dbname];
                actual_.usuario = campos_[CampoBase::Usuario];
                actual_.clave = Componentes::Funciones().Desencriptar(campos_[CampoBase::Password]);
                return;
            }
        }
    } catch (const ErrorEjecucion& e) {
        AvisoError(e, std::nullopt, QStringLiteral("DatosBase"));
    }
}

void ModeloAcceso::AsignarDatosBase() {
    DatosBase(seleccion_ >= 0 && seleccion_ < lista_.size() ? lista_[seleccion_].trimmed() : QString());
    const qsizetype dosPuntos = actual_.servidor.indexOf(':');
    if (dosPuntos >= 0) {
        actual_.puerto = actual_.servidor.mid(dosPuntos + 1);
        // La posición es la del texto tal como está guardado, aunque el corte sea del texto recortado.
        actual_.servidor = actual_.servidor.trimmed().toUpper().left(dosPuntos);
    }
    ponerTexto(Caja::TxtServidor, actual_.servidor);
    ponerTexto(Caja::TxtUserId, QString());
    ponerTexto(Caja::TxtUserPassword, QString());
    ponerTexto(Caja::TxtDbName, actual_.base);
    ponerTexto(Caja::TxtPuerto, actual_.puerto);
}

void ModeloAcceso::RegistrarBases() {
    rutaLista_ = RutaBases();
    if (!ExisteArchivo(rutaLista_)) CmdRegistrar_Click();
}

void ModeloAcceso::lstBases_Click(int fila) {
    if (fila < 0 || fila >= lista_.size()) return;
    seleccion_ = fila;
    AsignarDatosBase();
}

void ModeloAcceso::lstBases_KeyDown() {
    if (seleccion_ >= 0) AsignarDatosBase();
}

void ModeloAcceso::lstBases_DblClick() {
    if (seleccion_ >= 0) AsignarDatosBase();
    bcAceptar_Click();
}

void ModeloAcceso::Label8_Click() { AbrirDocumento(DireccionWeb(), true); }

void ModeloAcceso::CmdRegistrar_Click() { Registrar(*this); }

void ModeloAcceso::CmdLineaComando_Click() { CrearAccesoDirecto(); }

void ModeloAcceso::bcAceptar_Click() {
    sesion().Usuario = valor(Caja::TxtUserId);
    sesion().Clave = valor(Caja::TxtUserPassword);
    Aceptar = true;
    RegistrarBases();
    visible_ = false;
}

void ModeloAcceso::bcCancelar_Click() {
    Aceptar = false;
    visible_ = false;
}
