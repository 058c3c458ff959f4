#pragma once
#include <QString>
#include <optional>

// La cadena de lanzamiento: "@server= S; @dbname= B; @usuario= U; @Password= P; @ParametroAdicional=;
// @Caja=1;orva@". Cada ítem es una ficha "@...", un "=", un valor y un ";" que lo cierra.

// Lee el valor de una ficha. Busca la primera aparición de la ficha (sin distinguir
// mayúsculas) y toma lo que sigue hasta el primer ";", sin "=" y sin blancos en los extremos.
// Sin la ficha: nada. Sin ";" después: "@ParametroAdicional" toma a lo sumo 19 caracteres; las
// demás fichas lanzan ErrorEjecucion 5 (argumento no válido), como el corte de largo negativo.
std::optional<QString> LeerFicha(const QString& cadena, const QString& ficha);

// Los valores de conexión de una cadena, leídos por InicioAplicacion.
struct ValoresLanzamiento {
    QString servidor;
    QString base;
    QString usuario;
    QString clave;
};
