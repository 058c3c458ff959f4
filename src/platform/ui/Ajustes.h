#pragma once
class QLabel;
class QWidget;

// Lo que la ventana toma de Qt y de la pantalla en que corre: las traducciones de Qt y el
// tamaño que de verdad ocupa un texto con la letra instalada.

// Carga las traducciones al español de Qt (diálogo de archivo, menús de contexto, botones que el
// programa no nombra). Devuelve false si no están instaladas: Qt queda en inglés.
bool CargarTraduccionesQt();

// Una etiqueta cuyo texto no entra con la letra que se usa crece hacia la derecha, y si no hay
// lugar parte el texto en líneas hacia abajo, sin tapar a sus vecinos ni salirse de su padre.
// Ningún otro control se mueve. Devuelve true si el texto entero entra al final.
bool AjustarEtiqueta(QLabel& etiqueta);
// AjustarEtiqueta para cada etiqueta dentro de raiz.
void AjustarEtiquetas(QWidget& raiz);
