#pragma once
#include <QDialog>

class FrmAuxGarantia : public QDialog {
    Q_OBJECT
public:
    explicit FrmAuxGarantia(QWidget* padre = nullptr);
};
