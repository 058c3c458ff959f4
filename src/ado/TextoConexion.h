#pragma once
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// Un texto de conexión "Clave=valor;Clave=valor;". Las claves se comparan sin distinguir
// mayúsculas y sin los blancos de alrededor ("Database =x" es la clave Database). Un valor entre
// llaves ({...}, con "}}" para una llave; la forma de ODBC) o entre comillas ("..." o '...', con
// la comilla doblada; la forma de OLE DB) puede llevar ";" y blancos en los extremos.
class TextoConexion {
  public:
    explicit TextoConexion(QString texto);

    const QString& texto() const { return texto_; }
    // El valor de la clave, sin blancos alrededor ni llaves; vacío si falta.
    QString valor(const QString& clave) const;
    bool tiene(const QString& clave) const;

    // Escribe un valor entre llaves, para que ";" o "}" no cambien la conexión.
    static QString Llaves(const QString& valor);
    // El valor tal cual si se lee igual así; si no (";", blancos en los extremos, una llave o una
    // comilla al principio), entre llaves (ODBC) o entre comillas dobles (OLE DB).
    static QString ValorOdbc(const QString& valor);
    static QString ValorOleDb(const QString& valor);

  private:
    QString texto_;
    std::vector<std::pair<QString, QString>> pares_;
};
