#pragma once
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <vector>

// El punto TDS con guion (punto_tds.py) para una prueba: lo arranca en un puerto libre de
// 127.0.0.1 con las reglas dadas y lee lo que el controlador le pidió. Ver el guion en el archivo
// del punto.
class Dll_Datos;

class PuntoTds {
  public:
    explicit PuntoTds(const QJsonArray& guion = {});
    ~PuntoTds();

    // Si pudo arrancar (hay Python 3 y el controlador FreeTDS está registrado); si no, por qué.
    bool listo() const { return puerto_ > 0; }
    const QString& falta() const { return falta_; }
    // "127.0.0.1,<puerto>": lo que el operador escribe como servidor.
    QString servidor() const { return QStringLiteral("127.0.0.1,%1").arg(puerto_); }

    // Conecta la base de la suite (datos) al punto, con una espera de 2 s por sentencia. Si no
    // pudo, false y por qué en la prueba.
    bool conectar(Dll_Datos& datos) const;

    // Los pedidos recibidos hasta ahora, en orden (sin el ingreso).
    std::vector<QJsonObject> pedidos() const;
    // Los pedidos de la clase dada ("lote", "rpc", "tm", "atencion", "ingreso").
    std::vector<QJsonObject> pedidos(const QString& clase) const;
    // Olvida los pedidos anotados hasta ahora.
    void olvidar();
    // Lo que el punto tiene confirmado en su almacén: "garantias" (por la clave de la serie),
    // "transmisiones" (por número) y "corridas" (las filas del diario, por su id).
    QJsonObject almacen() const;

    // Una regla del guion: contesta los pedidos que contienen el texto con las fichas dadas.
    static QJsonObject Regla(const QString& contiene, const QJsonArray& fichas, int veces = 0);
    static QJsonObject Cuenta(int filas);
    static QJsonObject SinCuenta();
    static QJsonObject Error(int numero, int estado, const QString& texto, int clase = 16);
    static QJsonObject Filas(const QStringList& columnas, const QJsonArray& valores);
    static QJsonObject Transacciones(int n);

  private:
    QTemporaryDir dir_;
    QProcess proceso_;
    int puerto_ = 0;
    QString falta_;
};
