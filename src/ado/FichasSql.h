#pragma once
#include <QString>
#include <vector>

// Las fichas de un texto SQL escrito en el dialecto de SQL Server: literales, identificadores
// entre corchetes o comillas, números, palabras, símbolos, blancos, fines de línea y comentarios.
// Quien cambia un texto SQL lo hace sobre fichas, así nada dentro de un literal se toca nunca.
struct FichaSql {
    enum Tipo { Palabra, Literal, Identificador, Numero, Simbolo, Blanco, FinLinea, Comentario };
    Tipo tipo;
    QString texto;
};

// Parte el texto en fichas; juntar los textos de las fichas devuelve el texto original.
std::vector<FichaSql> FichasSql(const QString& sql);
