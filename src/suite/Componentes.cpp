#include "suite/Componentes.h"

namespace Componentes {
namespace {
struct Objetos {
    std::unique_ptr<Dll_Datos> datos, estadisticas;
    std::unique_ptr<Dll_Funciones> funciones;
    std::unique_ptr<Dll_Sistema> sistema;
    std::unique_ptr<Dll_Entorno> entorno;
    std::unique_ptr<Dll_Consultas> consultas;
    std::unique_ptr<Cartel> display;
};
Objetos& objetos() {
    static Objetos o;
    return o;
}
template <typename T>
T& Crear(std::unique_ptr<T>& p) {
    if (!p) p = std::make_unique<T>();
    return *p;
}
}  // namespace

Dll_Datos& Datos() { return Crear(objetos().datos); }
Dll_Datos& DatosEstadisticas() { return Crear(objetos().estadisticas); }
Dll_Funciones& Funciones() { return Crear(objetos().funciones); }
Dll_Sistema& Sistema() { return Crear(objetos().sistema); }
Dll_Entorno& Entorno() { return Crear(objetos().entorno); }
Dll_Consultas& Consultas() { return Crear(objetos().consultas); }
Cartel& Display() {
    if (!objetos().display) objetos().display = std::make_unique<CartelMudo>();
    return *objetos().display;
}
void InstalarDisplay(std::unique_ptr<Cartel> cartel) { objetos().display = std::move(cartel); }

void Reiniciar() { objetos() = Objetos{}; }

}  // namespace Componentes
