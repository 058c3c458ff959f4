#pragma once
#include <QString>
#include <cstdint>
#include <exception>
#include <string>

// Falla en tiempo de ejecución: número (con signo, 32 bits), descripción y origen. Viaja como
// excepción hasta la trampa más cercana, que decide si repetir, saltar o abandonar.
class ErrorEjecucion : public std::exception {
  public:
    ErrorEjecucion(int32_t numero, QString descripcion, QString origen = {});

    int32_t numero() const { return numero_; }
    const QString& descripcion() const { return descripcion_; }
    const QString& origen() const { return origen_; }
    const char* what() const noexcept override { return what_.c_str(); }
    // Para mostrar al operador: la descripción, sin el número interno ("No existe el archivo
    // \"x.db\"."); sin descripción, "Falla sin descripción".
    QString paraPersonas() const;
    // La descripción y el número entre paréntesis, donde el mensaje debe mostrar el número
    // ("No existe el archivo \"x.db\". (-2147467259)").
    QString conNumero() const;

  private:
    int32_t numero_;
    QString descripcion_;
    QString origen_;
    std::string what_;
};

// Números con significado para las trampas del programa.
namespace Errores {
inline constexpr int32_t ArgumentoInvalido = 5;         // llamada o argumento no válido
inline constexpr int32_t Desbordamiento = 6;            // el valor no entra en el tipo
inline constexpr int32_t TiposNoCoinciden = 13;         // el valor no es del tipo que se pide
inline constexpr int32_t VariableNoEstablecida = 91;    // variable de objeto vacía
inline constexpr int32_t ObjetoCerrado = 3704;          // operación sobre un objeto cerrado
inline constexpr int32_t ObjetoAbierto = 3705;          // abrir lo que ya está abierto
inline constexpr int32_t ConexionCerrada = 3709;        // sentencia sobre una conexión cerrada
inline constexpr int32_t ProveedorFallo = -2147467259;  // 0x80004005: falla genérica del proveedor
}  // namespace Errores
