#pragma once
#include <QString>
#include <QStringList>

#include "ado/ClasesOrigen.h"

class Conexion;

// El archivo que eligió el operador, tal como viaja de la elección a la lectura: su ruta, su
// clase y la tabla que se lee. Se arma una vez a partir de la ruta.
struct ArchivoOrigen {
    QString ruta;                        // tal como se dio
    QString carpeta;                     // hasta la última "/", sin ella
    QString archivo;                     // el nombre con su extensión
    QString extension;                   // después del último ".", sin él
    const ClaseOrigen* clase = nullptr;  // nula: ninguna clase conocida
    QString tabla;                       // la hoja o tabla elegida; vacía: ninguna todavía

    static ArchivoOrigen De(const QString& ruta);

    bool conocido() const { return clase != nullptr; }
    // Vacío si la clase no se conoce.
    QString textoConexion() const { return clase ? clase->textoConexion(ruta) : QString(); }
    QString nombreBase() const { return clase ? clase->nombreBase(ruta) : QString(); }
    bool pasaFiltro(const QString& nombre) const { return !clase || clase->pasaFiltro(nombre); }

    // Las tablas de la conexión abierta que entran en la lista, en su orden, y después lo que la
    // clase agrega (el nombre base); para dBase, sólo el nombre base.
    QStringList tablasListadas(Conexion& conexion) const;
    // La tabla que se lee si no se nombra ninguna: la del propio archivo si la clase la sabe y
    // está en la lista (la de mayúsculas exactas antes que otra); si no, la primera.
    QString tablaPorDefecto(const QStringList& lista) const;
    // La sentencia que lee la tabla elegida; sin tabla elegida, la que la clase usa para su propio
    // archivo (dBase: "Select * from [nombre base]").
    QString sentencia() const;
    // La tabla que se lee, por su nombre: la elegida o, sin tabla elegida, la del propio archivo
    // cuando la clase sólo tiene esa (dBase: el nombre base).
    QString tablaALeer() const;
};
