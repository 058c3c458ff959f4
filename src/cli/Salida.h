#pragma once
#include <QString>
#include <QTextStream>

// Salida del programa de línea de comandos: resultados por la salida estándar, mensajes por la
// de errores, siempre en UTF-8.
class Salida {
  public:
    Salida();
    // Una línea de resultado.
    void linea(const QString& texto);
    // Un texto entero tal cual (ya trae sus saltos de línea).
    void texto(const QString& texto);
    // Un mensaje de error, precedido por el nombre del programa.
    void error(const QString& texto);
    // Una línea tal cual por la salida de errores (datos que no pudieron ir a su archivo).
    void lineaError(const QString& texto);

  private:
    QTextStream salida_;
    QTextStream errores_;
};

// Un valor en su celda de una salida separada por tabuladores: los tabuladores y saltos de línea
// se escriben como \t, \r y \n para que cada fila siga en una línea y cada valor en su columna.
QString Celda(const QString& texto);

// Códigos de salida del programa, los mismos para todos los verbos (la ayuda y el README los
// muestran en una tabla). Un verbo que no terminó su trabajo nunca devuelve Bien.
namespace Codigo {
inline constexpr int Bien = 0;
inline constexpr int Falla = 1;           // el archivo o la base fallaron, o el trabajo quedó a medias
inline constexpr int Uso = 2;             // la línea de comandos está mal escrita
inline constexpr int NoEncontrado = 3;    // lo pedido no está: una serie, una transmisión, filas con serie
inline constexpr int Interrumpido = 130;  // Ctrl-C (SIGINT): 128 + 2
inline constexpr int Terminado = 143;     // SIGTERM: 128 + 15
}  // namespace Codigo
