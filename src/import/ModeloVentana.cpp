#include "import/ModeloVentana.h"

ModeloVentana::ModeloVentana(QObject* padre)
    : QObject(padre),
      campos_{
          {QStringLiteral("Tabla"), {}}, {QStringLiteral("ODBC"), {}}, {QStringLiteral("SqlPrevio"), {}}} {}

QString ModeloVentana::campo(const QString& clave) const {
    return campos_[static_cast<std::size_t>(controles_.IndiceControl(clave, campos_))].texto;
}

void ModeloVentana::setCampo(const QString& clave, const QString& texto) {
    const int i = controles_.IndiceControl(clave, campos_);
    campos_[static_cast<std::size_t>(i)].texto = texto;
    Q_EMIT campoCambiado(i);
}

void ModeloVentana::cmbTablaAgregar(const QString& nombre) {
    lista_ << nombre;
    Q_EMIT listaCambiada();
}

void ModeloVentana::cmbTablaLimpiar() {
    lista_.clear();
    Q_EMIT listaCambiada();
}

void ModeloVentana::setCmbTablaTexto(const QString& texto) {
    if (texto == textoLista_) return;
    textoLista_ = texto;
    Q_EMIT textoListaCambiado();
}

void ModeloVentana::setLblEstado(const QString& texto) {
    estado_ = texto;
    Q_EMIT estadoCambiado();
}

void ModeloVentana::setLblEstadoTransmisiones(const QString& texto) {
    estadoTransmisiones_ = texto;
    Q_EMIT estadoTransmisionesCambiado();
}

void ModeloVentana::setLblResumen(const QString& texto) {
    if (texto == resumen_) return;
    resumen_ = texto;
    Q_EMIT resumenCambiado();
}

void ModeloVentana::setLblInfoTransmision(const QString& texto) {
    if (texto == infoTransmision_) return;
    infoTransmision_ = texto;
    Q_EMIT infoTransmisionCambiada();
}

void ModeloVentana::setOcupado(bool ocupado) {
    if (ocupado_ == ocupado) return;
    ocupado_ = ocupado;
    Q_EMIT ocupadoCambiado(ocupado);
}

void ModeloVentana::setProgreso(qint64 hechas, qint64 total) { Q_EMIT progreso(hechas, total); }
