#pragma once
#include <sys/types.h>

#include <QByteArray>
#include <QString>

// Los archivos que el programa escribe por su cuenta (BASES.TXT, QZERR.LOG, el catálogo, el acceso
// directo, el archivo de filas no importadas). Nunca se escriben a través de un enlace ni en un
// archivo ajeno: en una carpeta que otros pueden escribir (la temporal), un enlace puesto en su
// lugar haría que el programa agregue una conexión con su clave a cualquier otro archivo. Cada
// escritura, el cierre y el paso a disco se comprueban: un archivo que no quedó escrito es una
// falla que lo dice, nunca un éxito.
namespace ArchivoPropio {

// La causa de una falla del sistema como la lee el operador ("disco lleno", "sin permiso de
// escritura: el sistema de archivos es de sólo lectura", ...). ruta: la del archivo o su carpeta,
// para distinguir un sistema de archivos de sólo lectura de un permiso que falta.
QString Causa(int error, const QString& ruta = {});

// true si el sistema de archivos de la ruta (o de su carpeta, si no existe) es de sólo lectura.
bool SoloLectura(const QString& ruta);

// Abre el archivo con las banderas de open() dadas (O_WRONLY, O_RDWR, O_APPEND, O_CREAT...) más
// O_NOFOLLOW, creándolo con modo (y la umask) si no existe y se pide O_CREAT. Lanza ErrorEjecucion
// (número 75, con la ruta y la causa) si es un enlace, si no es un archivo común o si es de otro
// usuario, o si no se puede abrir. Devuelve el descriptor.
int Abrir(const QString& ruta, int banderas, mode_t modo);
// Abrir para agregar al final (O_WRONLY | O_APPEND | O_CREAT).
int AbrirParaAgregar(const QString& ruta, mode_t modo);

// Escribe todos los bytes (reintenta las escrituras cortas y las interrumpidas). Lanza
// ErrorEjecucion con la ruta y la causa.
void EscribirTodo(int fd, const QByteArray& bytes, const QString& ruta);

// Pasa a disco (si sincronizar) y cierra; cualquiera de los dos que falle lanza ErrorEjecucion. El
// descriptor queda cerrado aunque falle.
void Cerrar(int fd, const QString& ruta, bool sincronizar);

// Agrega bytes al final del archivo abierto para agregar y, si sincronizar, lo pasa a disco. Todo o
// nada: si algo falla, el archivo vuelve a su largo de antes (una línea a medias o una que se dio
// por no escrita no quedan) y lanza ErrorEjecucion con la ruta y la causa. No cierra el descriptor.
void AgregarEn(int fd, const QByteArray& bytes, const QString& ruta, bool sincronizar);

// Agrega bytes al final del archivo (AbrirParaAgregar, AgregarEn con paso a disco, y lo cierra: lo
// agregado ya está en disco, así que un cierre que falla no es una falla de la escritura).
void Agregar(const QString& ruta, const QByteArray& bytes, mode_t modo);

// Reemplaza el archivo entero con bytes (Nuevo, escribir, terminar).
void Reemplazar(const QString& ruta, const QByteArray& bytes, mode_t modo);

// Comprueba que ruta, si existe, se puede reemplazar: un archivo común del usuario (no un enlace, ni
// una carpeta, ni un dispositivo). Lanza ErrorEjecucion con la ruta y el motivo.
void ComprobarReemplazable(const QString& ruta);

// Las llamadas al sistema con que se escriben estos archivos. Costura para las pruebas: si hay una
// costura, se le pregunta antes de cada llamada, y si devuelve un número de error la llamada falla
// con él sin hacerse (como falla un disco). El programa nunca pone una.
enum class Llamada { Abrir, Escribir, Sincronizar, Cerrar, Renombrar, Truncar };
using Costura = int (*)(Llamada);
void FijarCostura(Costura costura);  // nullptr la quita

// Un archivo que aparece entero en su lugar o no aparece: se escribe en un temporal de la misma
// carpeta (creado con O_EXCL, nunca a través de un enlace) y al terminar() pasa a disco y toma el
// lugar del destino. Lo que quede sin terminar se borra.
class Nuevo {
  public:
    // Crea el temporal ya: una carpeta que no se puede escribir, o un destino que es un enlace o
    // un archivo ajeno, fallan aquí (ErrorEjecucion con la ruta y la causa).
    Nuevo(const QString& ruta, mode_t modo);
    ~Nuevo();
    Nuevo(const Nuevo&) = delete;
    Nuevo& operator=(const Nuevo&) = delete;

    // Lanzan ErrorEjecucion con la ruta del destino y la causa; después de una falla, el temporal
    // ya no está.
    void escribir(const QByteArray& bytes);
    void terminar();

    const QString& ruta() const { return ruta_; }

  private:
    [[noreturn]] void fallar(int error);
    void vaciar();
    void descartar();

    QString ruta_;
    QString temporal_;
    int fd_ = -1;
    QByteArray pendiente_;
};

}  // namespace ArchivoPropio
