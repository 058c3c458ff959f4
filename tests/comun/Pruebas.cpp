#include "comun/Pruebas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "platform/Proceso.h"

QString Muestra(const QString& relativa) {
    const QString ruta = QStringLiteral(GARANTIAS_MUESTRAS "/") + relativa;
    return QFileInfo::exists(ruta) ? ruta : QString();
}

bool HayMuestras() { return QFileInfo(QStringLiteral(GARANTIAS_MUESTRAS)).isDir(); }

void EscribirArchivo(const QString& ruta, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(ruta).absolutePath());
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(ruta);
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray LeerArchivo(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

MensajesDePrueba::MensajesDePrueba() {
    auto guion = std::make_unique<MensajesGuionados>();
    guion_ = guion.get();
    anterior_ = InstalarServicioMensajes(std::move(guion));
}

MensajesDePrueba::~MensajesDePrueba() { InstalarServicioMensajes(std::move(anterior_)); }

FinObservable::FinObservable() {
    Proceso::FijarTerminador([](int codigo) { throw Proceso::FinDelProceso{codigo}; });
}

FinObservable::~FinObservable() { Proceso::FijarTerminador({}); }
