#pragma once
#include <QString>
#include <QVariant>

#include "platform/ErrorEjecucion.h"

// El componente de utilidades: textos, rutas y la pregunta ante un error.
class Dll_Funciones {
  public:
    // El valor como texto, tal como lo ve el operador; nulo da texto vacío.
    QString ValorNoNulo(const QVariant& valor) const;
    // La carpeta terminada en "/".
    QString RutaConBarra(const QString& carpeta) const;
    // Separa una ruta en carpeta (sin la barra final), archivo con extensión y extensión sin punto.
    // Acepta "/" y "\" como separadores. Devuelve true.
    bool SepararRuta(const QString& ruta, QString& carpeta, QString& archivo, QString& extension) const;
    // El texto sin ninguna aparición de quitar.
    QString QuitarCaracteres(const QString& texto, const QString& quitar) const;
    // El texto cortado a lo sumo a largo caracteres.
    QString LimitarLargo(const QString& texto, int largo) const;
    // El código alineado a la derecha y rellenado con blancos a la izquierda hasta ancho ("   1").
    QString FormatearCodigo(const QString& codigo, int ancho) const;
    // El número al principio del texto (coma o punto decimal), con cuatro decimales; 0 si no hay.
    double ValorNumerico(const QString& texto) const;
    // Codifica un texto para guardarlo: reversible para todo texto, ilegible a simple vista, sin
    // comas, comillas dobles, saltos de línea ni blancos en los extremos.
    QString Encriptar(const QString& texto) const;
    // Decodifica lo que dio Encriptar. Un texto que no salió de Encriptar vuelve tal cual.
    QString Desencriptar(const QString& texto) const;
    // Muestra el error con Abortar, Reintentar y Omitir y devuelve la respuesta (3, 4 o 5).
    int ManejarError(const ErrorEjecucion& error) const;
};
