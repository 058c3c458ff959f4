#pragma once
#include <QString>
#include <QStringList>
#include <vector>

#include "cli/Argumentos.h"
#include "cli/Opcion.h"
#include "cli/Salida.h"

// Un verbo del programa de línea de comandos ("tablas", "vista"...). Cada uno vive en su archivo
// y se anota en Verbos(); main sólo separa los argumentos y despacha. La ayuda, las páginas de
// manual y la terminación de bash salen de esta tabla.
struct Verbo {
    QString nombre;
    QString uso;                   // la línea de uso, sin el nombre del programa: "tablas ARCHIVO"
    QString descripcion;           // qué hace, para la ayuda
    std::vector<Opcion> opciones;  // las que admite, cada una con su descripción
    // Corre el verbo. Devuelve el código de salida; lanza ErrorUso o ErrorEjecucion.
    int (*correr)(const Argumentos& argumentos, Salida& salida);
    // Las palabras fijas que van primero ("alta", "baja", "lista"), para la terminación.
    QStringList palabras = {};

    QStringList conValor() const;  // los nombres de las opciones que toman un valor
    QStringList banderas() const;  // los de las que no
    // El primer argumento es un archivo (el uso dice "VERBO ARCHIVO"): la terminación los ofrece.
    bool tomaArchivo() const;
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
Verbo VerboHistorial();
Verbo VerboAnular();
