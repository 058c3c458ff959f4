#pragma once

// Abre la segunda conexión, a "QZ_ESTADISTICAS" junto a la base principal, y lee de su
// configuración el tiempo de espera de las sentencias ("TimeOut", 90 si no hay otro). Cada paso
// que falla se salta sin mensaje.
void ConectarEstadisticas();
