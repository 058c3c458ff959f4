#pragma once
#include <QString>
#include <QStringList>
#include <vector>

// Los constructores de INSERT de la suite: una lista de pares columna/literal que se vuelve
// "(col1,col2) VALUES (lit1,lit2)". Ninguno atrapa fallas: van a la trampa de quien llama.

// Una columna de la sentencia: su nombre y su valor ya escrito como literal SQL.
struct CampoSentencia {
    QString Campo;
    QString Literal;
};

// La lista de columnas, desde el índice 0. Quien la llena a mano la dimensiona y escribe cada
// entrada (resize y luego [i]).
using ListaCampos = std::vector<CampoSentencia>;

// La lista de sentencias, de quien llama; puede tener entradas en blanco.
using ListaSentencias = QStringList;

// La lista de columnas del proceso, una sola y compartida por todos los que arman sentencias.
ListaCampos& Campos();

// Agrega una columna a Campos(): con nueva, la lista queda con esa sola entrada; si no, va al
// final. Quita todo apóstrofo de valor (la variable de quien llama cambia). "NULL" en
// cualquier caja da la palabra Null sin comillas; otro valor, el literal de texto entre comillas.
// Falla 9 (subíndice fuera del intervalo) con nueva false sobre una lista sin entradas.
void AgregarCampo(const QString& campo, QString& valor, bool nueva);

// Agrega a sentencias "INSERT INTO tabla (campos) VALUES (literales)", con comas sin blanco,
// y deja campos con una entrada vacía. Falla 9 si campos no tiene entradas.
void ArmarSentencia(ListaCampos& campos, ListaSentencias& sentencias, const QString& tabla);

// Completa la cabecera de un INSERT: sentencia & "(campos) VALUES (literales)", y deja campos
// sin ninguna entrada. Falla 9 si campos no tiene entradas.
void CompletarInsert(QString& sentencia, ListaCampos& campos);
