#pragma once
#include <QString>
#include <QStringList>

// La importación toma los campos por posición: el primero es eca1, el segundo la serie, el
// tercero el modelo y el quinto la activación; sus nombres no cuentan. Cuando los títulos del
// archivo se parecen a esos nombres pero en otro orden (el primero se llama "SERIE"), el
// operador tiene que saberlo: no se rechaza nada, se avisa.

// El aviso para los nombres de campo de un origen; vacío si ningún título conocido está fuera de
// su lugar. Los títulos se comparan sin mayúsculas, acentos, blancos ni signos ("Nro. de Serie").
QString AvisoOrdenCampos(const QStringList& nombres);
