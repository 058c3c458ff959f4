#pragma once
#include <QString>

// Si el archivo (sin las comillas dobles de la ruta) se puede abrir para leer. Un archivo que
// falta, sin permiso o una carpeta dan false.
bool ExisteArchivo(const QString& ruta);

// Abre un archivo o una dirección con el programa asociado del escritorio. Un texto con blancos
// y sin comillas se manda entre comillas dobles. Las fallas llegan a quien llama.
void AbrirDocumento(const QString& texto, bool ventana);
