#pragma once
#include <QString>

// Las páginas de manual, en roff (man(7)) y en español, escritas desde la misma tabla de verbos y
// opciones y los mismos párrafos que la ayuda: la compilación las genera, así no se apartan de
// lo que el programa acepta.
QString ManualCli();      // garantias-cli(1)
QString ManualVentana();  // garantias(1)
