#pragma once
#include <QString>
#include <QtGlobal>
#include <optional>
#include <unordered_map>

// Las series que ya trajo el archivo que se importa, con la fila que la trajo primero: una serie
// repetida en el mismo archivo se dice "repetida en el archivo (fila N)", igual en la importación
// y en la prueba. Dos series son la misma con la regla de la base (sin blancos finales ni
// mayúsculas, ver ClaveSerie). Por serie guarda una huella de 64 bits de esa clave y el número de
// fila, no el texto: un archivo de un millón de filas ocupa unas decenas de MB.
class SeriesDelArchivo {
  public:
    // La fila lleva la serie a la base: queda como la primera si ninguna otra la trajo antes.
    void llevada(const QString& serie, qint64 fila);
    // La fila anterior de este archivo que trajo la serie, si la hay.
    std::optional<qint64> primera(const QString& serie) const;
    // La base dijo que la serie de esa fila ya estaba. Si la trajo antes otra fila de este
    // archivo, su número; si esta fila era la primera, la serie estaba guardada de antes: se
    // olvida (las siguientes también estarán guardadas de antes) y no hay número.
    std::optional<qint64> repetida(const QString& serie, qint64 fila);

  private:
    static quint64 Huella(const QString& serie);
    std::unordered_map<quint64, qint64> filas_;
};

// "repetida en el archivo (fila N)": el detalle de una fila cuya serie trajo antes la fila N.
QString RepetidaEnElArchivo(qint64 fila);
