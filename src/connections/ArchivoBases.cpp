#include "connections/ArchivoBases.h"

#include <QFile>

#include "platform/ArchivoPropio.h"
#include "platform/Cp1252.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Privado.h"
#include "platform/Proceso.h"
#include "suite/Componentes.h"

namespace {
constexpr int32_t kErrorAcceso = 75;  // error de acceso a la ruta o al archivo
constexpr int32_t kArchivoNoEncontrado = 53;
constexpr int32_t kFinDeArchivo = 62;  // la entrada pasó el final del archivo

bool EsFinDeLinea(QChar c) { return c == '\r' || c == '\n'; }
bool EsBlanco(QChar c) { return c == ' ' || c == '\t'; }
}  // namespace

QString RutaBases() { return Proceso::CarpetaAplicacion() + QStringLiteral("BASES.TXT"); }

void GrabarBase(const QString& Nombre, const QString& Dbname, const QString& Usuario, const QString& Password,
                const QString& Servidor) {
    const QString ruta = RutaBases();
    const QString clave = Componentes::Funciones().Encriptar(Password);
    const QString linea = Nombre.trimmed() + ',' + Dbname.trimmed() + ',' + Usuario.trimmed() + ',' +
                          clave.trimmed() + ',' + Servidor.trimmed() + QStringLiteral("\r\n");
    try {
        // Guarda claves: sólo para el usuario (0600), y nunca a través de un enlace ni en un
        // archivo ajeno.
        ArchivoPropio::Agregar(ruta, Cp1252::Codificar(linea), 0600);
    } catch (const ErrorEjecucion& e) {
        throw ErrorEjecucion(kErrorAcceso, e.descripcion(), Proceso::NombreEjecutable());
    }
}

LectorBases::LectorBases(const QString& ruta) : ruta_(ruta) {
    QFile archivo(QString(ruta).remove('"'));
    if (!archivo.open(QIODevice::ReadOnly)) {
        throw ErrorEjecucion(kArchivoNoEncontrado,
                             QStringLiteral("No se pudo abrir %1: %2").arg(ruta, archivo.errorString()),
                             Proceso::NombreEjecutable());
    }
    texto_ = Cp1252::Decodificar(archivo.readAll());
}

LectorBases LectorBases::DeTexto(const QString& texto, const QString& ruta) {
    LectorBases l;
    l.texto_ = texto;
    l.ruta_ = ruta;
    return l;
}

bool LectorBases::alFinal() const {
    for (qsizetype i = pos_; i < texto_.size(); ++i) {
        if (!EsBlanco(texto_[i]) && !EsFinDeLinea(texto_[i])) return false;
    }
    return true;
}

void LectorBases::leerEntrada(CamposBase& campos) {
    for (auto& c : campos) c.clear();
    for (std::size_t i = 0; i < campos.size(); ++i) {
        if (pos_ >= texto_.size()) {
            throw ErrorEjecucion(
                kFinDeArchivo,
                QStringLiteral(
                    "Se leyó más allá del final de %1: la última entrada tiene %2 de sus cinco campos.")
                    .arg(ruta_.isEmpty() ? QStringLiteral("el archivo de conexiones") : ruta_)
                    .arg(i),
                Proceso::NombreEjecutable());
        }
        campos[i] = leerCampo();
    }
}

QString LectorBases::leerCampo() {
    const qsizetype n = texto_.size();
    while (pos_ < n && EsBlanco(texto_[pos_])) ++pos_;
    QString campo;
    if (pos_ < n && texto_[pos_] == '"') {
        const qsizetype cierre = texto_.indexOf('"', pos_ + 1);
        const qsizetype fin = cierre < 0 ? n : cierre;
        campo = texto_.mid(pos_ + 1, fin - pos_ - 1);
        pos_ = cierre < 0 ? n : cierre + 1;
        // Lo que sigue a las comillas hasta la coma o el fin de línea no es parte del campo.
        while (pos_ < n && texto_[pos_] != ',' && !EsFinDeLinea(texto_[pos_])) ++pos_;
    } else {
        const qsizetype inicio = pos_;
        while (pos_ < n && texto_[pos_] != ',' && !EsFinDeLinea(texto_[pos_])) ++pos_;
        campo = texto_.mid(inicio, pos_ - inicio);
    }
    // El separador: una coma, o un fin de línea (CR LF, CR o LF) que vale lo mismo.
    if (pos_ < n) {
        if (texto_[pos_] == ',') {
            ++pos_;
        } else if (texto_[pos_] == '\r') {
            ++pos_;
            if (pos_ < n && texto_[pos_] == '\n') ++pos_;
        } else if (texto_[pos_] == '\n') {
            ++pos_;
        }
    }
    return campo;
}
