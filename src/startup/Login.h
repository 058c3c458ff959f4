#pragma once
#include <QString>
#include <memory>

// El ingreso del usuario de la aplicación (paso 13 del inicio): la clave tomada de la tabla de
// usuarios cuando el lanzador dejó "* *", la validación contra TA_USUARIOS y, si falla, el cuadro
// de acceso hasta tres veces, con un registro de cada intento fallido y el fin del programa
// después del tercero.

// El cuadro de acceso como lo ve el ingreso. Lo instala el programa de ventanas; sin uno (la
// línea de comandos), un ingreso rechazado termina el programa con su mensaje.
class DialogoAcceso {
  public:
    virtual ~DialogoAcceso() = default;
    // Carga el cuadro (la primera vez), llena sus cajas (base, servidor, usuario, clave), pone la
    // plataforma en su primera entrada y lo muestra modal; vuelve cuando el cuadro se oculta.
    // "Conectar" deja el usuario y la clave escritos en la sesión; "Cancelar" no toca nada.
    virtual void MostrarModal(const QString& base, const QString& servidor, const QString& usuario,
                              const QString& clave) = 0;
    // La base y el servidor que quedaron en el cuadro (una caja con su sugerencia: vacío).
    virtual QString TxtDbName() const = 0;
    virtual QString TxtServidor() const = 0;
};

// Instala el cuadro de acceso del proceso (nulo: ninguno). Devuelve el anterior.
std::unique_ptr<DialogoAcceso> InstalarDialogoAcceso(std::unique_ptr<DialogoAcceso> dialogo);

// Si la clave escrita es la del usuario. Un nombre igual a la base de la conexión principal
// (sin distinguir mayúsculas) se acepta con cualquier clave; si no, el usuario (sin blancos en
// los extremos) debe tener una fila de un sistema aceptado cuya clave decodificada sea igual a la
// dada sin distinguir mayúsculas. Los nombres van como literales: una comilla no cambia la
// consulta. Lanza la falla de la consulta (tabla o columna que falta).
bool ValidarUsuario(const QString& usuario, const QString& clave);

// Los códigos de sistema aceptados: sólo "VORLIK" si el ejecutable se llama así (sin distinguir
// mayúsculas); si no, "cn000pr" y "ORVA".
QStringList SistemasAceptados();

// Cuando la clave de la sesión es "* *": la toma de gUsuarioClave del usuario de la sesión (tal
// como está, sin recortar). Sin fila, la marca queda.
void BuscarClaveSesion();

// Lo que el ingreso decide.
struct ResultadoIngreso {
    // true: el usuario se validó en el cuadro con otra base u otro servidor; el inicio se conecta
    // a los elegidos y vuelve a correr desde los valores de conexión.
    bool reconectar = false;
    QString base;
    QString servidor;
};

// El ingreso entero. Vuelve con el usuario validado (o con el pedido de reconexión); después del
// tercer intento fallido, o sin cuadro de acceso instalado, termina el proceso con código 1.
ResultadoIngreso Ingreso();
