#pragma once
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

// Las series que ya trajo el archivo que se importa, con la fila que la trajo primero: una serie
// repetida en el mismo archivo se dice "repetida en el archivo (fila N)", igual en la importación
// y en la prueba. Dos series son la misma con la regla de la base (sin blancos finales ni
// mayúsculas, ver ClaveSerie). Por serie guarda una huella de 64 bits de esa clave y el número de
// fila, no el texto, en una tabla plana (sin una reserva de memoria por serie): un archivo de un
// millón de filas ocupa unos 25 MB. Una fila después de la 4.294.967.295 no se anota.
//
// La tabla es el único acceso al azar a la memoria por fila de la importación: la fila calcula la
// huella al leer la serie (anticipar), lo que trae su lugar a la caché mientras se leen los otros
// campos, y la anota al escribirla.
class SeriesDelArchivo {
  public:
    SeriesDelArchivo() = default;
    SeriesDelArchivo(const SeriesDelArchivo&) = delete;
    SeriesDelArchivo& operator=(const SeriesDelArchivo&) = delete;

    // Lugar para tantas series, de una vez (si el origen sabe cuántas filas trae): la tabla no se
    // rehace mientras crece.
    void reservar(qint64 series);

    // La huella de la serie; pide a la memoria su lugar en la tabla, para usarla poco después.
    quint64 anticipar(const QString& serie) const;

    // La fila lleva la serie a la base: queda como la primera si ninguna otra la trajo antes.
    void llevada(quint64 huella, qint64 fila);
    void llevada(const QString& serie, qint64 fila) { llevada(Huella(serie), fila); }
    // La fila anterior de este archivo que trajo la serie, si la hay.
    std::optional<qint64> primera(quint64 huella) const;
    std::optional<qint64> primera(const QString& serie) const { return primera(Huella(serie)); }
    // La base dijo que la serie de esa fila ya estaba. Si la trajo antes otra fila de este
    // archivo, su número; si esta fila era la primera, la serie estaba guardada de antes: se
    // olvida (las siguientes también estarán guardadas de antes) y no hay número.
    std::optional<qint64> repetida(const QString& serie, qint64 fila);

    // La huella de ClaveSerie(serie), sin armar la clave. Nunca 0.
    static quint64 Huella(const QString& serie);

  private:
    // Un lugar de la tabla: la huella en dos mitades (así ocupa 12 bytes, no 16) y la fila.
    struct Lugar {
        uint32_t alta;
        uint32_t baja;
        uint32_t fila;  // 0: la serie se olvidó (estaba guardada de antes)
        quint64 huella() const { return (quint64(alta) << 32) | baja; }
        bool vacio() const { return alta == 0 && baja == 0; }
    };
    struct Liberar {
        void operator()(Lugar* p) const { std::free(p); }
    };

    // El lugar de la huella: el suyo o, si no está, el vacío donde iría.
    Lugar& lugar(quint64 huella) const;
    // Rehace la tabla con al menos esos lugares (una potencia de dos).
    void rehacer(std::size_t lugares);

    // Pedida con calloc: un bloque grande llega del sistema ya en ceros, sin recorrerlo para
    // limpiarlo, y sus páginas se ocupan recién cuando se tocan.
    std::unique_ptr<Lugar[], Liberar> lugares_;
    std::size_t cantidad_ = 0;  // lugares de la tabla (0 o una potencia de dos)
    std::size_t ocupados_ = 0;
};

// "repetida en el archivo (fila N)": el detalle de una fila cuya serie trajo antes la fila N.
QString RepetidaEnElArchivo(qint64 fila);
