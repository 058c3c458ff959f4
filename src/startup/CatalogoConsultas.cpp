#include "startup/CatalogoConsultas.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "platform/ArchivoPropio.h"
#include "platform/Cp1252.h"
#include "platform/ErrorEjecucion.h"
#include "suite/Componentes.h"

namespace {

constexpr qint64 kLargoRegistro = 1202;
constexpr int kLargoTitulo = 100;
constexpr int kLargoVista = 100;
constexpr int kLargoColumnas = 500;
constexpr int kLargoExtra = 500;

struct Entrada {
    const char* titulo;
    const char* vista;
    const char* columnas;
};

// Las entradas de la suite, en el orden de los registros. La vista de TAREAS lleva sus dos
// blancos finales, que se guardan; el blanco tras las columnas se recorta al escribir.
constexpr Entrada kEntradas[] = {
    {"ARTICULOS", "V_MA_ARTICULOS", "|DESCRIPCION|IDARTICULO|"},
    {"CLIENTES", "VT_CLIENTES", "|RAZON_SOCIAL|CODIGO|CONTACTO|"},
    {"PROVEEDORES", "VT_PROVEEDORES", "|RAZON_SOCIAL|CODIGO|"},
    {"CONTACTOS", "MA_CONTACTOS", "|Nombre_y_Apellido|Domicilio|Localidad|Telefono|"},
    {"VENDEDORES", "V_TA_VENDEDORES", "|NOMBRE|IDVENDEDOR|"},
    {"TECNICOS", "V_TA_TECNICOS", "|NOMBRE|IDTECNICO|"},
    {"MANTENIMIENTOS", "V_MA_MANTENIMIENTOS", "|DESCRIPCION|CODIGO|"},
    {"CUENTAS", "MA_CUENTAS", "|DESCRIPCION|CODIGO|"},
    {"TAREAS", "V_TA_Tareas  ", "|Descripcion|IdTarea| "},
    {"UnidadNegocio", "V_TA_UnidadNegocio", "|Descripcion|Codigo|"},
    {"DEPOSITO", "V_TA_DEPOSITO", "|Descripcion|IdDeposito|"},
};

// El texto en su campo: un byte por carácter, cortado al largo y rellenado con blancos.
QByteArray Campo(const QString& texto, int largo) {
    QByteArray b = Cp1252::Codificar(texto).left(largo);
    b.append(QByteArray(largo - b.size(), ' '));
    return b;
}

QByteArray Registro(const Entrada& e) {
    QByteArray r;
    r.reserve(kLargoRegistro);
    r += Campo(QString::fromLatin1(e.titulo).trimmed(), kLargoTitulo);
    r += Campo(QString::fromLatin1(e.vista), kLargoVista);
    r += Campo(QString::fromLatin1(e.columnas).trimmed(), kLargoColumnas);
    r += QByteArray(kLargoExtra, ' ');
    r += "\r\n";
    return r;
}

}  // namespace

void CrearCatalogoConsultas() {
    const QString ruta = Componentes::Consultas().ArchivoCatalogo;
    QFile archivo;
    try {
        // Nunca a través de un enlace ni en un archivo ajeno puesto en su lugar.
        const int fd = ArchivoPropio::Abrir(ruta, O_RDWR | O_CREAT, 0666);
        if (!archivo.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            throw ErrorEjecucion(75, archivo.errorString());
        }
    } catch (const ErrorEjecucion& e) {
        throw ErrorEjecucion(
            75, QStringLiteral("No se pudo crear el catálogo de consultas: %1").arg(e.descripcion()));
    }
    for (const Entrada& e : kEntradas) {
        // Número de registro = largo / 1202 + 1: cada entrada va tras el último registro entero.
        const qint64 posicion = (archivo.size() / kLargoRegistro) * kLargoRegistro;
        const QByteArray registro = Registro(e);
        if (!archivo.seek(posicion) || archivo.write(registro) != registro.size()) {
            throw ErrorEjecucion(61,
                                 QStringLiteral("No se pudo escribir el catálogo de consultas \"%1\": %2.")
                                     .arg(ruta, archivo.errorString()));
        }
    }
    if (!archivo.flush() || ::fsync(archivo.handle()) != 0) {
        throw ErrorEjecucion(61, QStringLiteral("No se pudo escribir el catálogo de consultas \"%1\": %2.")
                                     .arg(ruta, archivo.errorString()));
    }
    archivo.close();
}
