#pragma once
#include <QString>

// SIGINT (Ctrl-C) y SIGTERM (el escritorio o un guion piden terminar).
//
// Mientras hay trabajo que conservar (algún aviso de Proceso::AlTerminar, como el grupo de
// filas abierto de una importación), la señal se anota y el proceso termina en el próximo punto
// seguro: la próxima vez que la corrida bombea eventos, o enseguida si el programa está
// esperando en su bucle de eventos (un cuadro de mensaje). Termina con Proceso::Terminar, que
// corre los avisos (confirma el grupo y dice qué quedó), y el código 128 + la señal (130, 143).
// Sin trabajo pendiente, o con una segunda señal, termina en el acto con ese código.
namespace Senales {

// Instala los manejadores. Con una aplicación Qt creada, también la atención desde su bucle.
void Instalar();

// La señal recibida y todavía no atendida; 0 si ninguna.
int Pendiente();

// Una señal ya se está atendiendo: el proceso corre sus avisos antes de terminar. Lo que espera
// (un bloqueo de la base) no espera más: el fin ya se pidió.
bool Terminando();

// Si hay una señal pendiente, termina el proceso (Proceso::Terminar(128 + señal)).
void AtenderPendiente();

// La frase que el programa dice si termina por una señal (lo que quedó guardado, por ejemplo), en
// el acto o en el próximo punto seguro; vacía: ninguna. Se puede cambiar mientras una señal llega:
// el manejador lee la anterior o la nueva entera, nunca una mezcla.
void FijarDespedida(const QString& frase);

// Para las pruebas: anota una señal como si hubiera llegado (sin terminar en el acto).
void Simular(int senal);

}  // namespace Senales
