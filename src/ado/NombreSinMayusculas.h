#pragma once
#include <QList>
#include <QString>
#include <functional>

// Cuál de unos nombres (hojas, tablas, archivos) es el que se pide: el que es igual gana; si
// ninguno lo es, el único que es igual sin distinguir mayúsculas. Si hay varios así ("Hoja1" y
// "HOJA1" para "hoja1"), ninguno: elegir uno leería otra cosa que la que el operador ve nombrada.
struct NombreHallado {
    int indice = -1;       // -1 si no hay uno
    QList<int> parecidos;  // los que sólo difieren en mayúsculas, si son más de uno
};

// coincide(i, sensible): ¿el nombre i es el pedido, comparado así?
NombreHallado BuscarNombre(int cantidad, const std::function<bool(int, Qt::CaseSensitivity)>& coincide);
