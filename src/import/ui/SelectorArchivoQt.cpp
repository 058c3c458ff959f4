#include "import/ui/SelectorArchivoQt.h"

#include <QFileDialog>

std::optional<QString> SelectorArchivoQt::elegir(const QString& titulo, const QString& carpetaInicial) {
    const QString ruta = QFileDialog::getOpenFileName(dueno_, titulo, carpetaInicial);
    if (ruta.isEmpty()) return std::nullopt;
    return ruta;
}
