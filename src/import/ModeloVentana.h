#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "import/Dll_Controles.h"
#include "import/ModeloGrilla.h"

// Los controles de la ventana de importación como datos: los campos con clave, la lista de
// hojas o tablas, las tres grillas, las líneas de estado y la pestaña. La ventana de Qt los
// muestra; los procedimientos y las pruebas trabajan sobre este modelo.
class ModeloVentana : public QObject {
    Q_OBJECT
  public:
    explicit ModeloVentana(QObject* padre = nullptr);

    // txtfields: "Tabla" (la ruta del archivo), "ODBC" (el texto de conexión de la última
    // conexión que abrió) y "SqlPrevio" (la consulta que lee la hoja o tabla).
    const std::vector<CampoClave>& txtfields() const { return campos_; }
    QString campo(const QString& clave) const;
    void setCampo(const QString& clave, const QString& texto);

    // cmbTabla: su lista y el texto de su parte editable.
    const QStringList& cmbTablaLista() const { return lista_; }
    void cmbTablaAgregar(const QString& nombre);
    void cmbTablaLimpiar();
    const QString& cmbTablaTexto() const { return textoLista_; }
    void setCmbTablaTexto(const QString& texto);

    ModeloGrilla MSFlexGrid1;  // transmisiones
    ModeloGrilla MSFlexGrid2;  // vista previa
    ModeloGrilla MSFlexGrid3;  // filas de una transmisión

    const QString& lblEstado() const { return estado_; }
    void setLblEstado(const QString& texto);
    const QString& lblEstadoTransmisiones() const { return estadoTransmisiones_; }
    void setLblEstadoTransmisiones(const QString& texto);
    // La línea de información bajo MSFlexGrid3: la transmisión que muestra (LineaTransmision).
    const QString& lblInfoTransmision() const { return infoTransmision_; }
    void setLblInfoTransmision(const QString& texto);
    // El resumen junto a "Cargar vista previa": lo que dejó la última importación, o que el origen
    // elegido no tiene filas. Vacío: nada que decir.
    const QString& lblResumen() const { return resumen_; }
    void setLblResumen(const QString& texto);

    // Mientras corre una operación larga los botones de operación y las pestañas no empiezan otra.
    bool ocupado() const { return ocupado_; }
    void setOcupado(bool ocupado);

    // Progreso de la importación: hechas de total (total -1 si el origen no lo sabe).
    void setProgreso(qint64 hechas, qint64 total);

  Q_SIGNALS:
    void campoCambiado(int indice);
    void listaCambiada();
    void textoListaCambiado();
    void estadoCambiado();
    void estadoTransmisionesCambiado();
    void resumenCambiado();
    void infoTransmisionCambiada();
    void ocupadoCambiado(bool ocupado);
    void progreso(qint64 hechas, qint64 total);

  private:
    Dll_Controles controles_;
    std::vector<CampoClave> campos_;
    QStringList lista_;
    QString textoLista_;
    QString estado_ = QStringLiteral("...");
    QString estadoTransmisiones_ = QStringLiteral("...");
    QString resumen_;
    QString infoTransmision_;
    bool ocupado_ = false;
};
