#pragma once
#include <QString>
#include <functional>

// Servicios del proceso: nombre y carpeta del ejecutable, carpetas del programa, bomba de
// eventos y fin inmediato del proceso. Cada uno con una costura para las pruebas.
namespace Proceso {

// Nombre del ejecutable sin extensión ("garantias"). El programa de línea de comandos se anota
// con el nombre del programa de ventanas, para que permisos y registros vean un solo programa.
QString NombreEjecutable();
void FijarNombreEjecutable(const QString& nombre);

// Carpeta del ejecutable, donde se buscan los archivos que el programa sólo lee (ayuda,
// programa acompañante). Termina en "/".
QString CarpetaEjecutable();

// Carpeta de la aplicación para los archivos que el programa escribe (BASES.TXT,
// consultas.ntw): la del ejecutable si se puede escribir en ella (copia portátil); si no, o si
// es una copia instalada, la carpeta de datos del usuario para el programa. Termina en "/".
QString CarpetaAplicacion();

// El ejecutable está instalado: junto a su carpeta bin/ está share/garantias/ (los guiones de la
// base que instala el paquete o "cmake --install").
bool CopiaInstalada();

// El programa corre desde una carpeta propia que el usuario puede escribir y que no es la de una
// copia instalada (una copia desempaquetada junto a los archivos del operador).
bool CopiaPortatil();

// Carpeta de las bases embebidas: $GARANTIAS_DATOS, o la carpeta de datos del usuario.
// No la crea. Termina en "/".
QString CarpetaDatos();

// Para las pruebas: fija las carpetas (vacío vuelve a la regla normal).
void FijarCarpetaEjecutable(const QString& carpeta);
void FijarCarpetaAplicacion(const QString& carpeta);

// Deja que la ventana procese sus eventos pendientes (repintar, clics). Sin aplicación, o en
// un programa sin ventanas que lo apagó, nada. Es también el punto seguro donde una señal de
// fin pendiente termina el proceso (Senales).
void BombearEventos();
// Lo mismo en un bucle largo que lo llama en cada vuelta (una por fila): procesa los eventos a lo
// sumo una vez cada 16 ms, así la ventana repinta y atiende clics sin que la importación pague el
// procesamiento en cada fila. Una señal de fin pendiente se atiende en cada vuelta.
void BombearEventosDelBucle();
// El programa de línea de comandos no tiene ventanas que repintar: apaga la bomba.
void FijarBombeo(bool activo);

// Termina el proceso en el acto, sin cerrar ni guardar nada. Antes corre los avisos
// registrados (por ejemplo, confirmar un grupo de filas ya escritas). No vuelve.
[[noreturn]] void Terminar(int codigo = 0);

// Registra un aviso que corre justo antes del fin del proceso (el último registrado, primero).
// Devuelve su identificador.
int AlTerminar(std::function<void()> aviso);
void QuitarAvisoAlTerminar(int id);
// Si hay algún aviso registrado (trabajo que conservar antes del fin). Se puede llamar desde un
// manejador de señales.
bool HayAvisos();

// Costura para las pruebas: reemplaza el fin del proceso. La función no debe volver (en las
// pruebas lanza FinDelProceso). Vacía vuelve al fin real.
void FijarTerminador(std::function<void(int)> terminador);

// Lo que lanza el terminador de las pruebas.
struct FinDelProceso {
    int codigo;
};

}  // namespace Proceso
