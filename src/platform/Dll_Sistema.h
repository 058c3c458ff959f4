#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// El componente de la estación de trabajo: nombre del equipo, carpeta por defecto y abrir un
// documento con el programa asociado.
class Dll_Sistema {
  public:
    // Nombre del equipo (el nombre de host).
    QString NombreEquipo() const;
    // Una carpeta en la que el usuario puede escribir (la crea si hace falta). Termina en "/".
    QString CarpetaPredeterminada() const;
    // Abre archivo (o dirección) con el programa asociado del escritorio, sin esperar.
    // Devuelve un valor mayor que 32 cuando lo pudo lanzar, como el servicio original.
    long EjecutarShell(long ventanaDuena, const QString& operacion, const QString& archivo,
                       const QString& parametros, const QString& carpeta, int estilo);

    // Costura para las pruebas: reemplaza el lanzador (recibe programa y argumentos).
    static void FijarLanzador(std::function<bool(const QString&, const QStringList&)> lanzador);
};
