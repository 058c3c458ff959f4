#pragma once
#include <QString>
#include <cstdint>

class Dll_Datos;

// La frase con que termina toda importación que tomó número o lo intentó, igual en la ventana y
// en la línea de comandos, en cualquier salida (falla, corte, señal): "Quedaron guardadas N filas
// en la transmisión T" (N con separador de miles; "Quedó guardada 1 fila en la transmisión T"), o
// "No quedó nada guardado" si la transmisión no quedó (0). N se cuenta
// en la base (sin filas en la base, "No quedó nada guardado": también para una transmisión cuyo
// COMMIT no tuvo respuesta); si la base no contesta, se dice la cuenta de la corrida (respaldo) y
// que no se pudo contar ("No quedó nada guardado" si la corrida no confirmó ninguna).
QString LoGuardado(Dll_Datos& datos, int32_t transmision, int64_t respaldo);

// La misma frase con las filas que la corrida sabe confirmadas, sin preguntar a la base: la que
// queda lista después de cada grupo para una señal que termina en el acto.
QString FraseGuardado(int32_t transmision, int64_t filas);
