#pragma once
#include <QDialog>

// La ventana de importación de garantías. Al cargarse corre el inicio de la aplicación; sólo
// se muestra cuando el inicio vuelve con la sesión conectada.
class FrmAuxGarantia : public QDialog {
    Q_OBJECT
public:
    explicit FrmAuxGarantia(QWidget* padre = nullptr);

    // La carga de la ventana: corre el inicio con la cadena de lanzamiento.
    void Form_Load(const QString& lineaComandos);

protected:
    // Cerrar la ventana termina el programa en el acto.
    void closeEvent(QCloseEvent* evento) override;
    void reject() override;
};
