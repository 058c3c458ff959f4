#pragma once
#include <QString>

// Escribe una fila en el registro de acciones sobre comprobantes (V_MV_CPTEACCIONES): qué se
// hizo, cuándo (hora del servidor), quién, desde qué equipo y con qué programa. Un complemento
// vacío pasa a "0", también en la variable de quien llama. Acción: "ER" con error; si no "A"
// con nuevo, "M" con modificación, "B" en otro caso. Nunca lanza ni avisa: una fila que no se
// puede escribir simplemente no queda.
void RegistrarAccion(const QString& tipoComprobante, const QString& idComprobante, QString& complemento,
                     bool nuevo, bool modificacion, const QString& detalle, const QString& cuenta,
                     bool error);
