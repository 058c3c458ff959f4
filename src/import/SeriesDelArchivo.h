#pragma once
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <optional>
#include <vector>

// Las series que ya trajo el archivo que se importa, con la fila que la trajo primero: una serie
// repetida en el mismo archivo se dice "repetida en el archivo (fila N)", igual en la importación
// y en la prueba. Dos series son la misma con la regla de la base (sin blancos finales ni
// mayúsculas, ver ClaveSerie). Por serie guarda una huella de 64 bits de esa clave y el número de
// fila, no el texto, en una tabla plana (sin una reserva de memoria por serie): un archivo de un
// millón de filas ocupa unos 25 MB. Una fila después de la 4.294.967.295 no se anota.
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

    // La huella de ClaveSerie(serie), sin armar la clave. Nunca 0.
    static quint64 Huella(const QString& serie);

  private:
    // El lugar de la huella: el suyo o, si no está, el vacío donde iría.
    std::size_t lugar(quint64 huella) const;
    void crecer();

    std::vector<quint64> huellas_;  // 0: lugar vacío
    std::vector<uint32_t> filas_;   // 0: la serie se olvidó (estaba guardada de antes)
    std::size_t ocupados_ = 0;
};

// "repetida en el archivo (fila N)": el detalle de una fila cuya serie trajo antes la fila N.
QString RepetidaEnElArchivo(qint64 fila);
