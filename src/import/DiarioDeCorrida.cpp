#include "import/DiarioDeCorrida.h"

#include <QFileInfo>

#include "ado/ArchivoOrigen.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Proceso.h"
#include "platform/Regional.h"
#include "platform/Sha256Archivo.h"
#include "suite/AvisoError.h"
#include "suite/FechaServidor.h"

DiarioDeCorrida::DiarioDeCorrida(Dll_Datos& datos, const ArchivoOrigen& archivo, const QString& usuario)
    : diario_(datos, &FechaServidor, &AnotarAviso) {
    const QFileInfo info(archivo.ruta);
    corrida_.archivo = info.fileName();
    corrida_.ruta = info.absoluteFilePath();
    corrida_.tamano = info.exists() ? info.size() : -1;
    corrida_.modificado = info.lastModified();
    corrida_.tabla = archivo.tabla;
    corrida_.clase = archivo.clase ? archivo.clase->nombre() : QString();
    corrida_.usuario = usuario;
    // En otro hilo: la huella de un archivo grande tarda lo que su examen, que corre a la vez.
    huella_ = std::async(std::launch::async, &Sha256DeArchivo, corrida_.ruta);
}

DiarioDeCorrida::~DiarioDeCorrida() {
    if (avisoFin_ >= 0) Proceso::QuitarAvisoAlTerminar(avisoFin_);
    if (empezada_ && !terminada_) {
        Cuentas cuentas{corrida_.transmision, corrida_.leidas,   corrida_.agregadas,
                        corrida_.yaGuardadas, corrida_.sinSerie, corrida_.fallidas};
        terminar(ResultadoCorrida::kFallida, cuentas);
    }
    if (huella_.valid()) huella_.wait();
}

void DiarioDeCorrida::esperarHuella() {
    if (!huella_.valid()) return;
    corrida_.sha256 = huella_.get().value_or(QString());
}

QString DiarioDeCorrida::avisoRepetido() {
    esperarHuella();
    std::optional<CorridaDiario> previa;
    try {
        previa = diario_.repetida(corrida_);
    } catch (const ErrorEjecucion& e) {
        AnotarAviso(QStringLiteral("No se pudo leer el diario de importaciones: %1").arg(e.descripcion()));
    }
    if (!previa) return {};
    return QStringLiteral(
               "Este archivo ya se importó el %1 a las %2 como transmisión %3 (%4). ¿Importarlo otra vez?")
        .arg(Regional::Formato(previa->inicio, QStringLiteral("DD/MM/YYYY")),
             Regional::Formato(previa->inicio, QStringLiteral("HH:MM")), QString::number(previa->transmision),
             Regional::Cantidad(previa->agregadas, QStringLiteral("fila agregada"),
                                QStringLiteral("filas agregadas")));
}

void DiarioDeCorrida::empezar() {
    esperarHuella();
    empezada_ = diario_.empezar(corrida_);
    if (!empezada_) return;
    // El grupo abierto se confirma en su propio aviso de fin, que corre antes que éste (los avisos
    // corren del último al primero y la corrida arma su grupo después de empezar el diario).
    avisoFin_ = Proceso::AlTerminar([this] {
        if (terminada_) return;
        try {
            if (fuente_) copiar(fuente_());
        } catch (...) {
        }
        terminada_ = true;
        diario_.terminar(corrida_, ResultadoCorrida::kDetenida);
    });
}

void DiarioDeCorrida::copiar(const Cuentas& c) {
    corrida_.transmision = c.transmision;
    corrida_.leidas = c.leidas;
    corrida_.agregadas = c.agregadas;
    corrida_.yaGuardadas = c.yaGuardadas;
    corrida_.sinSerie = c.sinSerie;
    corrida_.fallidas = c.fallidas;
}

void DiarioDeCorrida::poner(const Cuentas& cuentas) {
    copiar(cuentas);
    if (empezada_ && !terminada_) diario_.actualizar(corrida_);
}

void DiarioDeCorrida::terminar(const QString& resultado, const Cuentas& cuentas) {
    copiar(cuentas);
    if (terminada_) return;
    if (!empezada_) {
        // La corrida terminó antes de llegar a las filas (el archivo no se pudo leer, el operador no
        // quiso repetirlo): queda igual en el diario, con lo que se sabe del archivo.
        esperarHuella();
        empezada_ = diario_.empezar(corrida_);
        if (!empezada_) return;
    }
    terminada_ = true;
    diario_.terminar(corrida_, resultado);
}
