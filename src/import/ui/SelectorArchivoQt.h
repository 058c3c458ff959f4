#pragma once
#include <QWidget>

#include "import/Dll_Dialogo.h"

class QAbstractProxyModel;
class QFileDialog;
class QObject;

// El diálogo de abrir archivo de Qt, sin filtro de tipos, en español (EnEspanol).
class SelectorArchivoQt : public SelectorArchivo {
  public:
    explicit SelectorArchivoQt(QWidget* dueno) : dueno_(dueno) {}
    std::optional<QString> elegir(const QString& titulo, const QString& carpetaInicial) override;

  private:
    QWidget* dueno_;
};

// Las columnas "Tipo" y "Fecha de modificación" del diálogo en español, sea cual sea el idioma de
// la máquina: "Carpeta", "Archivo csv" y fechas dd/mm/aaaa hh:mm. Las traducciones de Qt no traen
// los tipos, y las fechas seguirían el idioma del sistema ("Dec"). REQUIRES: diálogo no nativo.
void EnEspanol(QFileDialog& dialogo);
// Las mismas columnas sobre un QFileSystemModel cualquiera (su modelo fuente), de dueno.
QAbstractProxyModel* ColumnasArchivosEnEspanol(QObject* dueno);
