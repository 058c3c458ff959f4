#pragma once
#include <QString>
#include <QtGlobal>

// Las reglas del cartel de progreso que no dependen de la pantalla: el paso de la animación,
// el estado de cancelación y la medida de los controles.
namespace ReglasCartel {

// Fotogramas de la animación de actividad.
inline constexpr int kFotogramas = 12;
// Intervalo del reloj de la animación, en milisegundos.
inline constexpr int kIntervaloMs = 100;

// Títulos del botón de cancelar. El título ES el estado: nada más recuerda el clic.
inline const QString kTituloCancelar = QStringLiteral("&Cancelar");
inline const QString kTituloAbortado = QStringLiteral("Abortado");

// Un paso del reloj: suma 1 al contador y devuelve el fotograma a mostrar (1..12); al mostrar
// el último, el contador vuelve a 0. Así el contador nunca pasa de 12.
inline int AvanzarContador(qint16& contador) {
    contador = static_cast<qint16>(contador + 1);
    const int fotograma = contador;
    if (contador == kFotogramas) contador = 0;
    return fotograma;
}

// Cancelado exactamente cuando el título del botón es "Abortado" (distingue mayúsculas).
inline bool EstaCancelado(const QString& tituloBoton) {
    return tituloBoton.compare(kTituloAbortado, Qt::CaseSensitive) == 0;
}

// Las medidas de diseño están en twips, a 15 twips por píxel (96 ppp); se redondea al píxel.
inline constexpr int Pixeles(int twips) { return (twips * 2 + 15) / 30; }

}  // namespace ReglasCartel
