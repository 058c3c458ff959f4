#pragma once
#include <QByteArray>
#include <QString>
#include <functional>
#include <string>

// Ayudas de expat para las partes de un libro .xlsx. Los nombres se comparan sin su prefijo de
// espacio de nombres: hay escritores que ponen "x:row" donde otros ponen "row".

// El nombre sin prefijo ("x:row" -> "row").
const char* NombreLocal(const char* nombre);
// El valor del atributo de nombre local dado; nulo si falta.
const char* Atributo(const char** atributos, const char* nombre);

// Recorre una parte chica entera, avisando cada elemento que abre y que cierra. Lanza
// ErrorEjecucion (que nombra el libro y la parte) si no es XML válido.
struct EventosXml {
    std::function<void(const char* elemento, const char** atributos)> abre;
    std::function<void(const char* elemento)> cierra;
};
void RecorrerXml(const QByteArray& xml, const QString& libro, const QString& parte,
                 const EventosXml& eventos);

// Texto de una celda o cadena: UTF-8 con los escapes "_xHHHH_" del formato resueltos.
QString TextoXlsx(const std::string& utf8);
