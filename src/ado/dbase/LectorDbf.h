#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "ado/CodigoPagina.h"
#include "ado/dbase/MemoDbf.h"

// Un campo de una tabla dBase/FoxPro, como lo describe la cabecera.
struct CampoDbf {
    QString nombre;
    char tipo = 'C';
    int longitud = 0;
    int decimales = 0;
    int desplazamiento = 0;  // dentro del registro (el byte 0 es la marca de borrado)
    unsigned char banderas = 0;
    int bitNulo = -1;   // bit de _NullFlags que dice "nulo" (Visual FoxPro)
    int bitLargo = -1;  // bit de _NullFlags que dice "el largo está en el último byte" (V, Q)
};

// Lector de tablas dBase III/IV, FoxPro 2.x y Visual FoxPro, registro por registro.
// Valores: C texto sin los blancos de la derecha; N y F qlonglong sin decimales, double con
// ellos; D QDate; L bool; M texto del memo; I qlonglong; Y y B (Visual FoxPro) double; T
// QDateTime; W, P y B de dBase los bytes del memo; V texto y Q bytes. G (objeto OLE) es nulo:
// no son datos que el programa pueda importar. Un campo en blanco es nulo (salvo C, que es "").
// Devuelve resultados, no lanza.
class LectorDbf {
  public:
    enum class Estado { Fila, Fin, Falla };
    // Quien sabe dónde está el archivo de memos lo abre la primera vez que hace falta; devuelve
    // el dispositivo (prestado, vive tanto como el lector) y su clase, o nulo si no existe.
    using AbrirMemo = std::function<QIODevice*(MemoDbf::Clase& clase)>;

    // tabla: prestado, abierto para leer.
    LectorDbf(QIODevice& tabla, AbrirMemo abrirMemo);

    // Lee y comprueba la cabecera. Falla si no es una tabla dBase, si la cabecera está cortada, si
    // sus largos no cuadran con los campos y con el tamaño del archivo o si la marca de borrado de
    // un registro no es ' ' ni '*' (antes de la primera fila).
    Estado abrir();
    // Los campos visibles (sin el _NullFlags de Visual FoxPro). REQUIRES: abrir() dio Fila.
    const std::vector<CampoDbf>& campos() const { return campos_; }
    quint32 registros() const { return registros_; }
    int codigoPagina() const { return decodificador_.codigoPagina(); }
    unsigned char version() const { return version_; }
    // true si la versión pide un .fpt (FoxPro) y no un .dbt (dBase).
    bool memoFoxPro() const;

    // El registro siguiente que no está borrado. Fin al llegar al número de registros de la
    // cabecera o a la marca 0x1A como último byte del archivo; Falla si falta un registro (archivo
    // cortado), si la marca de borrado no es ' ' ni '*', si falta un memo o si un texto tiene un
    // byte nulo o bytes que no son de su página de códigos.
    Estado siguiente(std::vector<QVariant>& fila);
    const QString& falla() const { return falla_; }

  private:
    // El largo de la cabecera, el del registro, el número de registros y el tamaño del archivo
    // cuadran entre sí; si no, anota la falla nombrándolos.
    bool comprobarEstructura(const QByteArray& cabecera, int finCampos, int largoCampos);
    // La falla de una marca de borrado que no es ' ' ni '*'.
    QString marcaDanada(qint64 registro, uchar marca) const;
    bool valor(const CampoDbf& campo, const char* datos, QVariant& salida);
    bool leerMemo(const CampoDbf& campo, const char* datos, QVariant& salida, bool texto);
    // false (con la falla anotada) si el texto tiene un byte nulo o no es de la página del archivo.
    bool textoBien(const CampoDbf& campo, QByteArrayView bytes);
    bool nulo(int bit) const;

    QIODevice& tabla_;
    AbrirMemo abrirMemo_;
    std::unique_ptr<MemoDbf> memo_;
    std::vector<CampoDbf> campos_;
    CampoDbf banderasNulo_;  // el campo _NullFlags, si lo hay (longitud 0 si no)
    DecodificadorTexto decodificador_;
    QByteArray registro_;
    unsigned char version_ = 0;
    bool visualFoxPro_ = false;
    bool dbase7_ = false;
    quint32 registros_ = 0;
    quint32 leidos_ = 0;
    int largoCabecera_ = 0;
    int largoRegistro_ = 0;
    bool terminado_ = false;
    QString falla_;
};
