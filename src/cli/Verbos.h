#pragma once
#include <QString>
#include <vector>

#include "cli/Argumentos.h"
#include "cli/Salida.h"

// Un verbo del programa de línea de comandos ("tablas", "vista"...). Cada uno vive en su archivo
// y se anota en Verbos(); main sólo separa los argumentos y despacha.
struct Verbo {
    QString nombre;
    QString uso;           // la línea de uso, sin el nombre del programa: "tablas ARCHIVO"
    QString descripcion;   // una línea para la ayuda
    QStringList conValor;  // las opciones que toman un valor ("tabla" para --tabla NOMBRE)
    QStringList banderas;  // las opciones sin valor
    // Corre el verbo. Devuelve el código de salida; lanza ErrorUso o ErrorEjecucion.
    int (*correr)(const Argumentos& argumentos, Salida& salida);
};

// Los verbos, en el orden en que los muestra la ayuda.
const std::vector<Verbo>& Verbos();

Verbo VerboTablas();
Verbo VerboVista();
Verbo VerboImportar();
Verbo VerboTransmisiones();
Verbo VerboFilas();
Verbo VerboSerie();
Verbo VerboUsuario();
