#pragma once
#include <QString>
#include <cstdint>
#include <optional>

// Lo que distingue una versión de un archivo de otra sin leerlo: tamaño, hora de modificación
// (en nanosegundos) y el nodo que la ruta nombra. Un archivo truncado, agrandado, reescrito en
// su lugar o reemplazado por otro cambia su huella.
struct HuellaArchivo {
    qint64 tamano = 0;
    qint64 modificado = 0;
    quint64 nodo = 0;
    quint64 dispositivo = 0;

    // De un archivo abierto (descriptor) o de una ruta; nada si no se puede consultar.
    static std::optional<HuellaArchivo> DeDescriptor(int fd);
    static std::optional<HuellaArchivo> DeRuta(const QString& ruta);

    // La misma versión: mismo nodo, mismo tamaño, misma hora.
    bool operator==(const HuellaArchivo&) const = default;
};

// El número de la falla de un origen que cambió mientras se leía (propio de este programa): la
// importación lo reconoce para decir cuántas filas quedaron guardadas.
inline constexpr int32_t kOrigenCambiado = -2147217788;

// "El archivo "ruta" cambió mientras se leía (...)": la descripción de un origen que otro
// programa modificó, truncó o reemplazó en medio de la lectura. filas: las leídas hasta ahí.
QString DescripcionOrigenCambiado(const QString& ruta, qint64 filas);
