#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <optional>

// Lector de un archivo de memos de una tabla dBase/FoxPro, por número de bloque:
//  - .dbt de dBase III: bloques de 512 bytes; el memo termina en 0x1A;
//  - .dbt de dBase IV: tamaño de bloque en la cabecera; el bloque empieza con FF FF 08 00 y el
//    largo (little-endian, cabecera incluida);
//  - .fpt de FoxPro: tamaño de bloque big-endian en la cabecera; el bloque empieza con el tipo y
//    el largo (big-endian).
// Devuelve resultados, no lanza.
class MemoDbf {
  public:
    enum class Clase { Dbt, Fpt };
    // Un memo de más de esto es un archivo dañado (no se reserva memoria por un largo absurdo).
    static constexpr qint64 kMaxMemo = 64 * 1024 * 1024;

    // memo: prestado, abierto para leer; debe vivir mientras viva el lector.
    MemoDbf(QIODevice& memo, Clase clase) : memo_(memo), clase_(clase) {}

    // Lee la cabecera. false si no es un archivo de memos (ver falla()).
    bool abrir();
    // Los bytes del memo que empieza en el bloque dado; sin valor si el bloque está fuera del
    // archivo o dañado (ver falla()).
    std::optional<QByteArray> leer(quint32 bloque);
    const QString& falla() const { return falla_; }

  private:
    QIODevice& memo_;
    Clase clase_;
    qint64 tamBloque_ = 512;
    qint64 tamArchivo_ = 0;
    QString falla_;
};
