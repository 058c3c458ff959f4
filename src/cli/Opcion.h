#pragma once
#include <QString>
#include <vector>

// Una opción "--nombre [VALOR]" de la línea de comandos. La ayuda, las páginas de manual y la
// terminación de bash se escriben desde estos datos, y el separador de argumentos sabe por ellos
// qué opción toma un valor: una opción nueva aparece en todos lados con sólo anotarla en su verbo.
struct Opcion {
    QString nombre;       // sin los "--": "tabla"
    QString valor;        // lo que toma, como lo muestra la ayuda ("NOMBRE"); vacío en una bandera
    QString descripcion;  // qué hace; no vacía
    QString corta = {};   // la letra de la forma corta ("h" para -h), si la tiene

    bool esBandera() const { return valor.isEmpty(); }
    // El valor nombra un archivo ("ARCHIVO", "ARCHIVO.csv"): la terminación ofrece archivos.
    bool tomaArchivo() const { return valor.startsWith(QLatin1String("ARCHIVO")); }
    // "--rechazos ARCHIVO.csv", "-h, --help".
    QString etiqueta() const;
};

// Las opciones que comparten varios verbos, con el mismo sentido en todos: la ayuda general y el
// manual las describen una vez.
Opcion OpcionConexion();
Opcion OpcionTabla();
std::vector<Opcion> OpcionesComunes();
bool EsComun(const Opcion& opcion);

// Las opciones que valen sin verbo: --help y --version.
std::vector<Opcion> OpcionesGenerales();
