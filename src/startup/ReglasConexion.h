#pragma once
#include <QString>

// La marca de plataforma: un servidor que empieza con "#" es un origen Oracle. Quita el "#" y
// deja en textoConexion el texto de conexión de Oracle con la base, el usuario y la clave.
// Un servidor en blanco no se toca.
void AplicarMarcaPlataforma(QString& servidor, QString& textoConexion, const QString& base,
                            const QString& usuario, const QString& clave);

// El nombre del servidor para el componente de datos: sin lo que va hasta la primera "/"
// (inclusive) y, después, sin lo que va desde el primer ":" ("tcp/srv01:1433" -> "srv01").
QString NormalizarServidor(const QString& servidor);
