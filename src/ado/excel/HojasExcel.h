#pragma once
#include <QString>
#include <QStringList>

// Lo que comparten los proveedores de .xls y .xlsx.

// 0x80040E37: el número con que el driver dice que no encuentra la hoja.
inline constexpr int32_t kHojaInexistente = -2147217865;

// Comprueba que el archivo se pueda abrir para leer. Lanza ErrorEjecucion que nombra el archivo
// si no se indicó, no existe, es una carpeta, no deja leerse (permisos, bloqueo) o está vacío.
void ComprobarArchivoExcel(const QString& ruta);

// El índice de la hoja que nombra la consulta: "Hoja1$" o "Hoja1", también entre comillas simples
// ('Mi hoja$'). La hoja que se llama exactamente así; si no hay, la única que se llama así sin
// distinguir mayúsculas. Lanza ErrorEjecucion (kHojaInexistente) que nombra la hoja y el libro si
// no está, o las hojas que sólo difieren en mayúsculas si son varias.
int BuscarHoja(const QStringList& hojas, const QString& tabla, const QString& ruta);

// Qué parece ser un archivo que no es un libro, para completar el mensaje: ": es una página
// HTML...", ": es un texto..." o vacío si no se reconoce (los programas que "exportan a Excel"
// suelen guardar HTML o texto con extensión .xls).
QString ClaseDeContenido(const QString& ruta);

// Descripción de la falla al pedir un recordset actualizable: los libros sólo se leen.
QString DescripcionLibroSoloLectura(const QString& ruta);
