#pragma once
#include <QString>
#include <memory>
#include <optional>

#include "ado/ArchivoOrigen.h"
#include "ado/Conexion.h"
#include "data/FilasTransmision.h"
#include "import/Dll_Dialogo.h"
#include "import/ModeloVentana.h"
#include "import/Rechazos.h"
#include "import/ResumenImportacion.h"
#include "platform/Detencion.h"
#include "platform/Rutina.h"

// Lo que hace la ventana de importación, sin la ventana: sus eventos y procedimientos sobre el
// modelo de sus controles. Es dueña de la conexión al archivo de origen (ConexionOrigen), del
// conjunto de filas que se lee de ella (RecordsetOrigen) y del diálogo de archivo.
//
// Fallas: los procedimientos de origen, vista previa e importación las atrapan con la trampa
// de la ventana (3704 se salta, 3705 cierra la conexión de origen y repite, otra va a
// ManejarError: 4 repite, 5 salta, otra respuesta deja el procedimiento).
class VentanaImportacion {
  public:
    // modelo: prestado, debe vivir más que esta ventana.
    VentanaImportacion(ModeloVentana& modelo, std::unique_ptr<SelectorArchivo> selector);

    // Eventos de la ventana. Mientras corre una operación larga, los de operación no empiezan otra;
    // "Detener" (Detencion::Pedir) la termina en su próximo punto de detención: la importación
    // confirma lo escrito y su resumen dice que se detuvo.
    void CmdBuscar_Click();
    void cmbTabla_Click();
    // El operador eligió otra hoja o tabla de la lista: la vista previa, que era de la anterior,
    // queda vacía hasta "Cargar vista previa"; luego cmbTabla_Click.
    void cmbTabla_Elegir(const QString& nombre);
    void cmdCargarVistaPrevia_Click();
    void cmdImportar_Click();
    void SSTab1_Click(int pestana);
    void MSFlexGrid1_Click();

    // Procedimientos.
    void ConectarProveedor(bool no_cerrar);
    void cargarVistaPreviaArchivo();
    void cargaTransmisiones();
    // Vuelve a leer la lista de transmisiones y, si se mostraban las filas de una, las muestra de
    // nuevo como están ahora (después de anularla: ninguna fila, y la línea dice "anulada"). Una
    // que ya no está en la lista deja la grilla de filas vacía.
    void recargarConsulta();

    Conexion& ConexionOrigen() { return origen_; }
    // El archivo de la última conexión: su ruta, su clase y, por ella, sus reglas.
    const ArchivoOrigen& archivoOrigen() const { return archivo_; }
    // El resumen de la última importación (filas agregadas, series ya guardadas, filas sin serie).
    const ResumenImportacion& resumen() const { return resumen_; }
    // Las filas que la última importación no agregó, en el orden del archivo, con su motivo (el
    // detalle de "serie ya guardada" se completa al leerlas: CompletarTransmisiones).
    const Rechazos& rechazos() const { return rechazos_; }
    // Prueba: "Importar" lee todo el origen y cuenta lo que agregaría, sin escribir en
    // AUX_GARANTIA ni en MV_TRANSMISIONES y sin tomar número.
    void setPrueba(bool prueba) { prueba_ = prueba; }
    // Un archivo cuyos bytes ya agregaron filas: sin valor, "Importar" pregunta si se importa otra
    // vez (Sí/No); true lo importa sin preguntar; false no lo importa (resumen().noRepetida). Una
    // prueba nunca pregunta: lo dice en su resumen.
    void setRepetir(std::optional<bool> repetir) { repetir_ = repetir; }
    bool prueba() const { return prueba_; }
    // La falla de la última lectura de la pestaña "Consultar" (lista o filas); vacío si leyó todo.
    const QString& fallaConsulta() const { return fallaConsulta_; }
    // El número de la transmisión cuyas filas muestra MSFlexGrid3; 0: ninguna.
    int32_t transmisionMostrada() const;

  private:
    // Marca la ventana como ocupada mientras dura una operación; otra operación no empieza.
    class Ocupacion {
      public:
        explicit Ocupacion(ModeloVentana& m) : m_(m), libre_(!m.ocupado()) {
            if (!libre_) return;
            Detencion::Limpiar();  // un "Detener" que llegó tarde no detiene la operación nueva
            m_.setOcupado(true);
        }
        ~Ocupacion() {
            if (!libre_) return;
            Detencion::Limpiar();
            m_.setOcupado(false);
        }
        bool libre() const { return libre_; }

      private:
        ModeloVentana& m_;
        bool libre_;
    };

    Respuesta trampa(const ErrorEjecucion& error);
    // El nombre de la hoja o tabla escrito en la lista; vacío: lo pide al operador y da false.
    bool NombreDeTabla(QString& nombre);
    // La tabla que lee el campo "SqlPrevio"; si está vacío, primero lo arma con el nombre.
    ArchivoOrigen LecturaElegida(const QString& nombre);
    // El campo "SqlPrevio" muestra la sentencia que lee la tabla de "lectura"; vacío: ninguna.
    void fijarLectura(const ArchivoOrigen& lectura);
    void olvidarLectura();
    // true si la conexión abrió (con la lista de errores vacía o sólo con avisos).
    bool AbrirOrigen(const QString& textoConexion, const ArchivoOrigen& archivo);
    // Tras una conexión fallida: la lista, su texto, la vista previa y "SqlPrevio" quedan vacíos,
    // para que nada de un archivo anterior se pueda importar.
    void OlvidarOrigen();
    // La vista previa en su estado de diseño y sin resumen: lo que mostraba era de otro origen.
    void VaciarVistaPrevia();
    void ListarTablas(const ArchivoOrigen& archivo);
    void mensajeDeError();
    void LlenarVistaPrevia(const QString& sentencia, Rutina& rutina);
    // El texto de una celda de MSFlexGrid3 (fila desde 0 entre las de la transmisión).
    QString celdaDeFila(int fila, int columna);

    ModeloVentana& m_;
    Conexion origen_;
    ArchivoOrigen archivo_;
    ArchivoOrigen lectura_;  // el archivo y la tabla que lee el campo "SqlPrevio"
    RecordsetPtr rsOrigen_;
    std::unique_ptr<FilasTransmision> filas_;  // las de la transmisión que muestra MSFlexGrid3
    Dll_Dialogo dialogo_;
    ResumenImportacion resumen_;
    Rechazos rechazos_;
    bool prueba_ = false;
    std::optional<bool> repetir_;
    QString fallaConsulta_;
};
