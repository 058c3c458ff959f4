#pragma once
#include <QString>

// La terminación de bash de garantias-cli, escrita desde la tabla de verbos y opciones: los verbos;
// después del verbo, sus opciones; las palabras fijas del verbo ("alta", "baja"...); archivos
// donde el verbo o la opción toman uno.
QString TerminacionBash();
