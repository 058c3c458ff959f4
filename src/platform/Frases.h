#pragma once
#include <QString>

// Los mensajes del programa se arman con frases de distintos lugares (la descripción de la base,
// lo que quedó guardado): cada frase termina con un solo punto, venga como venga.

// La frase con su punto final: lo agrega si no termina en ".", "?", "!" o "…" (sin contar los
// blancos finales, que se quitan). Vacía queda vacía.
QString ConPunto(const QString& frase);
// Las frases unidas por un blanco, cada una con su punto (las vacías no cuentan).
QString Frases(std::initializer_list<QString> frases);
