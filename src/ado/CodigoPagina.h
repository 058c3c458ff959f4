#pragma once
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <memory>
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
    // ¿Los bytes de la última llamada no eran texto de la página (UTF-8 mal formado, una secuencia
    // que la página no tiene)? El texto dado lleva entonces caracteres de reemplazo: no se guarda.
    bool invalido() const { return invalido_; }

  private:
    int pagina_;
    bool invalido_ = false;
    // Sólo para las páginas que no son 1252 ni UTF-8. En el montón: un QStringDecoder movido ya no
    // dice bien sus errores (hasError), y el decodificador se mueve con su dueño.
    std::unique_ptr<QStringDecoder> decodificador_;
};

// Valida UTF-8 de a un byte, con la secuencia en curso entre trozos: sin formas largas, sin
// sustitutos, nada después de U+10FFFF. Es la única definición de UTF-8 bien formado del programa.
class ValidadorUtf8 {
  public:
    bool valido() const { return valido_; }
    // ¿Quedó una secuencia a medias (cortada por el final de los bytes vistos)?
    bool aMedias() const { return resto_ != 0; }
    // false en el primer byte que rompe la codificación.
    bool byte(unsigned char b) {
        if (resto_ == 0) {
            if (b < 0x80) return true;
            min_ = 0x80;
            max_ = 0xBF;
            if (b >= 0xC2 && b <= 0xDF) {
                resto_ = 1;
            } else if (b >= 0xE0 && b <= 0xEF) {
                resto_ = 2;
                if (b == 0xE0) min_ = 0xA0;
                if (b == 0xED) max_ = 0x9F;
            } else if (b >= 0xF0 && b <= 0xF4) {
                resto_ = 3;
                if (b == 0xF0) min_ = 0x90;
                if (b == 0xF4) max_ = 0x8F;
            } else {
                return valido_ = false;
            }
            return true;
        }
        if (b < min_ || b > max_) return valido_ = false;
        min_ = 0x80;
        max_ = 0xBF;
        --resto_;
        return true;
    }
    // Al final del archivo, una secuencia a medias tampoco es UTF-8.
    bool cerrar() { return valido_ = valido_ && resto_ == 0; }

  private:
    bool valido_ = true;
    int resto_ = 0;
    unsigned char min_ = 0x80, max_ = 0xBF;
};

// true si los bytes son UTF-8 bien formado. final = false admite una secuencia cortada al final
// (un sondeo de los primeros bytes de un archivo puede partir un carácter).
bool EsUtf8Valido(QByteArrayView bytes, bool final);

// La página de códigos que indica el byte de idioma de una tabla dBase/FoxPro (desplazamiento 29).
// 0 (sin marca) y los valores desconocidos dan 1252.
int CodigoPaginaDbf(unsigned char marca);
