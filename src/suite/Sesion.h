#pragma once
#include <QString>
#include <cstdint>

// El registro de la sesión del proceso, uno solo.
struct Sesion {
    QString Usuario;                   // el usuario de la aplicación
    QString Clave;                     // su clave; "* *" hasta que el ingreso la resuelva
    QString ParametroAdicional;        // el valor de "@ParametroAdicional"
    int16_t TiempoEsperaComandos = 0;  // segundos
    QString TablaConfiguracion;        // nombre de la tabla de configuración
    bool UTILIZARFECHADIA = false;
};

// La sesión del proceso.
Sesion& sesion();
// Para las pruebas: vuelve la sesión a su estado inicial.
void ReiniciarSesion();
