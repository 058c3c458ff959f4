#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "ado/Proveedor.h"
#include "ado/TextoConexion.h"

// Las clases de archivo de origen que el programa lee. Cada clase vive en su carpeta, con su
// proveedor y sus reglas: qué extensiones son suyas, qué texto de conexión abre el archivo, qué
// nombres de la lista de tablas entran, cuál es el nombre base y qué tabla es la del propio
// archivo. La ventana, la línea de comandos y las comparaciones de bench/ preguntan aquí.
//
//   ado/texto    txt, csv   la carpeta del archivo; cada archivo de texto es una tabla
//   ado/dbase    dbf        la carpeta del archivo; cada .dbf es una tabla
//   ado/excel    xls, xlsx  el libro; cada hoja es una tabla
//   ado/access   mdb        la base de Access
//   ado/sqlite   db         la base SQLite del proveedor (y, aparte, la base embebida de la suite)
//   ado/odbc     --         SQL Server y otros por ODBC (no es una clase de archivo)

// Qué hace la ventana con la lista de hojas o tablas después de abrir la conexión.
enum class ListadoOrigen {
    Tablas,             // la limpia y la llena con las tablas que pasan el filtro
    TablasYNombreBase,  // lo mismo y, al final, el nombre base del archivo
    SoloNombreBase,     // no la limpia: agrega el nombre base (y lee esa tabla para probarla)
};

class ClaseOrigen {
  public:
    virtual ~ClaseOrigen() = default;

    // Para los mensajes: "texto", "dBase", "Excel"...
    virtual QString nombre() const = 0;
    // Las extensiones de la clase, sin punto y en minúsculas.
    virtual QStringList extensiones() const = 0;
    // true si la conexión abre la carpeta del archivo y cada archivo de la carpeta es una tabla.
    virtual bool esCarpeta() const { return false; }
    virtual ListadoOrigen listado() const { return ListadoOrigen::Tablas; }

    // El texto de conexión que abre el archivo (ruta absoluta).
    virtual QString textoConexion(const QString& ruta) const = 0;
    // Si el texto de conexión es de esta clase, y el proveedor que lo abre.
    virtual bool reconoce(const TextoConexion& texto) const = 0;
    virtual std::unique_ptr<Proveedor> crearProveedor(const TextoConexion& texto) const = 0;

    // Si un nombre que informa el proveedor entra en la lista de tablas (sin blancos alrededor).
    virtual bool pasaFiltro(const QString& nombre) const { return true; }
    // El nombre base del archivo: su nombre hasta el último "." ("datos.2024.dbf" da "datos.2024").
    virtual QString nombreBase(const QString& ruta) const;
    // La tabla del propio archivo en la lista que da el proveedor; vacío si la clase no la sabe.
    virtual QString tablaDelArchivo(const QString& ruta) const { return {}; }
    // Para SoloNombreBase: la sentencia con que la ventana lee y prueba la tabla del archivo.
    virtual QString sentenciaDelArchivo(const QString& ruta) const { return {}; }
};

// Todas las clases, en el orden en que se prueban.
const std::vector<const ClaseOrigen*>& ClasesOrigen();
// La clase de una extensión (sin distinguir mayúsculas); nula si no es de ninguna.
const ClaseOrigen* ClasePorExtension(const QString& extension);

// Cada clase, en su carpeta.
const ClaseOrigen& ClaseTexto();
const ClaseOrigen& ClaseDbase();
const ClaseOrigen& ClaseXls();
const ClaseOrigen& ClaseXlsx();
const ClaseOrigen& ClaseAccess();
const ClaseOrigen& ClaseSqlite();

// El nombre de una tabla entre corchetes, con cada "]" doblado: "a]b" da "[a]]b]". Así ningún
// nombre cambia la forma de la sentencia.
QString NombreEntreCorchetes(const QString& tabla);
// La sentencia que lee una tabla: "SELECT * FROM [tabla]".
QString SentenciaDeTabla(const QString& tabla);
