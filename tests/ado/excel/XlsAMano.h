#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

// Libros .xls hechos byte a byte en las pruebas: registros BIFF y el documento compuesto que los
// guarda.

// Un registro BIFF: tipo, largo y datos.
QByteArray RegistroBiff(quint16 tipo, const QByteArray& datos);
// Enteros y textos en little-endian, para armar los datos de un registro.
QByteArray U16(quint16 v);
QByteArray U32(quint32 v);
QByteArray Doble(double v);
// Una celda: fila, columna y XF.
QByteArray Celda(quint16 fila, quint16 columna, quint16 xf = 0);
// Un texto BIFF8 comprimido (Latin-1) o en UTF-16, con largo de dos bytes (o de uno).
QByteArray TextoBiff8(const QString& texto, bool dobles = false, bool largo8 = false);

// Un libro BIFF5 o BIFF8: bloque global y hojas.
struct XlsAMano {
    bool biff8 = true;
    QByteArray global;  // registros del bloque global entre el BOF y las hojas (CODEPAGE, XF, SST...)
    struct Hoja {
        QString nombre;
        QByteArray registros;  // entre el BOF y el EOF de la hoja
        int estado = 0;
        int tipo = 0;            // 0 hoja de cálculo, 2 gráfico
        QByteArray nombreCrudo;  // BIFF5: el nombre en bytes de su página (si no, Latin-1)
    };
    std::vector<Hoja> hojas;
    // El flujo del libro entero.
    QByteArray flujo() const;
};

// Un documento compuesto (versión 3, sectores de 512) con un flujo: en el miniflujo si tiene
// menos de 4096 bytes, en sectores comunes si no.
QByteArray DocumentoOle(const QByteArray& flujo, const QString& nombre = QStringLiteral("Workbook"));
