#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// Cuadros de mensaje con los juegos de botones, íconos y respuestas estándar.
namespace Botones {
inline constexpr int Aceptar = 0;                  // OK
inline constexpr int AceptarCancelar = 1;          // OK, Cancelar
inline constexpr int AbortarReintentarOmitir = 2;  // Abortar, Reintentar, Omitir
inline constexpr int SiNoCancelar = 3;
inline constexpr int SiNo = 4;
inline constexpr int ReintentarCancelar = 5;
inline constexpr int IconoCritico = 16;
inline constexpr int IconoPregunta = 32;
inline constexpr int IconoExclamacion = 48;
inline constexpr int IconoInformacion = 64;
inline constexpr int SegundoPorDefecto = 256;
inline constexpr int TercerPorDefecto = 512;

inline int juego(int estilo) { return estilo & 0x0F; }
inline int icono(int estilo) { return estilo & 0xF0; }
inline int porDefecto(int estilo) { return (estilo & 0xF00) / 256; }
}  // namespace Botones

namespace RespuestaMensaje {
inline constexpr int Aceptar = 1;
inline constexpr int Cancelar = 2;
inline constexpr int Abortar = 3;
inline constexpr int Reintentar = 4;
inline constexpr int Omitir = 5;
inline constexpr int Si = 6;
inline constexpr int No = 7;
}  // namespace RespuestaMensaje

// Las respuestas posibles de un juego de botones, en el orden de los botones.
std::vector<int> RespuestasDelJuego(int estilo);

// Servicio de cuadros de mensaje modales. Uno por proceso (ver Mensajes()).
class ServicioMensajes {
  public:
    virtual ~ServicioMensajes() = default;
    // Muestra el texto con el estilo (botones + ícono + botón por defecto) y el título; devuelve la
    // respuesta (1 Aceptar ... 7 No). Un título vacío es el título por defecto de la aplicación.
    virtual int mostrar(const QString& texto, int estilo, const QString& titulo) = 0;
};

// Servicio vigente. Sin uno instalado, los mensajes van a stderr y se contesta el botón por defecto.
ServicioMensajes& Mensajes();
// Instala un servicio; devuelve el anterior.
std::unique_ptr<ServicioMensajes> InstalarServicioMensajes(std::unique_ptr<ServicioMensajes> servicio);

// Atajo con la forma de MsgBox: MsgBox(texto, estilo, titulo).
int MsgBox(const QString& texto, int estilo = Botones::Aceptar, const QString& titulo = {});

// Título por defecto de los cuadros (el nombre del programa).
QString TituloAplicacion();

// Mensaje que no pregunta nada: va a stderr. Lo usan los programas sin ventanas.
class MensajesConsola : public ServicioMensajes {
  public:
    int mostrar(const QString& texto, int estilo, const QString& titulo) override;
};
