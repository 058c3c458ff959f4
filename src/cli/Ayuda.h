#pragma once
#include <QString>
#include <vector>

struct Opcion;
struct Verbo;

// El texto de --help del programa, con todos los verbos.
QString TextoAyuda();
// El texto de "garantias-cli VERBO --help".
QString TextoAyudaVerbo(const Verbo& verbo);
// El texto de --version.
QString TextoVersion();
// La versión sola ("0.1").
QString NumeroVersion();

// Los párrafos que comparten la ayuda y la página de manual, cada uno escrito una vez. Un "\n"
// dentro de un párrafo es el corte de línea de la ayuda; el manual lo lee como un blanco.
QString TextoPresentacion();  // qué es el programa
QString TextoNotas();         // la codificación de la salida y la base que se crea
struct CodigoSalida {
    int codigo;
    QString significado;
};
std::vector<CodigoSalida> CodigosSalida();
