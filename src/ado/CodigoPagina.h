#pragma once
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <optional>

// Convierte a texto los bytes escritos en una página de códigos de Windows o de DOS (1252, 850,
// 437, 1250...) o en UTF-8 (65001). Sin estado: cada llamada recibe un valor completo.
class DecodificadorTexto {
  public:
    // Una página que este sistema no conoce se lee como Windows-1252.
    explicit DecodificadorTexto(int codigoPagina = 1252);

    // La página con la que decodifica (1252 si la pedida no existe).
    int codigoPagina() const { return pagina_; }
    QString decodificar(QByteArrayView bytes);
    // Lo mismo sobre destino, reusando su memoria si nadie más la comparte (leer un archivo
    // entero no pide memoria por cada valor).
    void decodificar(QByteArrayView bytes, QString& destino);

  private:
    int pagina_;
    std::optional<QStringDecoder> decodificador_;  // sólo para las páginas que no son 1252 ni UTF-8
};

// true si los bytes son UTF-8 bien formado. final = false admite una secuencia cortada al final
// (un sondeo de los primeros bytes de un archivo puede partir un carácter).
bool EsUtf8Valido(QByteArrayView bytes, bool final);

// La página de códigos que indica el byte de idioma de una tabla dBase/FoxPro (desplazamiento 29).
// 0 (sin marca) y los valores desconocidos dan 1252.
int CodigoPaginaDbf(unsigned char marca);
