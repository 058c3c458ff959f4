#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// La configuración regional del sistema, fija en un solo lugar, sea cual sea el idioma de la
// máquina: fecha corta dd/mm/yyyy, hora de 24 horas hh:mm:ss, coma decimal.
namespace Regional {

inline constexpr QChar SeparadorFecha = u'/';
inline constexpr QChar SeparadorHora = u':';
inline constexpr QChar SeparadorDecimal = u',';

// Fecha corta: "09/12/2026".
QString TextoFecha(const QDate& fecha);
// Hora larga: "10:15:30".
QString TextoHora(const QTime& hora);
// Conversión por defecto de una fecha y hora a texto: fecha corta, y la hora larga detrás
// cuando no es medianoche.
QString TextoFechaHora(const QDateTime& momento);

// Número con coma decimal, sin ceros de más ni exponente: 1234,5 -> "1234,5"; 3.0 -> "3".
QString TextoNumero(double numero);

// Un entero con separador de miles, como lo lee el operador: 426550 -> "426.550". Sólo para los
// textos propios de la ventana: los que leen otros programas (la salida de garantias-cli, las
// celdas de las grillas) llevan el número sin separadores.
QString TextoMiles(qint64 numero);
// Una cantidad con su palabra en singular o plural: (1, "fila", "filas") -> "1 fila";
// (426550, ...) -> "426.550 filas".
QString Cantidad(qint64 numero, const QString& singular, const QString& plural);

// Lee una fecha (y hora opcional) escrita como dd/mm/yyyy [hh:mm[:ss]], dd/mm/yy o
// yyyy-mm-dd[ hh:mm:ss[.fff]]. Sin valor si el texto no es una fecha.
std::optional<QDateTime> LeerFechaHora(const QString& texto);

// Formato de fecha con las letras de siempre: d, dd, m, mm, yy, yyyy, h, hh, n, nn, s, ss
// ("mm" después de "hh" son minutos); "/" y ":" son los separadores del sistema. Las letras
// valen en mayúsculas o minúsculas ("DD/MM/YYYY", "HH:MM").
QString Formato(const QDateTime& momento, const QString& patron);

// La fecha cero: 30/12/1899 00:00:00.
QDateTime FechaCero();

}  // namespace Regional
