#include "import/ui/FrmAuxGarantia.h"

#include <QCloseEvent>

#include "platform/Proceso.h"
#include "startup/InicioAplicacion.h"

namespace {
constexpr int kTwipsPorPixel = 15;
}

FrmAuxGarantia::FrmAuxGarantia(QWidget* padre) : QDialog(padre) {
    setWindowTitle(QStringLiteral("Importación de garantías"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(11160 / kTwipsPorPixel, 7830 / kTwipsPorPixel);
}

void FrmAuxGarantia::Form_Load(const QString& lineaComandos) { InicioAplicacion(lineaComandos); }

void FrmAuxGarantia::closeEvent(QCloseEvent* evento) {
    evento->accept();
    Proceso::Terminar(0);
}

void FrmAuxGarantia::reject() { Proceso::Terminar(0); }
