#pragma once
#include <QString>

struct Verbo;

// El texto de --help del programa, con todos los verbos.
QString TextoAyuda();
// El texto de "garantias-cli VERBO --help".
QString TextoAyudaVerbo(const Verbo& verbo);
// El texto de --version.
QString TextoVersion();
