// garantias-cli historial [--desde DD/MM/AAAA] [--archivo RUTA] --conexion "CADENA": el diario de
// las importaciones, una corrida por línea.
#include <QFileInfo>

#include "cli/SesionCli.h"
#include "cli/Verbos.h"
#include "data/DiarioCorridas.h"
#include "platform/Regional.h"
#include "platform/Sha256Archivo.h"
#include "suite/AvisoError.h"
#include "suite/Componentes.h"
#include "suite/FechaServidor.h"

namespace {

QString Fecha(const QDateTime& f) {
    return f.isValid() ? Regional::Formato(f, QStringLiteral("DD/MM/YYYY HH:MM:SS")) : QString();
}

QString Linea(const CorridaDiario& c) {
    const QStringList celdas = {Fecha(c.inicio),
                                Fecha(c.fin),
                                c.resultado,
                                c.transmision > 0 ? QString::number(c.transmision) : QString(),
                                c.anulada.isValid() ? QStringLiteral("sí") : QString(),
                                c.archivo,
                                c.tabla,
                                c.clase,
                                QString::number(c.leidas),
                                QString::number(c.agregadas),
                                QString::number(c.yaGuardadas),
                                QString::number(c.sinSerie),
                                QString::number(c.fallidas),
                                c.tamano < 0 ? QString() : QString::number(c.tamano),
                                Fecha(c.modificado),
                                c.sha256,
                                c.estacion,
                                c.usuario,
                                c.ruta};
    QStringList salida;
    for (const QString& celda : celdas) salida << Celda(celda);
    return salida.join('\t');
}

int Historial(const Argumentos& a, Salida& salida) {
    if (!a.sueltos.isEmpty()) throw ErrorUso(QStringLiteral("historial no lleva argumentos"));
    FiltroHistorial filtro;
    if (a.tiene(QStringLiteral("desde"))) {
        filtro.desde =
            QDate::fromString(a.opcion(QStringLiteral("desde")).trimmed(), QStringLiteral("dd/MM/yyyy"));
        if (!filtro.desde.isValid())
            throw ErrorUso(
                QStringLiteral("--desde necesita una fecha DD/MM/AAAA: %1").arg(a.opcion("desde")));
    }
    if (a.tiene(QStringLiteral("archivo"))) {
        const QString ruta = a.opcion(QStringLiteral("archivo"));
        if (ruta.trimmed().isEmpty()) throw ErrorUso(QStringLiteral("--archivo necesita una ruta"));
        const QFileInfo info(ruta);
        // Las corridas de los mismos bytes (también con otro nombre) o de esa misma ruta; de un
        // archivo que ya no está, las de esa ruta o ese nombre.
        filtro.ruta = info.absoluteFilePath();
        filtro.archivo = info.fileName();
        if (info.isFile()) {
            const std::optional<QString> sha = Sha256DeArchivo(ruta);
            if (!sha) throw ErrorEjecucion(0, QStringLiteral("no se pudo leer \"%1\"").arg(ruta));
            filtro.sha256 = *sha;
        }
    }
    IniciarSesionCli(a);
    DiarioCorridas diario(Componentes::Datos(), &FechaServidor, &AnotarAviso);
    if (!diario.disponible()) {
        salida.error(QStringLiteral("la base no tiene el diario de importaciones (GARANTIAS_CORRIDAS)"));
        return Codigo::Falla;
    }
    const std::vector<CorridaDiario> corridas = diario.historial(filtro);
    salida.linea(
        QStringLiteral("Inicio\tFin\tResultado\tTransmisión\tAnulada\tArchivo\tHoja o tabla\tClase\t"
                       "Leídas\tAgregadas\tYa guardadas\tSin serie\tFallidas\tTamaño\tModificado\t"
                       "SHA-256\tEstación\tUsuario\tRuta"));
    for (const CorridaDiario& c : corridas) salida.linea(Linea(c));
    if (corridas.empty() && a.tiene(QStringLiteral("archivo"))) {
        salida.error(QStringLiteral("\"%1\" no se importó nunca").arg(a.opcion(QStringLiteral("archivo"))));
        return Codigo::NoEncontrado;
    }
    return Codigo::Bien;
}

}  // namespace

Verbo VerboHistorial() {
    return {
        QStringLiteral("historial"),
        QStringLiteral("historial [--desde DD/MM/AAAA] [--archivo RUTA] --conexion \"CADENA\""),
        QStringLiteral(
            "Lista el diario de las importaciones, la más vieja primero, una por línea separada por "
            "tabuladores, con una línea de títulos: inicio, fin, resultado (en curso, completa, detenida, "
            "fallida, interrumpida), transmisión (vacía si no agregó filas), anulada, archivo, hoja o "
            "tabla, clase, filas leídas, agregadas, ya guardadas, sin serie y fallidas, tamaño, "
            "modificación y SHA-256 del archivo, estación, usuario y ruta."),
        {OpcionConexion(),
         {QStringLiteral("desde"), QStringLiteral("DD/MM/AAAA"),
          QStringLiteral("sólo las corridas que empezaron ese día o después")},
         {QStringLiteral("archivo"), QStringLiteral("RUTA"),
          QStringLiteral(
              "sólo las corridas de los mismos bytes que RUTA (aunque tuviera otro nombre) o de esa "
              "ruta; termina con 3 si no hay ninguna")}},
        &Historial};
}
