#pragma once
#include <QString>
#include <array>

// El archivo de conexiones registradas, "BASES.TXT" en la carpeta de la aplicación: una entrada
// por línea, cinco campos separados por comas (nombre, base, usuario, clave codificada, servidor),
// en Windows-1252 con CR LF.

// Los cinco campos de una entrada, en el orden del archivo.
using CamposBase = std::array<QString, 5>;
namespace CampoBase {
inline constexpr int Nombre = 0, Dbname = 1, Usuario = 2, Password = 3, Servidor = 4;
}

// La ruta del archivo: la carpeta de la aplicación seguida de "BASES.TXT".
QString RutaBases();

// Agrega una entrada al final del archivo (lo crea si falta), cada valor sin blancos en los
// extremos y la clave pasada por Encriptar. Sin trampa propia: lanza ErrorEjecucion 75 con el
// archivo y la causa si no se puede abrir o escribir.
void GrabarBase(const QString& Nombre, const QString& Dbname, const QString& Usuario, const QString& Password,
                const QString& Servidor);

// Lee el archivo campo por campo, como lo escribe GrabarBase y como lo edita una persona:
// un campo termina en la próxima coma o en el fin de la línea (un fin de línea separa campos
// igual que una coma); los blancos antes de un campo se saltan; un campo que empieza con comillas
// dobles llega hasta las siguientes (sin ellas, con sus comas) y lo que sigue hasta la próxima
// coma o fin de línea se descarta.
class LectorBases {
  public:
    // Abre y lee el archivo entero (es chico). Lanza ErrorEjecucion 53 si no se puede abrir.
    explicit LectorBases(const QString& ruta);
    // Un lector sobre un texto ya decodificado (para quien ya lo tiene).
    static LectorBases DeTexto(const QString& texto, const QString& ruta = {});

    // Si no queda ninguna entrada: el fin del archivo, o sólo blancos y fines de línea hasta él
    // (un archivo que termina con líneas vacías no deja una entrada trunca).
    bool alFinal() const;
    // Lee los cinco campos de la próxima entrada en campos, uno por uno. Leer más allá del fin en
    // medio de una entrada lanza ErrorEjecucion 62; los campos leídos hasta ahí quedan en campos.
    void leerEntrada(CamposBase& campos);

  private:
    LectorBases() = default;
    QString leerCampo();

    QString texto_;
    QString ruta_;
    qsizetype pos_ = 0;
};
