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
    // Un mensaje de error, precedido por el nombre del programa.
    void error(const QString& texto);

  private:
    QTextStream salida_;
    QTextStream errores_;
};

// Códigos de salida del programa.
namespace Codigo {
inline constexpr int Bien = 0;
inline constexpr int Falla = 1;  // el archivo o la base fallaron
inline constexpr int Uso = 2;    // la línea de comandos está mal escrita
}  // namespace Codigo
