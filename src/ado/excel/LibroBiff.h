#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

#include "ado/CodigoPagina.h"

// Los registros de un libro de Excel 5.0/95 (BIFF5) o 97-2003 (BIFF8), leídos del flujo
// "Workbook" o "Book" ya sacado del documento compuesto. El bloque global (hojas, cadenas
// compartidas, formatos, página de códigos, sistema de fechas) se lee al abrir; cada hoja, entera,
// cuando se pide (una hoja .xls no pasa de 65.536 filas). Devuelve resultados, no lanza.
class LibroBiff {
  public:
    struct Hoja {
        QString nombre;
        quint32 inicio = 0;  // posición de su BOF en el flujo
        int estado = 0;      // 0 visible, 1 oculta, 2 muy oculta
    };

    // Una celda con valor. clase: 'n' número, 'f' fecha (número con formato de fecha), 's' cadena
    // compartida (indice en el libro), 't' texto propio de la hoja (indice en sus textos), 'b'
    // booleano (numero 0 o 1), 'e' error (numero: su código).
    struct Celda {
        quint32 fila = 0;
        quint16 columna = 0;
        char clase = 'n';
        quint32 indice = 0;
        double numero = 0;
    };
    // Las celdas de una hoja ordenadas por fila y columna, y los textos que no son compartidos.
    // ultimaFilaDeclarada: la que dice el registro DIMENSIONS de la hoja (desde 1; 0 si la declara
    // vacía), si lo tiene; quien escribió el libro puede haberla dejado mal.
    struct Celdas {
        std::vector<Celda> celdas;
        std::vector<QString> textos;
        std::optional<quint32> ultimaFilaDeclarada;
    };

    explicit LibroBiff(QByteArray flujo);

    // Lee el bloque global. false si no es un libro BIFF5/BIFF8 o sus registros están dañados
    // (ver falla()); protegido() dice si el libro está cifrado con contraseña.
    bool abrir();
    bool protegido() const { return protegido_; }
    bool biff8() const { return biff8_; }
    bool sistema1904() const { return sistema1904_; }
    // Las hojas de cálculo, en el orden del libro (sin las de gráficos ni de macros).
    const std::vector<Hoja>& hojas() const { return hojas_; }

    // Lee las celdas de la hoja i. false si sus registros están dañados (ver falla()).
    bool leerHoja(std::size_t i, Celdas& salida);
    // El valor de una celda, con los tipos del programa (ver Valores.h).
    QVariant valor(const Celda& celda, const Celdas& hoja) const;

    const QString& falla() const { return falla_; }

  private:
    bool fallar(const QString& descripcion);
    // Un número, como fecha si el formato de la celda (su XF) es de fecha.
    char claseNumero(quint16 xf) const;

    QByteArray flujo_;
    bool biff8_ = true;
    bool protegido_ = false;
    bool sistema1904_ = false;
    DecodificadorTexto pagina_{1252};
    std::vector<Hoja> hojas_;
    std::vector<QString> cadenas_;  // SST
    std::vector<bool> xfFecha_;     // por XF: ¿su formato es de fecha?
    QString falla_;
};
