#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "ado/CodigoPagina.h"

// Cómo leer un archivo delimitado. Lo que falta se deduce del archivo.
struct OpcionesCsv {
    std::optional<char> delimitador;  // sin valor: se mira la fila de encabezado (',', ';' o tabulador)
    bool encabezado = true;           // false: los campos se llaman F1, F2...
    std::optional<int> codigoPagina;  // sin valor: UTF-8 si el sondeo lo es, si no Windows-1252
    QStringList nombres;              // nombres dados de afuera (schema.ini) cuando no hay encabezado
};

// Lector de texto delimitado según RFC 4180, hacia adelante y con un búfer propio: la memoria no
// crece con el archivo. Comillas con delimitadores, comillas dobladas y saltos de línea dentro;
// fines de línea CRLF, LF o CR solo. Devuelve resultados, no lanza.
class LectorCsv {
  public:
    enum class Estado { Fila, Fin, Falla };

    // origen: prestado, abierto para leer; debe vivir mientras viva el lector. tamBufer: sólo
    // las pruebas lo achican, para que los registros crucen el borde del búfer.
    explicit LectorCsv(QIODevice& origen, OpcionesCsv opciones = {}, qsizetype tamBufer = kBufer);

    // Decide codificación y delimitador y lee el encabezado. Fila si quedó listo; Fin si el
    // archivo no tiene encabezado (vacío); Falla si no se pudo leer (ver falla()).
    Estado empezar();
    // Los nombres de los campos. REQUIRES: empezar() devolvió Fila.
    const QStringList& nombres() const { return nombres_; }

    // La fila siguiente, con nombres().size() campos: el texto tal como está escrito, o QString
    // nulo si el campo está vacío o falta. Las líneas en blanco del final no son filas. Reusa la
    // memoria de los textos de campos cuando nadie más los comparte.
    Estado siguiente(std::vector<QString>& campos);

    // Lo mismo sin convertir: después de Fila, campo(i) da los bytes del campo i ya sin comillas
    // (vacío si está vacío o falta), válidos hasta la próxima lectura; decodificar() los convierte.
    Estado siguienteCrudo();
    QByteArrayView campo(qsizetype i) const {
        if (i >= camposFila_) return {};
        const auto& t = tramos_[static_cast<std::size_t>(i)];
        return QByteArrayView(bufer_.constData() + ancla_ + t.first, t.second);
    }
    // Convierte bytes del archivo a texto en destino, reusando su memoria si no está compartida.
    void decodificar(QByteArrayView bytes, QString& destino);

    // vigilante: se llama después de cada lectura del origen (cada 256 KiB); si devuelve una
    // causa, la lectura falla con ella antes de usar esos bytes (un archivo que cambió).
    void vigilar(std::function<QString()> vigilante) { vigilante_ = std::move(vigilante); }

    // Qué falló, en castellano y sin nombrar el archivo (lo nombra quien lo abrió).
    const QString& falla() const { return falla_; }
    char delimitador() const { return delim_; }
    int codigoPagina() const { return decodificador_.codigoPagina(); }

    // Tamaño del búfer y límite de un registro (un registro más largo es un archivo dañado:
    // una comilla sin cerrar no debe llevarse el archivo entero a memoria).
    static constexpr qsizetype kBufer = 256 * 1024;
    static constexpr qsizetype kMaxRegistro = 16 * 1024 * 1024;

  private:
    enum class Registro { Datos, Blanco, Fin, Falla };
    // Lee un registro dejando sus campos en tramos_. El registro queda entero en el búfer desde
    // ancla_ (el búfer crece si hace falta): los campos se desentrecomillan en su lugar.
    Registro leerRegistro();
    bool llenar();  // trae más bytes al búfer (conserva desde ancla_); false al final o en falla
    // El byte siguiente sin consumirlo, -1 al final.
    int mirar() {
        if (pos_ == fin_ && !llenar()) return -1;
        return static_cast<unsigned char>(bufer_.constData()[pos_]);
    }
    char decidirDelimitador() const;

    QIODevice& origen_;
    OpcionesCsv opciones_;
    QByteArray bufer_;
    qsizetype pos_ = 0, fin_ = 0;
    bool agotado_ = false;
    char delim_ = ',';
    DecodificadorTexto decodificador_;
    QStringList nombres_;
    qsizetype ancla_ = 0;  // comienzo del registro en lectura: lo anterior ya se consumió
    std::vector<std::pair<qsizetype, qsizetype>> tramos_;  // campos del registro: desde ancla_, largo
    qsizetype camposFila_ = 0;   // campos de tramos_ que tiene la fila entregada (0: fila en blanco)
    qint64 blancos_ = 0;         // líneas en blanco aún no entregadas
    bool hayPendiente_ = false;  // tramos_ tiene una fila leída mientras se contaban líneas en blanco
    QString falla_;
    std::function<QString()> vigilante_;
};
