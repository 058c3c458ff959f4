#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>

#include "connections/ArchivoBases.h"

// Las cajas de texto del cuadro de acceso que el modelo conoce.
enum class Caja { TxtUserId = 0, TxtUserPassword, TxtDbName, TxtServidor, TxtPuerto };

// Una caja de texto: su texto, el color de su letra (valor RGB como entero, 0 negro) y la
// selección que el modelo pidió (la vista la aplica y la olvida).
struct EstadoCaja {
    QString texto;
    int colorTexto = 0;
    std::optional<std::pair<int, int>> seleccion;  // inicio y largo
};

// La entrada actual del archivo de conexiones, la que DatosBase encontró.
struct EntradaActual {
    QString servidor;
    QString base;
    QString usuario;
    QString clave;   // decodificada
    QString puerto;  // vacío hasta mostrar una entrada con puerto
};

// El estado y las reacciones del cuadro "Control de Acceso" (frmAcceso) sin pantalla: las
// cajas, la lista de conexiones registradas, la plataforma, la entrada actual y lo que pasa con
// cada evento del operador. La ventana Qt sólo dibuja este estado y le pasa los eventos.
//
// El cuadro sólo junta valores: "Conectar" deja el usuario y la clave en la sesión; la base y el
// servidor quedan en sus cajas para quien lo llamó.
class ModeloAcceso {
  public:
    // La dirección que abre Label8.
    static QString DireccionWeb();
    // La sugerencia de una caja ("" si no tiene).
    static QString Sugerencia(Caja caja);
    // El color de una caja que muestra su sugerencia: el valor 2 (rojo 2, verde 0, azul 0).
    static constexpr int kColorSugerencia = 2;

    ModeloAcceso();

    // La reacción de carga: llena la lista (llenarlist) y pone las sugerencias de las cuatro
    // cajas. Corre una vez por cuadro cargado.
    void Form_Load();
    bool cargado() const { return cargado_; }

    // --- Estado que la vista dibuja.
    const EstadoCaja& caja(Caja c) const { return cajas_[static_cast<int>(c)]; }
    EstadoCaja& caja(Caja c) { return cajas_[static_cast<int>(c)]; }
    const QString& texto(Caja c) const { return caja(c).texto; }
    // El valor de una caja para "Conectar" y "Registrar": su texto, o vacío si la caja muestra
    // su propia sugerencia, aun con blancos alrededor (nunca se toma por un servidor o una base).
    QString valor(Caja c) const;
    const QStringList& lstBases() const { return lista_; }
    int seleccionLista() const { return seleccion_; }  // -1 sin selección
    static QStringList PlataformasDB() { return {QStringLiteral("SQL Server"), QStringLiteral("ORACLE")}; }
    int CboPlataformaDB = -1;
    bool Aceptar = false;  // true después de "Conectar", false después de "Cancelar"
    bool visible() const { return visible_; }
    void mostrar() { visible_ = true; }
    const EntradaActual& entradaActual() const { return actual_; }
    EntradaActual& entradaActual() { return actual_; }
    const CamposBase& ultimosCampos() const { return campos_; }
    const QString& rutaLista() const { return rutaLista_; }

    // --- Cambios de texto. Un cambio hecho por el programa corre la reacción de cambio de la caja
    // (como lo hace el control) sólo cuando el texto cambia de verdad.
    void ponerTexto(Caja c, const QString& texto);
    // El operador escribió en la caja (la vista manda el texto entero).
    void escribir(Caja c, const QString& texto) { ponerTexto(c, texto); }
    // Una caja recibe el foco.
    void enfocar(Caja c);
    // A dónde lleva Enter desde una caja (TxtServidor lleva a "Conectar", que no se aprieta).
    enum class Destino { TxtUserId, TxtUserPassword, TxtDbName, TxtServidor, bcAceptar, ninguno };
    static Destino DestinoEnter(Caja c);

    // MensajeInicial: muestra la sugerencia de la caja, seleccionada, si la caja está vacía (o
    // en blanco) o ya la muestra.
    void MensajeInicial(Caja c);

    // --- Archivo de conexiones (fallas por AvisoError con "FormLoad" y "DatosBase").
    void llenarlist();
    void DatosBase(const QString& Nombre);
    void AsignarDatosBase();
    void RegistrarBases();

    // --- Eventos del operador.
    void lstBases_Click(int fila);
    void lstBases_KeyDown();
    void lstBases_DblClick();
    void Label8_Click();
    void CmdRegistrar_Click();
    void CmdLineaComando_Click();
    void bcAceptar_Click();
    void bcCancelar_Click();

  private:
    std::array<EstadoCaja, 5> cajas_;
    QStringList lista_;
    int seleccion_ = -1;
    bool cargado_ = false;
    bool visible_ = false;
    QString rutaLista_;
    CamposBase campos_;
    EntradaActual actual_;
};
