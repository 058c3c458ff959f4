#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <utility>
#include <vector>

// Ayudas de las pruebas de los libros de Excel: escribir un .xlsx a mano y leerlo por la conexión.

// Escribe un zip con las partes dadas (nombre, contenido), comprimidas.
void EscribirZip(const QString& ruta, const std::vector<std::pair<QString, QByteArray>>& partes);

// Un .xlsx mínimo hecho a mano: una hoja por XML de <sheetData> (sólo el interior), con
// estilos y cadenas compartidas opcionales y atributos extra para <workbookPr>.
struct LibroAMano {
    std::vector<std::pair<QString, QByteArray>> hojas;  // nombre, interior de <sheetData>
    QByteArray cadenas;                                 // interior de <sst>; vacío: sin la parte
    QByteArray estilos;                                 // styles.xml entero; vacío: sin la parte
    QByteArray propiedadesLibro;                        // atributos de <workbookPr>
    QStringList estados;                                // state de cada hoja ("" = visible)
    std::vector<QByteArray> prologos;                   // lo de antes de <sheetData> de cada hoja
    std::vector<std::pair<QString, QByteArray>> antes;  // partes que el zip lleva antes que las suyas
    void escribir(const QString& ruta) const;
};

// El texto de conexión del driver de Excel para el libro.
QString ConexionExcel(const QString& ruta);

// Una hoja leída entera por la conexión.
struct HojaLeida {
    QStringList campos;
    std::vector<std::vector<QVariant>> filas;
    QString texto(std::size_t fila, int campo) const;  // como lo ve el operador
};
HojaLeida LeerHoja(const QString& ruta, const QString& hoja);
QStringList HojasDe(const QString& ruta);
// La descripción de la falla al abrir el libro y leer la hoja; vacía si no falla.
QString FallaAlLeer(const QString& ruta, const QString& hoja);
