#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "platform/Mensajes.h"

// Ayudas comunes a las pruebas.

// Ruta de una muestra pública de ../shared/fixtures; vacía si la carpeta no está.
QString Muestra(const QString& relativa);
bool HayMuestras();

// Escribe bytes en un archivo (crea las carpetas). Falla la prueba si no puede.
void EscribirArchivo(const QString& ruta, const QByteArray& bytes);
QByteArray LeerArchivo(const QString& ruta);

// Instala un servicio de mensajes guionado mientras vive; lo deja a mano para responder y mirar.
class MensajesDePrueba {
public:
    MensajesDePrueba();
    ~MensajesDePrueba();
    MensajesGuionados& operator*() { return *guion_; }
    MensajesGuionados* operator->() { return guion_; }

private:
    MensajesGuionados* guion_;
    std::unique_ptr<ServicioMensajes> anterior_;
};

// Mientras vive, el fin del proceso lanza Proceso::FinDelProceso en vez de terminar.
class FinObservable {
public:
    FinObservable();
    ~FinObservable();
};

// Que GoogleTest muestre los textos de Qt como texto.
#include <ostream>
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (const auto& s : l) *os << '"' << s.toStdString() << "\" ";
    *os << '}';
}
QT_END_NAMESPACE
