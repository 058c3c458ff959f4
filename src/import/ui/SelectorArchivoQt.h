#pragma once
#include <QWidget>

#include "import/Dll_Dialogo.h"

// El diálogo de abrir archivo de Qt, sin filtro de tipos.
class SelectorArchivoQt : public SelectorArchivo {
  public:
    explicit SelectorArchivoQt(QWidget* dueno) : dueno_(dueno) {}
    std::optional<QString> elegir(const QString& titulo, const QString& carpetaInicial) override;

  private:
    QWidget* dueno_;
};
