#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Mensajes.h"

// Ayudas comunes a las pruebas.

// El HOME de las pruebas: una carpeta temporal propia del ejecutable, para que nada de lo que el
// programa escribe llegue al del usuario. Se crea antes que la aplicación de Qt.
class CasaDePrueba {
  public:
    CasaDePrueba();
    QString ruta() const { return dir_.path(); }

  private:
    QTemporaryDir dir_;
};

// Pone un tope a la memoria (espacio de direcciones, RLIMIT_AS) del ejecutable de pruebas y de los
// procesos que lance: una prueba que crece sin fin falla enseguida con std::bad_alloc, en vez de
// llenar la máquina hasta que el núcleo la mate minutos después. El tope es de
// kTopeMemoriaPruebasMiB, o los MiB de la variable GARANTIAS_TOPE_MEMORIA (0: sin tope). Se llama
// primero en main, antes de crear la aplicación de Qt. Con los sanitizadores no hay tope: reservan
// decenas de TiB de direcciones de entrada.
constexpr long kTopeMemoriaPruebasMiB = 4096;
void TopeDeMemoria();

// Corre las pruebas del ejecutable. Mientras corren, los cuadros de mensaje van a un guion
// estricto vacío (un cuadro que ninguna prueba guionó es una falla), y un archivo que una prueba
// deja en el HOME de las pruebas (fuera de su carpeta temporal) también es una falla.
int CorrerPruebas(int argc, char** argv, const CasaDePrueba& casa);

// Ruta de una muestra pública de ../shared/fixtures; vacía si no está. Si la carpeta de muestras
// está (o debe estar) y la muestra falta, además es una falla de la prueba: una carpeta a medias
// no se salta en silencio.
QString Muestra(const QString& relativa);
bool HayMuestras();
// Las muestras son obligatorias cuando ../shared está junto al proyecto (como en la integración
// continua): entonces faltar es una falla, no un salto.
bool MuestrasObligatorias();

// Toma una muestra pública en `ruta`; si falta, salta la prueba diciéndolo, o la termina como
// falla si la carpeta de muestras está o debe estar. Sólo en el cuerpo de una prueba o en SetUp.
#define TOMAR_MUESTRA(ruta, relativa)                                                                      \
    const QString ruta = Muestra(relativa);                                                                \
    if (ruta.isEmpty()) {                                                                                  \
        if (HayMuestras() || MuestrasObligatorias()) return; /* Muestra() ya lo dio como falla */          \
        GTEST_SKIP() << "no está la muestra pública ../shared/fixtures/" << qPrintable(QString(relativa)); \
    }

// Lo mismo para la carpeta entera de muestras.
#define REQUERIR_MUESTRAS()                                                                 \
    if (!HayMuestras()) {                                                                   \
        if (MuestrasObligatorias()) FAIL() << "está ../shared, pero no ../shared/fixtures"; \
        GTEST_SKIP() << "no está la carpeta de muestras públicas ../shared/fixtures";       \
    }

// Escribe bytes en un archivo (crea las carpetas). Si no puede, lanza: la prueba se detiene.
void EscribirArchivo(const QString& ruta, const QByteArray& bytes);
QByteArray LeerArchivo(const QString& ruta);

// Servicio de mensajes para las pruebas: contesta cada cuadro con la respuesta guionada para él y
// lo registra. Es estricto: un cuadro sin respuesta guionada, una respuesta que los botones del
// cuadro no pueden dar y las respuestas que quedan sin usar al final son fallas de la prueba.
class MensajesGuionados : public ServicioMensajes {
  public:
    struct Cuadro {
        QString texto;
        int estilo;
        QString titulo;
        int respuesta;
    };

    ~MensajesGuionados() override;
    // La respuesta al próximo cuadro (veces: a los próximos tantos cuadros).
    void responder(int respuesta, int veces = 1);
    int mostrar(const QString& texto, int estilo, const QString& titulo) override;

    const std::vector<Cuadro>& cuadros() const { return cuadros_; }
    QStringList textos() const;
    // Olvida los cuadros mostrados (no el guion).
    void olvidar() { cuadros_.clear(); }
    std::size_t pendientes() const { return guion_.size(); }

  private:
    std::deque<int> guion_;
    std::vector<Cuadro> cuadros_;
};

// Instala un guion estricto nuevo mientras vive; lo deja a mano para responder y mirar.
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

// Corre `caso` como un usuario sin privilegios: en un proceso hijo que, si el proceso es de root,
// deja de serlo (nobody), para que los permisos de archivos y carpetas se apliquen. El caso
// devuelve vacío si se cumplió o la descripción de la falla; lo devuelto se informa como falla.
// La carpeta temporal de la prueba debe dejarse recorrer por ese usuario (ver AbrirATodos).
void SinPrivilegios(const std::function<QString()>& caso);
// Deja que cualquier usuario recorra y lea la carpeta (y escriba, si se pide).
void AbrirATodos(const QString& carpeta, bool escribir = false);

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
