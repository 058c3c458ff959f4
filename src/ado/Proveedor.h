#pragma once
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "ado/Errores.h"
#include "ado/FuenteFilas.h"
#include "ado/MotorBase.h"
#include "ado/TextoConexion.h"

// Una sentencia preparada una vez y corrida muchas veces con valores distintos (los "?" de su
// texto, en orden). Los valores nunca cambian la forma de la sentencia.
class SentenciaPreparada {
  public:
    virtual ~SentenciaPreparada() = default;
    // Corre la sentencia con los valores; las fallas van a errores (sin lanzar). Devuelve las
    // filas que cambió, o -1 si falló.
    virtual int64_t ejecutar(const std::vector<QVariant>& valores, ListaErrores& errores) = 0;

    // Un valor ya en la forma que la base guarda: texto UTF-8 (sus bytes viven hasta la corrida
    // siguiente) o entero. Sin QVariant ni conversiones en medio: la escritura de una importación.
    struct ValorListo {
        QByteArrayView texto;
        int64_t entero = 0;
        bool esEntero = false;
    };
    // Como ejecutar(), con valores listos. Quien no tiene una forma más directa los convierte.
    virtual int64_t ejecutarListos(const std::vector<ValorListo>& valores, ListaErrores& errores);
    // Los valores de la primera columna del resultado que devolvió la última corrida (vacío si
    // no devolvió filas).
    virtual std::vector<QVariant> resultado() const { return {}; }
    // Si la última corrida terminó sin decir cuántas filas cambió (un servidor con SET NOCOUNT
    // ON): entonces 0 filas no quiere decir que no cambió ninguna.
    virtual bool sinCuenta() const { return false; }
};

// Las filas que una sentencia de flujo (ver SentenciaFlujo) toma de a una mientras corre.
class FlujoFilas {
  public:
    virtual ~FlujoFilas() = default;
    // Los valores de la próxima fila, uno por columna del flujo; nullptr: no hay más y la sentencia
    // termina. Puede esperar a que la fila llegue. Los valores viven hasta la llamada siguiente.
    virtual const SentenciaPreparada::ValorListo* siguiente() = 0;
    // La sentencia terminó con la última fila dada: si la insertó. Se dice de cada fila antes de
    // pedir la siguiente, salvo de la que falló.
    virtual void insertada(bool si) = 0;
};

// Un INSERT ... SELECT cuyas filas salen de la tabla "flujo_de_filas" (columnas c1, c2...):
// llegan mientras la sentencia corre, y una sola sentencia escribe muchas filas sin volver a
// empezar por cada una. Es todo o nada: si una fila falla, la base queda como antes de la
// sentencia. Sólo la base embebida las tiene.
class SentenciaFlujo {
  public:
    virtual ~SentenciaFlujo() = default;
    // Si ahora cada fila se decide en su lugar, antes de tomar la siguiente (no lo es si la tabla
    // tiene disparadores o claves foráneas, o si la base junta las filas antes de insertarlas), y
    // si la conexión está dentro de una transacción. Si no, quien escribe usa una sentencia por
    // fila. Se pregunta dentro de la transacción en que va a correr (nadie cambia la base mientras).
    virtual bool apta() = 0;
    // Corre la sentencia con los parámetros (sus "?") hasta que el flujo no dé más filas. Devuelve
    // las filas que insertó, o -1 con la falla en errores: la fila que falló es la última que dio
    // el flujo sin que se dijera si quedó, y nada de lo que la sentencia insertó queda. Corre en
    // el hilo que sea, mientras nadie más use la conexión.
    virtual int64_t correr(FlujoFilas& flujo, const std::vector<SentenciaPreparada::ValorListo>& parametros,
                           ListaErrores& errores) = 0;
    // Si la conexión sigue dentro de una transacción: una falla grave (el disco lleno) la deshace
    // entera, con lo que se había hecho antes de la sentencia.
    virtual bool enTransaccion() const = 0;
};

// Un proveedor de datos: lee una clase de origen (la base de la suite, un archivo de texto, un
// libro de Excel...). Lo elige la conexión a partir de su texto de conexión.
class Proveedor {
  public:
    virtual ~Proveedor() = default;

