// La corrida de importación.
#include "ado/Valores.h"
#include "import/CorridaImportacion.h"
#include "import/VentanaImportacion.h"
#include "platform/Conversiones.h"
#include "platform/Mensajes.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "platform/Senales.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"
#include "suite/Sesion.h"

namespace {
// La corrida cuenta lo que hace en los controles de la ventana y en su lista de filas no agregadas.
class OyenteVentana : public OyenteCorrida {
  public:
    OyenteVentana(ModeloVentana& m, Rechazos& rechazos) : m_(m), rechazos_(rechazos) {}
    void estado(const QString& texto) override { m_.setLblEstado(texto); }
    void progreso(qint64 hechas, qint64 total) override { m_.setProgreso(hechas, total); }
    void campos(const QStringList& nombres) override { rechazos_.limpiar(nombres); }
    void filaNoAgregada(Rechazo rechazo) override { rechazos_.agregar(std::move(rechazo)); }

  private:
    ModeloVentana& m_;
    Rechazos& rechazos_;
};
}  // namespace

void VentanaImportacion::cmdImportar_Click() {
    Ocupacion ocupacion(m_);
    if (!ocupacion.libre()) return;
    QString nombre;
    ArchivoOrigen lectura;
    resumen_ = ResumenImportacion{};
    resumen_.prueba = prueba_;
    rechazos_.limpiar();
    OyenteVentana oyente(m_, rechazos_);
    Rutina click([this](const ErrorEjecucion& e) { return trampa(e); });
    click
        .paso([&] {
            if (!NombreDeTabla(nombre)) click.terminar();
        })
        .paso([&] { lectura = LecturaElegida(nombre); })
        .paso([&] { ConectarProveedor(true); })
        .paso([&] {
            CorridaImportacion corrida(origen_, Componentes::Datos(), sesion().Usuario, oyente);
            resumen_ = corrida.correr(lectura, OpcionesCorrida{prueba_, repetir_});
        });
    click.correr();
    // La frase de lo que quedó vale para el fin de la corrida; una señal más tarde, con la ventana
    // quieta, no la repite como si fuera de ahora.
    Senales::FijarDespedida({});
}
