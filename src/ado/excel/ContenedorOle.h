#pragma once
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// Lector de documentos compuestos de Office (el contenedor de los .xls y .doc): sectores, FAT,
// mini FAT y directorio, para sacar un flujo por su nombre. Sólo lee; devuelve resultados y no
// lanza.
class ContenedorOle {
  public:
    // Por qué no se pudo leer: no es un documento compuesto, termina antes que sus datos o sus
    // estructuras se contradicen.
    enum class Falla { Ninguna, NoEsOle, Truncado, Danado };

    // origen: prestado, abierto para leer, con acceso directo (seek); debe vivir mientras el lector.
    explicit ContenedorOle(QIODevice& origen);

    // Lee la cabecera, la FAT, la mini FAT y el directorio. false si no se pudo (ver falla()).
    bool abrir();
    // ¿Hay un flujo con ese nombre (sin distinguir mayúsculas)? REQUIRES: abrir() dio true.
    bool tieneFlujo(const QString& nombre) const;
    // El contenido entero del primer flujo que se llame como el primero de nombres que exista;
    // nullopt si no hay ninguno (falla() queda Ninguna) o si su cadena de sectores está rota.
    std::optional<QByteArray> flujo(const QStringList& nombres);

    Falla falla() const { return falla_; }
    // Qué falló, en castellano, sin nombrar el archivo.
    const QString& descripcion() const { return descripcion_; }

    // Tope del tamaño de un flujo: un libro .xls real no llega a tanto, y un tamaño mayor en el
    // directorio es un archivo dañado que no debe llevarse la memoria.
    static constexpr quint64 kMaxFlujo = 512ull * 1024 * 1024;

  private:
    struct Entrada {
        QString nombre;
        int tipo = 0;  // 1 almacén, 2 flujo, 5 raíz
        quint32 inicio = 0;
        quint64 tamano = 0;
    };
    bool fallar(Falla clase, const QString& descripcion);
    bool leerSector(quint32 sector, char* destino);
    // La cadena de sectores que empieza en inicio, según tabla; false si se sale o da vueltas.
    bool cadena(quint32 inicio, const std::vector<quint32>& tabla, std::vector<quint32>& sectores);
    bool leerCadena(quint32 inicio, quint64 tamano, QByteArray& salida);

    QIODevice& origen_;
    qint64 tamanoArchivo_ = 0;
    int tamSector_ = 512;
    int tamMini_ = 64;
    quint32 corteMini_ = 4096;
    std::vector<quint32> fat_;
    std::vector<quint32> miniFat_;
    std::vector<Entrada> entradas_;
    QByteArray miniFlujo_;  // se lee la primera vez que un flujo chico lo necesita
    bool miniLeido_ = false;
    Falla falla_ = Falla::Ninguna;
    QString descripcion_;
};
