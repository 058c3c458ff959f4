#include "import/ui/FrmAuxGarantia.h"

FrmAuxGarantia::FrmAuxGarantia(QWidget* padre) : QDialog(padre) {
    setWindowTitle(QStringLiteral("Importación de garantías"));
}
