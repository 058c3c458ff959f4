#include <QApplication>
#include <QStringList>

#include "banner/ui/Dll_Display.h"
#include "connections/ui/DialogoAccesoQt.h"
#include "import/ui/FrmAuxGarantia.h"
#include "platform/CadenaLanzamiento.h"
#include "platform/ErrorEjecucion.h"
#include "platform/Mensajes.h"
#include "platform/Senales.h"
#include "platform/ui/Ajustes.h"
#include "platform/ui/MensajesQt.h"
#include "suite/Componentes.h"

// El programa no tiene procedimiento principal propio: crea la ventana de importación, cuya
// carga corre el inicio de la aplicación, y la muestra cuando el inicio vuelve. La cadena de
// lanzamiento llega en los argumentos o, desde el menú de la estación, en un archivo
// (--lanzamiento ARCHIVO: ver CadenaLanzamiento).
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("garantias"));
    // Todo lo que lee el operador está en español, también lo que dibuja Qt (diálogo de archivo,
    // menús de contexto).
    CargarTraduccionesQt();
    InstalarServicioMensajes(std::make_unique<MensajesQt>());
    Senales::Instalar();
    Componentes::InstalarDisplay(std::make_unique<Dll_Display>());
    InstalarDialogoAcceso(std::make_unique<DialogoAccesoQt>());

    QStringList argumentos = QApplication::arguments();
    argumentos.removeFirst();
    CadenaLanzamiento::TaparClaves(argc, argv);  // ps ya no muestra la clave
    QString cadena;
    try {
        cadena = CadenaLanzamiento::DeArgumentos(argumentos);
    } catch (const ErrorEjecucion& e) {
        // Abierto desde el menú no hay terminal: el operador lo lee en un cuadro.
        MsgBox(e.descripcion(), Botones::Aceptar | Botones::IconoCritico);
        return 1;
    }

    FrmAuxGarantia ventana;
    ventana.Form_Load(cadena);
    ventana.show();
    return QApplication::exec();
}
