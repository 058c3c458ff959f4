#include <QCoreApplication>

#include "comun/Pruebas.h"

int main(int argc, char** argv) {
    TopeDeMemoria();
    CasaDePrueba casa;
    QCoreApplication app(argc, argv);
    return CorrerPruebas(argc, argv, casa);
}
