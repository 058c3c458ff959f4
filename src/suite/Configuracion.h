#pragma once
#include <QString>
#include <QVariant>

// La tabla de configuración de la suite: una fila por clave (Grupo, Clave, Valor,
// PoliticaNegocio, ValorAux). Su nombre está en TablaConfiguracion de la sesión.

// Lee una clave por la conexión principal; valorAux recibe el segundo valor. Sin conexión
// devuelve "" (sin tocar valorAux); sin la clave, " " (un blanco) y valorAux vacío. Una falla
// va al aviso de error ("Cfg"): con Omitir sigue, con otra respuesta devuelve "".
QString Cfg(const QString& clave, QString& valorAux);

// Lo mismo por la conexión de estadísticas, sin mirar antes si está conectada ("CfgQZ").
QString CfgQZ(const QString& clave, QString& valorAux);

// Guarda una clave por la conexión de estadísticas: la agrega o cambia la primera fila que la
// tiene (la búsqueda no recorta la clave; se guarda recortada y en mayúsculas). Un valorAux
// vacío deja el de la fila. Toda falla se pasa por alto.
void GrabaCfgQZ(const QString& clave, const QVariant& valor, const QString& valorAux, bool politicaNegocio,
                const QString& grupo, bool recortar);

// Carga la configuración de la sesión: el nombre de la tabla y UTILIZARFECHADIA. Toda falla se
// pasa por alto.
void CargarConfiguracion();
