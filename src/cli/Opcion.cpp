#include "cli/Opcion.h"

QString Opcion::etiqueta() const {
    QString texto = QStringLiteral("--") + nombre;
    if (!corta.isEmpty()) texto = QStringLiteral("-%1, %2").arg(corta, texto);
    if (!esBandera()) texto += ' ' + valor;
    return texto;
}

Opcion OpcionConexion() {
    return {QStringLiteral("conexion"), QStringLiteral("CADENA"),
            QStringLiteral("la cadena de lanzamiento de la suite, como la recibe el programa de ventanas "
                           "(\"@Server=; @dbname= BASE; @usuario= U; @Password= P;\"); sin esta opción, la "
                           "de la variable GARANTIAS_CONEXION.")};
}

Opcion OpcionTabla() {
    return {QStringLiteral("tabla"), QStringLiteral("NOMBRE"),
            QStringLiteral("la hoja o tabla del archivo que se lee, con el nombre que muestra el verbo "
                           "tablas.")};
}

std::vector<Opcion> OpcionesComunes() { return {OpcionConexion(), OpcionTabla()}; }

bool EsComun(const Opcion& opcion) {
    for (const Opcion& comun : OpcionesComunes()) {
        if (comun.nombre == opcion.nombre) return true;
    }
    return false;
}

std::vector<Opcion> OpcionesGenerales() {
    return {{QStringLiteral("help"),
             {},
             QStringLiteral("muestra esta ayuda (con un verbo, la de ese verbo)"),
             QStringLiteral("h")},
            {QStringLiteral("version"), {}, QStringLiteral("muestra la versión")}};
}
