// garantias-cli vista ARCHIVO [--tabla NOMBRE]: las primeras filas de una hoja o tabla, como las
// muestra la vista previa de la ventana.
#include "ado/Conexion.h"
#include "ado/Valores.h"
#include "cli/OrigenCli.h"
#include "cli/Verbos.h"
#include "import/VistaPrevia.h"
#include "platform/ErrorEjecucion.h"

namespace {

int Correr(const Argumentos& a, Salida& salida) {
    if (a.sueltos.size() != 1)
        throw ErrorUso(QStringLiteral("vista lleva un archivo: vista ARCHIVO [--tabla NOMBRE]"));
    const QString& ruta = a.sueltos[0];
    ArchivoOrigen archivo = ArchivoDeLineaDeComandos(ruta);
    Conexion conexion;
    AbrirOrigen(conexion, archivo);
    if (!a.tiene(QStringLiteral("tabla"))) {
        const QStringList tablas = archivo.tablasListadas(conexion);
        if (tablas.isEmpty()) {
            throw ErrorEjecucion(
                Errores::ArgumentoInvalido,
                QStringLiteral("el archivo \"%1\" no tiene hojas ni tablas para mostrar.").arg(ruta));
        }
        archivo.tabla = archivo.tablaPorDefecto(tablas);
    } else {
        archivo.tabla = a.opcion(QStringLiteral("tabla"));
        if (archivo.tabla.trimmed().isEmpty())
            throw ErrorUso(QStringLiteral("Debe informar el nombre de la tabla a leer"));
    }
    auto rs = conexion.abrirTabla(archivo.tablaALeer());
    // La fila de títulos: la columna 0 de la grilla (la del número de fila) va vacía.
    QStringList titulos{QString()};
    for (int i = 0; i < rs->FieldCount(); ++i) titulos << Celda(rs->FieldName(i));
    salida.linea(titulos.join('\t'));
    for (int n = 1; n <= kFilasVistaPrevia && !rs->EOF_(); ++n, rs->MoveNext()) {
        QStringList celdas{QString::number(n)};
        for (int i = 0; i < rs->FieldCount(); ++i) celdas << Celda(TextoValor(rs->Field(i)));
        salida.linea(celdas.join('\t'));
    }
    rs->Close();
    return Codigo::Bien;
}
}  // namespace

Verbo VerboVista() {
    return {
        QStringLiteral("vista"),
        QStringLiteral("vista ARCHIVO [--tabla NOMBRE]"),
        QStringLiteral("Muestra los nombres de los campos y las primeras %1 filas de la hoja o tabla (sin "
                       "--tabla: de un txt o csv, el propio archivo; si no, la primera que se lista), "
                       "separados por tabuladores.")
            .arg(kFilasVistaPrevia),
        {OpcionTabla()},
        &Correr};
}
