#pragma once
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

// Las series que ya trajo el archivo que se importa, con la fila que la trajo primero: una serie
// repetida en el mismo archivo se dice "repetida en el archivo (fila N)", igual en la importación
// y en la prueba. Dos series son la misma con la regla de la base (sin blancos finales ni
// mayúsculas, ver ClaveSerie). Por serie guarda una huella de 64 bits de esa clave y el número de
// fila, no el texto. Una fila después de la 4.294.967.295 no se anota.
//
// Una importación sólo pregunta cuando la base rechaza una serie, y la mayoría de los archivos no
// trae ninguna rechazada: hasta la primera pregunta, las huellas se anotan en fila, una detrás de
// otra (8 bytes por fila, sin saltos por la memoria). La primera pregunta arma con ellas una tabla
// plana (12 bytes por lugar, unos 25 MB para un millón de series), que desde ahí se mantiene al
// día: es el único acceso al azar a la memoria por fila, y por eso la fila calcula la huella al
// leer la serie (anticipar), lo que trae su lugar a la caché mientras se leen los otros campos.
// Una prueba pregunta por cada fila: usa la tabla desde la primera.
class SeriesDelArchivo {
  public:
    SeriesDelArchivo() = default;
    SeriesDelArchivo(const SeriesDelArchivo&) = delete;
    SeriesDelArchivo& operator=(const SeriesDelArchivo&) = delete;

    // Lugar para tantas series, de una vez (si el origen sabe cuántas filas trae): ni la fila de
    // huellas ni la tabla se rehacen mientras crecen.
    void reservar(qint64 series);

    // La huella de la serie; pide a la memoria su lugar en la tabla, para usarla poco después.
    quint64 anticipar(const QString& serie) const;

    // La fila lleva la serie a la base: queda como la primera si ninguna otra la trajo antes.
    void llevada(quint64 huella, qint64 fila);
    void llevada(const QString& serie, qint64 fila) { llevada(Huella(serie), fila); }
    // La fila anterior de este archivo que trajo la serie, si la hay.
    std::optional<qint64> primera(quint64 huella);
    std::optional<qint64> primera(const QString& serie) { return primera(Huella(serie)); }
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

    // Arma la tabla con las huellas anotadas en fila; desde ahí se anota sólo en ella.
    void pasarATabla();
    void anotarEnTabla(quint64 huella, qint64 fila);
    // El lugar de la huella: el suyo o, si no está, el vacío donde iría.
    Lugar& lugar(quint64 huella) const;
    // Rehace la tabla con al menos esos lugares (una potencia de dos).
    void rehacer(std::size_t lugares);

    // En ceros; una tabla grande, en páginas de 2 MB donde el sistema las da (ver PedirLugares).
    std::unique_ptr<Lugar[], Liberar> lugares_;
    std::size_t cantidad_ = 0;  // lugares de la tabla (0 o una potencia de dos)
    std::size_t ocupados_ = 0;
    bool enTabla_ = false;
    std::vector<quint64> porFila_;  // antes de la tabla: la huella de la fila N en N-1 (0: no llevada)
    qint64 reserva_ = 0;            // las series que se esperan (ver reservar)
};

// "fila N": el detalle de una fila "repetida en el archivo" cuya serie trajo antes la fila N (el
// operador lo lee "repetida en el archivo (fila N)").
QString FilaQueLaTrajo(qint64 fila);
