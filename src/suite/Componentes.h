#pragma once
#include <QString>
#include <memory>

#include "banner/Cartel.h"
#include "data/Dll_Datos.h"
#include "data/Dll_Funciones.h"
#include "platform/Dll_Sistema.h"

// El componente de entorno: guarda la carpeta de la aplicación que le da el inicio.
class Dll_Entorno {
  public:
    QString RutaAplicacion;
};

// El componente de consultas de la suite: la plataforma de la base y el catálogo de consultas.
class Dll_Consultas {
  public:
    QString MotorBase;
    bool CatalogoActivo = false;
    QString ArchivoCatalogo;
};

// Los objetos de componente del proceso, uno por función, creados en su primer uso y
// guardados hasta el final del proceso.
namespace Componentes {

Dll_Datos& Datos();              // la conexión principal
Dll_Datos& DatosEstadisticas();  // la conexión de estadísticas
Dll_Funciones& Funciones();
Dll_Sistema& Sistema();
Dll_Entorno& Entorno();
Dll_Consultas& Consultas();
Cartel& Display();

// El programa de ventanas instala su cartel (por defecto, uno mudo).
void InstalarDisplay(std::unique_ptr<Cartel> cartel);

// Para las pruebas: descarta todos los objetos (el próximo uso los crea de nuevo).
void Reiniciar();

}  // namespace Componentes