    // Nombre del proveedor, origen de sus errores ("Proveedor de texto").
    virtual QString nombre() const = 0;

    // Abre el origen. Lanza ErrorEjecucion con una descripción en castellano que nombra el archivo
    // y la causa; su número es el código nativo (distinto de 0).
    virtual void abrir(const TextoConexion& texto) = 0;
    // Cierra el origen. Nunca lanza.
    virtual void cerrar() = 0;

    // Las tablas u hojas, en el orden en que el origen las da.
    virtual QStringList tablas() = 0;

    // Abre una consulta que devuelve filas. Lanza ErrorEjecucion si la sentencia no se puede
    // correr (tabla inexistente, sintaxis) con la descripción del proveedor.
    // actualizable: la fuente debe poder guardar filas (ver FuenteFilas::guardar).
    virtual std::unique_ptr<FuenteFilas> consultar(const QString& sql, bool actualizable) = 0;

    // Lee entera, para importarla, la tabla u hoja de ese nombre (como la da tablas(), o como la
    // escribió el operador), sin pasar por el texto de una sentencia. Lanza ErrorEjecucion como
    // consultar. Por defecto, el motor corre "SELECT * FROM [tabla]"; los orígenes de archivo, que
    // no leen SQL, abren la tabla directamente.
    virtual std::unique_ptr<FuenteFilas> leerTabla(const QString& tabla);

    // Antes de importar: recorre entera la tabla y decide con toda ella lo que la lectura necesita
    // (la codificación de un texto, por ejemplo); las lecturas siguientes usan esa decisión y fallan
    // si el archivo ya no es el examinado. Lanza ErrorEjecucion si el origen está mal formado, con
    // la causa y la línea. Por defecto no hay nada que decidir.
    virtual void examinarTabla(const QString& tabla) {}

    // Corre una o más sentencias que no devuelven filas; cada falla va a errores, sin lanzar.
    // Por defecto: los orígenes de sólo lectura anotan que no se puede escribir.
    virtual void ejecutar(const QString& sql, ListaErrores& errores);

    // Prepara una sentencia que no devuelve filas. Por defecto cada corrida escribe los valores
    // como literales y la manda con ejecutar() (las filas cambiadas se desconocen: 1 si no falló).
    virtual std::unique_ptr<SentenciaPreparada> preparar(const QString& sql);

    // Prepara una sentencia de flujo de "columnas" columnas (ver SentenciaFlujo). Nulo si el
    // proveedor no las tiene.
    virtual std::unique_ptr<SentenciaFlujo> prepararFlujo(const QString& sql, int columnas) {
        return nullptr;
    }

    // Transacciones, tiempo de espera de las sentencias (segundos) y nivel de aislamiento.
    virtual void empezarTransaccion();
    virtual void confirmarTransaccion();
    virtual void deshacerTransaccion();
    virtual void fijarTiempoEspera(int segundos);
    virtual void fijarAislamiento(int nivel);

    // Todos los registros de la última falla que lanzó consultar, cuando el motor dio varios (el
    // primero es el lanzado); se entregan una vez. Vacío: basta con la falla lanzada.
    virtual std::vector<ErrorAdo> tomarDiagnosticos() { return {}; }

    // Si la conexión con el servidor se cortó: la conexión del programa la cierra y vuelve a
    // conectar en la próxima operación.
    virtual bool conexionPerdida() const { return false; }
    // El motor que atiende ("SQL Server", "SQLite"...), como lo informa el controlador; vacío si
    // no se sabe.
    virtual QString motor() const { return {}; }
    // La clase de base, decidida al abrir (ver MotorBase). Ninguno si está cerrado o no es una base.
    virtual MotorBase motorBase() const { return MotorBase::Ninguno; }
    // Cuántas veces se habló con el motor (sentencias corridas, confirmaciones) desde que se
    // abrió; -1 si el proveedor no lo cuenta.
    virtual int64_t idasYVueltas() const { return -1; }
};

// Elige y crea el proveedor para un texto de conexión; nulo si ningún proveedor lo reconoce.
std::unique_ptr<Proveedor> CrearProveedor(const TextoConexion& texto);
