#pragma once
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "import/ArchivoCsv.h"
#include "import/Rechazos.h"

class Dll_Datos;

// Las herramientas de la ventana sin la ventana: buscar series pegadas, la lista de filas no
// agregadas y exportar las filas de una transmisión.

// Las series de un texto escrito o pegado: una por línea o separadas por tabuladores (lo que deja
// un rango copiado de una planilla), sin los blancos de los bordes; un blanco, ";" o "," dentro
// de una serie es parte de ella ("SN 0012"). Sin vacías ni repetidas (iguales sin distinguir
// mayúsculas), en el orden en que vienen.
QStringList SeriesDeTexto(const QString& texto);

// Una serie buscada, como la lista el diálogo: encontrada, con dónde está guardada; o no.
struct SerieEncontrada {
    QString pedida;
    bool encontrada = false;
    QString serie;  // como está guardada
    int32_t transmision = 0;
    QString fecha;  // fecha y hora de la transmisión
    QString usuario;
};
// Una línea por serie encontrada (varias si la base guarda la serie más de una vez) y una por
// cada serie que no está. Lanza ErrorEjecucion si la base falla.
std::vector<SerieEncontrada> BuscarSeriesPedidas(Dll_Datos& datos, const QStringList& series);

// Una fila de la lista "Ver filas no agregadas".
struct FilaNoAgregada {
    qint64 fila = 0;
    QString serie;
    QString motivo;  // "serie ya guardada (transmisión 3)", "sin serie", "falló: ..."
};
// Las primeras "tope" filas no agregadas, con el detalle completado desde la base (datos nulo:
// sin completar). Lanza ErrorEjecucion si la base o el archivo temporal fallan.
std::vector<FilaNoAgregada> FilasNoAgregadas(const Rechazos& rechazos, Dll_Datos* datos, qsizetype tope);

// Escribe en un csv las filas de la transmisión (eca1, serie, modelo, activación), en el orden de
// la base. avance recibe las filas escritas cada tanto. Devuelve cuántas. Lanza ErrorEjecucion si
// la base o el archivo fallan (el archivo, entonces, no queda).
qint64 ExportarTransmision(Dll_Datos& datos, int32_t transmision, const QString& ruta,
                           ArchivoCsv::Codificacion codificacion,
                           const std::function<void(qint64)>& avance = {});
