#include <QApplication>

#include "comun/Pruebas.h"

int main(int argc, char** argv) {
    TopeDeMemoria();
    CasaDePrueba casa;
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    return CorrerPruebas(argc, argv, casa);
}
