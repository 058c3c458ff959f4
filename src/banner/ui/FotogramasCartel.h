#pragma once
#include <QImage>
#include <QList>

// La animación de actividad del cartel: 12 imágenes de 32 x 32 píxeles en color de 8 bits
// (paleta), fondo blanco. Un anillo de 12 puntos; en el fotograma n el punto n (contando
// desde arriba, en el sentido del reloj) está resaltado y los tres anteriores se apagan en
// escalera, de modo que al repetirse la vuelta parece girar sin salto.
// Se dibujan al pedirlas; no hace falta aplicación gráfica (sólo QImage y QPainter).
QList<QImage> FotogramasActividad();
